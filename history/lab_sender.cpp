#include "history/lab_sender.h"

#include <QFile>
#include <QList>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

#include "history/check_codec.h"
#include "history/history_database.h"
#include "history/time_text.h"
#include "lab/lab_database.h"
#include "record/wording.h"

namespace {

constexpr int kBatch = 100;

// Every column of the lab's table but login and received, in CheckRow's order, then what marks it.
const char* const kRowColumns =
    "id, uuid, station, started, finished, card, kind, mode, outcome, owner, summary, failed_test, failed_inputs, "
    "port, version, volts1, volts2, volts3, volts4, record, sent";

// A check to send, and how to mark it once sent.
struct Waiting {
    qint64 id = 0;
    QString localOutcome;  // as read: a check completed meanwhile is not marked
    SentState mark = SentState::Sent;
    CheckRow row;
};

QString textOrNull(const QVariant& value) {
    return value.isNull() ? QString() : value.toString();
}

Waiting waitingOf(const QSqlQuery& query, const QString& station) {
    Waiting check;
    int column = 0;
    const auto next = [&query, &column] { return query.value(column++); };
    check.id = next().toLongLong();
    CheckRow& row = check.row;
    row.uuid = QUuid::fromString(next().toString());
    const QVariant own = next();
    row.station = own.isNull() ? station : own.toString();  // a check kept before stations were named
    row.started = timeOf(next());
    row.finished = timeOf(next());
    row.card = textOrNull(next());
    row.kind = next().toString();
    row.mode = next().toString();
    row.outcome = check.localOutcome = next().toString();
    row.owner = textOrNull(next());
    row.summary = textOrNull(next());
    const QVariant failedTest = next();
    if (!failedTest.isNull()) row.failedTest = failedTest.toInt();
    row.failedInputs = textOrNull(next());
    row.port = textOrNull(next());
    row.version = textOrNull(next());
    std::array<double, 4> volts{};
    const bool hasVolts = !query.value(column).isNull();
    for (double& value : volts) value = next().toDouble();
    if (hasVolts) row.volts = volts;
    row.record = next().toString().toUtf8();
    if (row.outcome == outcomeName(Outcome::Running) && !programRunning(row.owner)) {
        row.outcome = outcomeName(Outcome::Interrupted);
        check.mark = SentState::SentInterrupted;
    }
    return check;
}

// A batch of the checks that wait, after the one numbered after; and first those that were sent
// running, whose program has gone since.
std::variant<QList<Waiting>, QString> waitingBatch(HistoryDatabase& local, const QString& station, qint64 after,
                                                   bool cutShort) {
    QSqlQuery query(local.database());
    query.setForwardOnly(true);
    if (cutShort) {
        query.prepare(QStringLiteral("SELECT %1 FROM checks WHERE outcome = ? AND sent = ?").arg(kRowColumns));
        query.addBindValue(outcomeName(Outcome::Running));
        query.addBindValue(int(SentState::Sent));
    } else {
        // The state as a literal, as the partial index of the waiting rows is written.
        query.prepare(QStringLiteral("SELECT %1 FROM checks WHERE sent = %2 AND id > ? ORDER BY id LIMIT %3")
                          .arg(kRowColumns)
                          .arg(int(SentState::Waiting))
                          .arg(kBatch));
        query.addBindValue(after);
    }
    if (!query.exec()) return sqliteCause(query.lastError());
    QList<Waiting> batch;
    while (query.next()) {
        Waiting check = waitingOf(query, station);
        if (!cutShort || check.mark == SentState::SentInterrupted) batch << check;
    }
    return batch;
}

// Whether every check would meet this failure too: the lab is not reached or cannot be used at
// all. Any other is the server's answer to one check of the batch.
bool labUnusable(LabDatabase::Problem problem) {
    using enum LabDatabase::Problem;
    return problem == NoDriver || problem == Unreachable || problem == LoginRefused || problem == NoSchema ||
           problem == NewerSchema;
}

// The batch in one server transaction: all of it, or nothing.
std::optional<LabDatabase::Failure> sendTogether(LabDatabase& lab, const QList<Waiting>& batch) {
    QSqlDatabase server = lab.database();
    if (!server.transaction()) return lab.queryFailure(server.lastError());
    for (const Waiting& check : batch) {
        const auto sent = lab.send(check.row);
        if (auto* failure = std::get_if<LabDatabase::Failure>(&sent)) {
            server.rollback();
            return *failure;
        }
    }
    if (!server.commit()) return lab.queryFailure(server.lastError());
    return std::nullopt;
}

// The checks that went, marked sent in one transaction of the station's history.
std::optional<QString> markSent(HistoryDatabase& local, const QString& station, const QList<const Waiting*>& sent) {
    QSqlDatabase database = local.database();
    database.transaction();
    QSqlQuery mark(database);
    mark.prepare(
        QStringLiteral("UPDATE checks SET sent = ?, station = coalesce(station, ?) WHERE id = ? AND outcome = ?"));
    for (const Waiting* check : sent) {
        mark.addBindValue(int(check->mark));
        mark.addBindValue(station);
        mark.addBindValue(check->id);
        mark.addBindValue(check->localOutcome);
        if (!mark.exec()) {
            database.rollback();
            return sqliteCause(mark.lastError());  // sent, not marked: sent again next time
        }
    }
    if (!database.commit()) return sqliteCause(database.lastError());
    return std::nullopt;
}

// What a round has done so far.
struct Round {
    SendTally tally;
    int refused = 0;
    QString firstRefused;  // the first check the lab refused, and why
};

// A batch in one server transaction, then its marks in one of the station's. A batch that the
// server refuses for a reason of its own goes again a check at a time, each in a transaction of its
// own, so that the check it refuses stays waiting and no other waits behind it. False when nothing
// more goes this round.
bool sendBatch(HistoryDatabase& local, LabDatabase& lab, const QString& station, const QList<Waiting>& batch,
               Round& round) {
    QList<const Waiting*> sent;
    const auto together = sendTogether(lab, batch);
    if (!together) {
        for (const Waiting& check : batch) sent << &check;
    } else if (labUnusable(together->problem)) {
        round.tally.problem = together->message;
        return false;
    } else {
        for (const Waiting& check : batch) {
            const auto alone = lab.send(check.row);
            const auto* failure = std::get_if<LabDatabase::Failure>(&alone);
            if (!failure) {
                sent << &check;
            } else if (labUnusable(failure->problem)) {
                round.tally.problem = failure->message;
                break;
            } else if (round.refused++ == 0) {
                round.firstRefused = QStringLiteral("la comprobación %1 (tarjeta %2): %3")
                                         .arg(check.id)
                                         .arg(cardWord(check.row.card), failure->cause);
            }
        }
    }
    if (auto problem = markSent(local, station, sent)) {
        round.tally.problem = problem;
        return false;
    }
    round.tally.sent += int(sent.size());
    return !round.tally.problem;
}

}  // namespace

SendTally sendWaiting(HistoryDatabase& local, LabDatabase& lab, const QString& station) {
    Round round;
    for (bool cutShort : {true, false}) {
        qint64 after = 0;
        for (;;) {
            auto batch = waitingBatch(local, station, after, cutShort);
            if (auto* problem = std::get_if<QString>(&batch)) {
                round.tally.problem = *problem;
                break;
            }
            const QList<Waiting>& checks = std::get<QList<Waiting>>(batch);
            if (checks.isEmpty() || !sendBatch(local, lab, station, checks, round)) break;
            after = checks.constLast().id;  // past a refused check too: it waits for the next round
            if (cutShort) break;
        }
        if (round.tally.problem) break;
    }
    if (round.refused > 0) {
        // The refused checks first, then what kept the rest from going, if anything did.
        QString refused = QStringLiteral("El historial del laboratorio no acepta %1.").arg(round.firstRefused);
        if (round.refused > 1) refused += QStringLiteral(" Tampoco acepta otras %1.").arg(round.refused - 1);
        round.tally.problem = round.tally.problem ? refused + u' ' + *round.tally.problem : refused;
    }
    round.tally.waiting = waitingChecks(local);
    return round.tally;
}

int waitingChecks(HistoryDatabase& local) {
    QSqlQuery query(local.database());
    query.prepare(QStringLiteral("SELECT count(*) FROM checks WHERE sent = %1").arg(int(SentState::Waiting)));
    int waiting = query.exec() && query.next() ? query.value(0).toInt() : 0;
    query.prepare(QStringLiteral("SELECT owner FROM checks WHERE outcome = ? AND sent = ?"));
    query.addBindValue(outcomeName(Outcome::Running));
    query.addBindValue(int(SentState::Sent));
    if (query.exec())
        while (query.next()) waiting += programRunning(query.value(0).toString()) ? 0 : 1;
    return waiting;
}

LabSender::LabSender(QString historyPath, QString connection, QString station, std::function<void(const QString&)> warn)
    : historyPath_(std::move(historyPath)),
      connection_(std::move(connection)),
      station_(std::move(station)),
      warn_(std::move(warn)) {
    wake();  // what waited before this run goes at its start
}

LabSender::~LabSender() {
    stop(-1);
}

// Wakes that come while a round waits to begin are one round.
void LabSender::wake() {
    if (woken_.exchange(true)) return;
    thread_.post([this] {
        woken_ = false;
        sendNow();
    });
}

// A wake that came before the stop is served: a check's end goes up at the program's end when the
// lab answers within the wait.
bool LabSender::stop(int waitMs) {
    return thread_.stop(waitMs);
}

// Both connections are made for each round and closed after it, on this thread: a lab that was
// away is tried anew each time, and nothing is left open when the program ends.
void LabSender::sendNow() {
    if (!QFile::exists(historyPath_)) return;  // nothing kept yet
    auto local = HistoryDatabase::open(historyPath_, true);
    if (!std::holds_alternative<std::unique_ptr<HistoryDatabase>>(local)) return;  // the journal says why
    auto lab = LabDatabase::open(connection_);
    std::optional<QString> problem;
    if (auto* failure = std::get_if<LabDatabase::Failure>(&lab)) {
        problem = failure->message;
    } else {
        problem = sendWaiting(*std::get<std::unique_ptr<HistoryDatabase>>(local),
                              *std::get<std::unique_ptr<LabDatabase>>(lab), station_)
                      .problem;
    }
    if (!problem) {
        warned_.reset();
        return;
    }
    if (warned_ == problem) return;
    warned_ = problem;
    warn_(*problem + QStringLiteral(" Las comprobaciones se guardan en este puesto y se enviarán más tarde."));
}
