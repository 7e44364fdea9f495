// How long sending 1 000 waiting checks to a lab history takes: a station's history of that many
// checks is made (each started and completed, as the journal writes them), then sent as
// --history-sync sends it, in batches of a transaction on each side.
//   lab_sync_timing CONNECTION [CHECKS]
#include <cstdio>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include "history/history_database.h"
#include "history/lab_sender.h"
#include "lab/lab_database.h"

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: lab_sync_timing CONNECTION [CHECKS]\n");
        return 2;
    }
    const int checks = argc > 2 ? std::atoi(argv[2]) : 1000;
    QTemporaryDir folder;
    auto opened = HistoryDatabase::open(folder.filePath("historial.sqlite"), true);
    if (auto* error = std::get_if<QString>(&opened)) return std::fprintf(stderr, "%s\n", qPrintable(*error)), 1;
    HistoryDatabase& history = *std::get<std::unique_ptr<HistoryDatabase>>(opened);
    const CheckContext context{"T-0001", CheckMode::Headless, {}, {}, QStringLiteral("banco")};
    RunRecord record;
    record.started = QDateTime::currentDateTime();
    record.lines = {QStringLiteral("TEST 1 CORRECTO")};
    for (int n = 0; n < checks; ++n) {
        const qint64 id = std::get<qint64>(history.insert(record, context));
        RunRecord ended = record;
        ended.outcome = Outcome::Pass;
        ended.finished = record.started.addSecs(37);
        history.complete(id, ended, context);
    }
    QElapsedTimer timer;
    timer.start();
    auto lab = LabDatabase::open(QString::fromLocal8Bit(argv[1]));
    if (auto* failure = std::get_if<LabDatabase::Failure>(&lab))
        return std::fprintf(stderr, "%s\n", qPrintable(failure->message)), 1;
    const SendTally tally = sendWaiting(history, *std::get<std::unique_ptr<LabDatabase>>(lab), context.station);
    std::printf("%d of %d waiting checks sent in %lld ms (connection included); %d still wait\n", tally.sent, checks,
                timer.elapsed(), tally.waiting);
    return tally.sent == checks ? 0 : 1;
}
