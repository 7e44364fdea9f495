// Runs the whole automatic sequence on the simulated card with the real clock and the real timers,
// the window on screen (offscreen platform) as in normal use, or with --headless hidden as
// `cardcheck --auto` runs it; compares how long each test took with
// the least that its waits and timer intervals allow, and measures how late the event loop gets to
// a timer that is due all through the sequence. The check is kept in a history, as every check is;
// given a lab history's connection string, it is sent there too, as a station sends it.
#include <cstdio>
#include <memory>

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include "autotest/form3.h"
#include "bench/event_loop_probe.h"
#include "card/card.h"
#include "card/clock.h"
#include "card/simulated_card.h"
#include "check/offscreen_check.h"
#include "check/run_recorder.h"
#include "history/check_journal.h"
#include "history/lab_sender.h"

namespace {

struct Least {
    const char* line;  // the verdict line that ends the test
    int ms;
    const char* arithmetic;
};

// A tick that blocks longer than its timer's interval is followed by the next one at once.
const Least kLeast[] = {
    {"TEST 1 CORRECTO", 500 + 8 * 1900, "500 first interval + 8 ticks x (100+500+100+500+100+500+100)"},
    {"TEST 2 CORRECTO", 16 * 500 + 50, "16 ticks x 500 interval + 50 settle of the last"},
    {"TEST 3 CORRECTO", 32 * 50 + 50, "32 ticks x 50 interval + 50 settle of the last"},
    {"TEST 4 CORRECTO", 500 + 6 * 600, "500 first interval + 6 ticks x (50+500+50)"},
    {"TEST 5 CORRECTO", 500 + 4 * 600, "500 first interval + 4 ticks x (50+500+50)"},
    {"TEST 6 CORRECTO", 100 + 10 * 400, "100 first interval + 10 ticks x 4 reads x (50+50)"},
};

}  // namespace

int main(int argc, char* argv[]) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    RealClock clock;
    SimulatedCard simulated(clock);
    Card card(simulated, clock);

    QElapsedTimer sinceClick;
    QList<qint64> ends;
    OffscreenCheck run(card, clock, QCoreApplication::applicationDirPath(), {Outcome::Fail, true});
    QObject::connect(&run, &OffscreenCheck::lineAdded, [&](const QString& line) {
        for (const Least& test : kLeast)
            if (line == QLatin1String(test.line)) ends << sinceClick.elapsed();
    });
    QTemporaryDir historyFolder;
    const QString history = historyFolder.filePath("historial.sqlite");
    const auto warn = [](const QString& warning) { std::printf("%s\n", qPrintable(warning)); };
    const QStringList arguments = QCoreApplication::arguments().mid(1);
    const bool headless = arguments.contains(QStringLiteral("--headless"));
    const QStringList labs = arguments.filter(QStringLiteral("="));
    std::unique_ptr<LabSender> sender;
    if (!labs.isEmpty()) sender = std::make_unique<LabSender>(history, labs.first(), "banco", warn);
    CheckJournal journal(history, {"1", CheckMode::Headless, "", {}, "banco"}, warn, [&sender] {
        if (sender) sender->wake();
    });
    keepInJournal(run.recorder(), journal);
    int status = -1;
    QObject::connect(&run, &OffscreenCheck::ended, [&](const RunRecord& record) {
        status = record.exitStatus.value_or(-1);
        QCoreApplication::quit();
    });
    if (!headless) run.window().show();
    EventLoopProbe probe;
    probe.start();
    sinceClick.start();
    run.start();
    app.exec();
    const qint64 total = sinceClick.elapsed();
    probe.stop();
    if (sender) sender->stop(1000);

    if (status != OffscreenCheck::kCardPassed || ends.size() != 6) {
        std::printf("the sequence did not pass on the simulated card (status %d)\n", status);
        return 1;
    }
    std::printf("%-6s %10s %12s %7s  %s\n", "test", "least ms", "measured ms", "ratio",
                "least, from the waits and intervals");
    int leastTotal = 0;
    qint64 previous = 0;
    for (int i = 0; i < 6; ++i) {
        const qint64 measured = ends[i] - previous;
        previous = ends[i];
        leastTotal += kLeast[i].ms;
        std::printf("%-6d %10d %12lld %7.4f  %s\n", i + 1, kLeast[i].ms, static_cast<long long>(measured),
                    double(measured) / kLeast[i].ms, kLeast[i].arithmetic);
    }
    const double ratio = double(total) / leastTotal;
    std::printf("%-6s %10d %12lld %7.4f  from the click to the last verdict line\n", "total", leastTotal,
                static_cast<long long>(total), ratio);
    const bool fast = ratio <= 1.002;
    std::printf("%s: within 0.2%% of the least (%s)\n", fast ? "PASS" : "FAIL",
                headless ? "headless, the window hidden" : "the test window on screen");
    const bool responsive = probe.longestMs() < 100 && probe.percentileMs(99) < 30;
    std::printf("event loop delay over %lld samples: longest %.1f ms, 99th percentile %.1f ms, median %.1f ms\n",
                static_cast<long long>(probe.samples()), probe.longestMs(), probe.percentileMs(99),
                probe.percentileMs(50));
    std::printf("%s: longest under 100 ms and 99th percentile under 30 ms\n", responsive ? "PASS" : "FAIL");
    return fast && responsive ? 0 : 1;
}
