// The batch station in real time on the simulated card, its window on screen: a card's number, Enter
// and COMPROBAR to the green verdict, against the sequence's least time (36.5 s) and with the event
// loop's delay all through it; then PARAR, SIGTERM and the window's close control during test 1, each
// to the relays at 0. Given a file name, it also keeps a picture of the window with its verdict.
#include <csignal>
#include <cstdio>
#include <optional>

#include <QApplication>
#include <QCloseEvent>
#include <QLineEdit>
#include <QPushButton>

#include "app/exit_signals.h"
#include "batch/batch_window.h"
#include "bench/event_loop_probe.h"
#include "bench/watched_card.h"
#include "card/card.h"
#include "card/clock.h"

int main(int argc, char* argv[]) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString picture = app.arguments().value(1);
    RealClock clock;
    WatchedCard port(clock);
    Card card(port, clock);
    int signalled = 0;
    BatchWindow window(card, clock,
                       {QCoreApplication::applicationDirPath(), QString(), QString(), QString(), nullptr,
                        [&](int status) { signalled = status; }});
    ExitSignals exitSignals([&](int signal) { window.endOnSignal(signal); });
    window.resize(window.sizeHint().expandedTo(QSize(900, 700)));
    window.show();
    pause(500);

    std::optional<bool> passed;  // the first verdict's; the checks stopped later are interrupted
    QEventLoop verdict;
    QObject::connect(&window, &BatchWindow::verdictShown, [&](const RunRecord& record) {
        if (passed) return;
        passed = record.outcome == Outcome::Pass;
        verdict.quit();
    });
    window.findChild<QLineEdit*>("number")->setText(QStringLiteral("14"));
    window.confirmNumber();
    EventLoopProbe probe;
    probe.start();
    QElapsedTimer sincePress;
    sincePress.start();
    postClick(window.findChild<QPushButton*>("comprobar"));
    verdict.exec();
    const qint64 sequenceMs = sincePress.elapsed();
    probe.stop();
    if (!picture.isEmpty()) {
        pause(300);
        window.grab().save(picture);
    }

    struct Exit {
        const char* name;
        std::function<void()> act;
    };
    const Exit exits[] = {{"PARAR", [&] { postClick(window.findChild<QPushButton*>("parar")); }},
                          {"SIGTERM", [] { std::raise(SIGTERM); }},
                          {"window's close control", [&] { QCoreApplication::postEvent(&window, new QCloseEvent); }}};
    QList<std::pair<const char*, double>> exitTimes;
    for (const Exit& exit : exits) {
        pause(1100);  // past the double press
        window.startCheck();
        pause(3000);  // into test 1
        exitTimes << std::pair(exit.name, timeToWrite(
                                              port, [](qint16 value) { return value == 0; }, exit.act));
        pause(10);
    }

    const double ratio = double(sequenceMs) / BatchWindow::kSequenceMs;
    std::printf("COMPROBAR to the verdict: %lld ms against %d ms, ratio %.4f (%s)\n",
                static_cast<long long>(sequenceMs), BatchWindow::kSequenceMs, ratio,
                passed.value_or(false) ? "TARJETA CORRECTA" : "not passed");
    std::printf("event loop delay over %lld samples: longest %.1f ms, 99th percentile %.1f ms, median %.1f ms\n",
                static_cast<long long>(probe.samples()), probe.longestMs(), probe.percentileMs(99),
                probe.percentileMs(50));
    double worstExit = 0;
    for (const auto& [name, ms] : exitTimes) {
        std::printf("test 1 running, %s to the relays at 0: %.2f ms\n", name, ms);
        worstExit = std::max(worstExit, ms);
    }
    const bool ok = passed.value_or(false) && ratio <= 1.002 && probe.longestMs() < 100 &&
                    probe.percentileMs(99) < 30 && worstExit < 150 && signalled == 128 + SIGTERM;
    std::printf("%s: within 0.2%% of 36.5 s, the event loop never held up 100 ms, every exit within 150 ms\n",
                ok ? "PASS" : "FAIL");
    return ok ? 0 : 1;
}
