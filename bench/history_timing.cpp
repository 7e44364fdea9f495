// What the history costs: the time a check's end waits for its row to be written durably, over
// real headless checks of a failed card on the simulated one; and how long --history-list and
// --history-csv take over a history of 100 000 checks that this benchmark makes (in the folder given
// as its argument, where it is kept and used again on the next run; otherwise in a temporary one).
#include <algorithm>
#include <cstdio>

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QSqlQuery>
#include <QTemporaryDir>

#include "app/headless_run.h"
#include "card/card.h"
#include "card/card_faults.h"
#include "card/clock.h"
#include "card/simulated_card.h"
#include "history/check_journal.h"
#include "history/history_database.h"
#include "history/run_recorder.h"

namespace {

constexpr int kChecks = 100'000;
constexpr int kTimedChecks = 5;

double medianOf(QList<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// A good card's record: six tests passed and ten analog readings; one check in ten failed in test 1.
RunRecord sampleRecord(int n) {
    RunRecord record;
    record.started = QDateTime::currentDateTime().addSecs(-60LL * (kChecks - n));
    record.finished = record.started.addMSecs(36'600);
    const bool failed = n % 10 == 0;
    record.outcome = failed ? Outcome::Fail : Outcome::Pass;
    record.exitStatus = failed ? 1 : 0;
    for (int test = 1; test <= (failed ? 1 : 6); ++test)
        record.tests << TestRecord{test, failed ? Outcome::Fail : Outcome::Pass, 0, 4'000'000'000, {}, {}};
    if (failed) {
        record.lines = {"SE HA PRODUCIDO UN ERROR", "COMPRUEBE LAS CONEXIONES"};
        record.tests[0].failures << FailedCheck{3, 0, 8, 247, 255};
    } else {
        for (int test = 1; test <= 6; ++test) record.lines << QStringLiteral("TEST %1 CORRECTO").arg(test);
        record.lines << "FUNCIONAMIENTO DE LA TARJETA CORRECTO";
        for (int tick = 0; tick < 10; ++tick)
            record.analog << AnalogVolts{4.98046875, 4.98046875, 4.98046875, 4.98046875};
    }
    return record;
}

bool makeHistory(const QString& path) {
    auto opened = HistoryDatabase::open(path, true);
    if (!std::holds_alternative<std::unique_ptr<HistoryDatabase>>(opened)) return false;
    HistoryDatabase& history = *std::get<0>(opened);
    history.database().transaction();
    for (int n = 1; n <= kChecks; ++n) {
        const RunRecord record = sampleRecord(n);
        const CheckContext context{QString::number(n % 500), "headless", "/dev/parport0", {}};
        auto id = history.insert(record, context);
        if (!std::holds_alternative<qint64>(id) || history.complete(std::get<qint64>(id), record, context))
            return false;
    }
    return history.database().commit();
}

// The median of three runs of the program, its output thrown away.
double programMs(const QStringList& arguments) {
    QList<double> times;
    for (int i = 0; i < 3; ++i) {
        QProcess program;
        program.setStandardOutputFile(QProcess::nullDevice());
        QElapsedTimer timer;
        timer.start();
        program.start(QCoreApplication::applicationDirPath() + "/cardcheck", arguments);
        if (!program.waitForFinished(60000) || program.exitCode() != 0) return -1;
        times << timer.nsecsElapsed() / 1e6;
    }
    return medianOf(times);
}

// From the verdict to the row written durably: what the end of a headless check waits for.
QList<double> endOfCheckMs(const QString& path) {
    RealClock clock;
    CardFaults faults;
    addFault(faults, "roto:0");
    SimulatedCard simulated(clock, faults);
    Card card(simulated, clock);
    CheckJournal journal(path, {"1", "headless", "simulated", {"roto:0"}},
                         [](const QString& warning) { std::printf("%s\n", qPrintable(warning)); });
    QList<double> times;
    for (int n = 0; n < kTimedChecks; ++n) {
        HeadlessRun run(card, clock, QCoreApplication::applicationDirPath(), [](const QString&) {});
        journal.follow(run.recorder());
        QObject::connect(&run, &HeadlessRun::finished, [] { QCoreApplication::quit(); });
        run.start();
        QCoreApplication::exec();
        QElapsedTimer timer;
        timer.start();
        journal.flush();
        times << timer.nsecsElapsed() / 1e6;
    }
    return times;
}

}  // namespace

int main(int argc, char* argv[]) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;

    const QList<double> ends = endOfCheckMs(dir.filePath("checks.sqlite"));
    std::printf("end of a check to its row written durably, %d checks: median %.2f ms, longest %.2f ms\n", kTimedChecks,
                medianOf(ends), *std::max_element(ends.begin(), ends.end()));

    const QString big = (argc > 1 ? QString::fromLocal8Bit(argv[1]) : dir.path()) + "/big.sqlite";
    QElapsedTimer making;
    making.start();
    if (!QFile::exists(big) && !makeHistory(big)) {
        std::printf("could not make the history of %d checks\n", kChecks);
        return 1;
    }
    std::printf("made a history of %d checks (%.1f MB) in %.1f s\n", kChecks, QFileInfo(big).size() / 1e6,
                making.elapsed() / 1e3);
    const double listMs = programMs({"--history-list", "--history", big});
    const double cardMs = programMs({"--history-list", "--history", big, "--card", "7"});
    const double csvMs = programMs({"--history-csv", "-", "--history", big});
    std::printf(
        "--history-list, all %d checks: %.0f ms\n--history-list --card 7 (%d checks): %.0f ms\n"
        "--history-csv, all: %.0f ms\n",
        kChecks, listMs, kChecks / 500, cardMs, csvMs);
    const bool fast = listMs >= 0 && listMs < 1000 && csvMs >= 0;
    std::printf("%s: the list of %d checks under a second\n", fast ? "PASS" : "FAIL", kChecks);
    return fast ? 0 : 1;
}
