#include "history/lab_sender.h"

#include <QFile>
#include <QList>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

#include "history/check_codec.h"
#include "history/history_database.h"
#include "lab/lab_database.h"

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
    int mark = 1;          // 1: sent as it is; 2: sent as interrupted
    CheckRow row;
};

QDateTime utc(const QVariant& value) {
    return value.isNull() ? QDateTime() : QDateTime::fromString(value.toString(), Qt::ISODateWithMs);
}

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
    row.started = utc(next());
    row.finished = utc(next());
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
        check.mark = 2;
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
        query.prepare(QStringLiteral("SELECT %1 FROM checks WHERE outcome = ? AND sent = 1").arg(kRowColumns));
        query.addBindValue(outcomeName(Outcome::Running));
    } else {
        query.prepare(QStringLiteral("SELECT %1 FROM checks WHERE sent = 0 AND id > ? ORDER BY id LIMIT %2")
                          .arg(kRowColumns)
                          .arg(kBatch));
        query.addBindValue(after);
    }
    if (!query.exec()) return query.lastError().text();
    QList<Waiting> batch;
    while (query.next()) {
        Waiting check = waitingOf(query, station);
        if (!cutShort || check.mark == 2) batch << check;
    }
    return batch;
}

// The batch in one transaction on each side: the server's first, then the marks in the station's.
std::optional<QString> sendBatch(HistoryDatabase& local, LabDatabase& lab, const QString& station,
                                 const QList<Waiting>& batch) {
    QSqlDatabase server = lab.database();
    if (!server.transaction()) return lab.queryFailure(server.lastError()).message;
    for (const Waiting& check : batch) {
        const auto sent = lab.send(check.row);
        if (auto* failure = std::get_if<LabDatabase::Failure>(&sent)) {
            server.rollback();
            return failure->message;
        }
    }
    if (!server.commit()) return lab.queryFailure(server.lastError()).message;

    QSqlDatabase database = local.database();
    database.transaction();
    QSqlQuery mark(database);
    mark.prepare(
        QStringLiteral("UPDATE checks SET sent = ?, station = coalesce(station, ?) WHERE id = ? AND outcome = ?"));
    for (const Waiting& check : batch) {
        mark.addBindValue(check.mark);
        mark.addBindValue(station);
        mark.addBindValue(check.id);
        mark.addBindValue(check.localOutcome);
        if (!mark.exec()) {
            database.rollback();
            return mark.lastError().text();  // sent, not marked: sent again next time
        }
    }
    if (!database.commit()) return database.lastError().text();
    return std::nullopt;
}

}  // namespace

SendTally sendWaiting(HistoryDatabase& local, LabDatabase& lab, const QString& station) {
    SendTally tally;
    qint64 after = 0;
    for (bool cutShort : {true, false}) {
        for (;;) {
            auto batch = waitingBatch(local, station, after, cutShort);
            if (auto* problem = std::get_if<QString>(&batch)) {
                tally.problem = *problem;
                break;
            }
            const QList<Waiting>& checks = std::get<QList<Waiting>>(batch);
            if (checks.isEmpty()) break;
            if ((tally.problem = sendBatch(local, lab, station, checks))) break;
            tally.sent += int(checks.size());
            after = checks.constLast().id;
            if (cutShort) break;
        }
        if (tally.problem) break;
    }
    tally.waiting = waitingChecks(local);
    return tally;
}

int waitingChecks(HistoryDatabase& local) {
    QSqlQuery query(local.database());
    query.prepare(QStringLiteral("SELECT count(*) FROM checks WHERE sent = 0"));
    int waiting = query.exec() && query.next() ? query.value(0).toInt() : 0;
    query.prepare(QStringLiteral("SELECT owner FROM checks WHERE outcome = ? AND sent = 1"));
    query.addBindValue(outcomeName(Outcome::Running));
    if (query.exec())
        while (query.next()) waiting += programRunning(query.value(0).toString()) ? 0 : 1;
    return waiting;
}

LabSender::LabSender(QString historyPath, QString connection, QString station, std::function<void(const QString&)> warn)
    : historyPath_(std::move(historyPath)),
      connection_(std::move(connection)),
      station_(std::move(station)),
      warn_(std::move(warn)),
      thread_([this] { work(); }) {}

LabSender::~LabSender() {
    stop(-1);
    if (thread_.joinable()) thread_.join();
}

void LabSender::wake() {
    {
        std::lock_guard lock(mutex_);
        woken_ = true;
    }
    wake_.notify_one();
}

bool LabSender::stop(int waitMs) {
    std::unique_lock lock(mutex_);
    stopping_ = true;
    wake_.notify_one();
    const auto stopped = [this] { return stopped_; };
    if (waitMs < 0)
        done_.wait(lock, stopped);
    else if (!done_.wait_for(lock, std::chrono::milliseconds(waitMs), stopped))
        return false;
    lock.unlock();
    if (thread_.joinable()) thread_.join();
    return true;
}

// A wake that came before the stop is served: a check's end goes up at the program's end when the
// lab answers within the wait.
void LabSender::work() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return woken_ || stopping_; });
        if (!woken_) break;
        woken_ = false;
        lock.unlock();
        sendNow();
        lock.lock();
    }
    stopped_ = true;
    done_.notify_all();
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
        warned_ = false;
        return;
    }
    if (warned_) return;
    warned_ = true;
    warn_(*problem + QStringLiteral(" Las comprobaciones se guardan en este puesto y se enviarán más tarde."));
}
