#include "history/lab_sender.h"

#include <QFile>
#include <QList>
#include <QSqlError>

#include "history/checks_table.h"
#include "history/history_database.h"
#include "lab/lab_database.h"
#include "record/wording.h"

namespace {

constexpr int kBatch = 100;

// Whether every check would meet this failure too: the lab is not reached or cannot be used at
// all. Any other is the server's answer to one check of the batch.
bool labUnusable(LabDatabase::Problem problem) {
    using enum LabDatabase::Problem;
    return problem == NoDriver || problem == Unreachable || problem == LoginRefused || problem == NoSchema ||
           problem == NewerSchema;
}

// The batch in one server transaction: all of it, or nothing.
std::optional<LabDatabase::Failure> sendTogether(LabDatabase& lab, const QList<OutgoingCheck>& batch) {
    QSqlDatabase server = lab.database();
    if (!server.transaction()) return lab.queryFailure(server.lastError());
    for (const OutgoingCheck& check : batch) {
        const auto sent = lab.send(check.row);
        if (auto* failure = std::get_if<LabDatabase::Failure>(&sent)) {
            server.rollback();
            return *failure;
        }
    }
    if (!server.commit()) return lab.queryFailure(server.lastError());
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
bool sendBatch(HistoryDatabase& local, LabDatabase& lab, const QString& station, const QList<OutgoingCheck>& batch,
               Round& round) {
    QList<const OutgoingCheck*> sent;
    const auto together = sendTogether(lab, batch);
    if (!together) {
        for (const OutgoingCheck& check : batch) sent << &check;
    } else if (labUnusable(together->problem)) {
        round.tally.problem = together->message;
        return false;
    } else {
        for (const OutgoingCheck& check : batch) {
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
                                         .arg(cardWord(check.card), failure->cause);
            }
        }
    }
    // Sent but not marked: sent again next time.
    if (auto error = markSent(local.database(), station, sent)) {
        round.tally.problem = sqliteCause(*error);
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
            auto batch = cutShort ? cutShortChecks(local.database(), station)
                                  : waitingChecks(local.database(), station, after, kBatch);
            if (auto* error = std::get_if<QSqlError>(&batch)) {
                round.tally.problem = sqliteCause(*error);
                break;
            }
            const QList<OutgoingCheck>& checks = std::get<QList<OutgoingCheck>>(batch);
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
    round.tally.waiting = waitingCount(local.database());
    return round.tally;
}

SendTally syncRound(const QString& historyPath, const QString& connection, const QString& station) {
    if (!QFile::exists(historyPath)) return {};  // nothing kept yet
    auto opened = HistoryDatabase::open(historyPath, true);
    if (auto* problem = std::get_if<QString>(&opened)) return {0, 0, *problem, true};
    HistoryDatabase& local = *std::get<std::unique_ptr<HistoryDatabase>>(opened);
    auto lab = LabDatabase::open(connection);
    if (auto* failure = std::get_if<LabDatabase::Failure>(&lab))
        return {0, waitingCount(local.database()), failure->message};
    return sendWaiting(local, *std::get<std::unique_ptr<LabDatabase>>(lab), station);
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
    const SendTally tally = syncRound(historyPath_, connection_, station_);
    if (tally.historyUnusable) return;  // the journal says why
    if (!tally.problem) {
        warned_.reset();
        return;
    }
    if (warned_ == tally.problem) return;
    warned_ = tally.problem;
    warn_(*tally.problem + QStringLiteral(" Las comprobaciones se guardan en este puesto y se enviarán más tarde."));
}
