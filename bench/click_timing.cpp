// Measures, with the real clock on the simulated card and the windows on screen (offscreen
// platform), how soon what the user does reaches the card: a click on an output toggle of the manual
// panel to its write, while both monitors run, and each way out of the test window during test 1
// to the relays switched off. Also how late the event loop gets to a due timer on the panel.
#include <csignal>
#include <cstdio>
#include <random>

#include <QApplication>
#include <QCloseEvent>

#include "app/exit_signals.h"
#include "app/form1.h"
#include "app/navigator.h"
#include "autotest/form3.h"
#include "bench/event_loop_probe.h"
#include "bench/watched_card.h"
#include "card/card.h"
#include "card/clock.h"
#include "manual/form2.h"
#include "widgets/wrap_button.h"

int main(int argc, char* argv[]) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    RealClock clock;
    WatchedCard port(clock);
    Card card(port, clock);
    Navigator navigator(card, clock, QCoreApplication::applicationDirPath(), [](int) {});
    navigator.start();
    std::minstd_rand random(2026);
    auto between = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };

    navigator.form1()->Command1_Click();
    Form2& panel = *navigator.form2();
    EventLoopProbe probe;
    probe.start();
    QList<double> clicks;
    for (int i = 0; i < 120; ++i) {
        pause(between(30, 330));  // clicks at uneven moments, so they fall anywhere in the monitors' reads
        clicks << timeToWrite(
            port, [](qint16) { return true; }, [&] { postClick(panel.Encender_Apagar[i % 8]); });
    }
    probe.stop();
    panel.Command1_Click();
    pause(10);

    struct Exit {
        const char* name;
        std::function<void(Form3&)> act;
    };
    ExitSignals exitSignals([&](int signal) { navigator.endOnSignal(signal); });
    const Exit exits[] = {
        {"VOLVER AL MENU ANTERIOR", [](Form3& form) { postClick(form.Command2); }},
        {"frame's close control", [](Form3& form) { QCoreApplication::postEvent(&form, new QCloseEvent); }},
        {"SIGTERM", [](Form3&) { std::raise(SIGTERM); }}};
    QList<std::pair<const char*, double>> exitTimes;
    for (const Exit& exit : exits) {
        for (int trial = 0; trial < 4; ++trial) {
            navigator.form1()->Command2_Click();
            Form3& form = *navigator.form3();
            form.Command3_Click();
            pause(between(600, 4000));  // into test 1, whichever of its waits
            exitTimes << std::pair(exit.name,
                                   timeToWrite(
                                       port, [](qint16 value) { return value == 0; }, [&] { exit.act(form); }));
            if (navigator.form3()) navigator.form3()->Command2_Click();
            pause(10);
        }
    }

    std::printf("manual panel, %lld clicks on the output toggles while the monitors run:\n",
                static_cast<long long>(clicks.size()));
    std::printf("  click to relay write: median %.1f ms, 99th percentile %.1f ms, worst %.1f ms\n",
                EventLoopProbe::percentile(clicks, 50), EventLoopProbe::percentile(clicks, 99),
                EventLoopProbe::percentile(clicks, 100));
    std::printf("  event loop delay: longest %.1f ms, 99th percentile %.1f ms\n", probe.longestMs(),
                probe.percentileMs(99));
    double worstExit = 0;
    for (const auto& [name, ms] : exitTimes) {
        std::printf("test window, test 1 running, %s to the relays at 0: %.1f ms\n", name, ms);
        worstExit = std::max(worstExit, ms);
    }
    const bool ok = EventLoopProbe::percentile(clicks, 100) < 50 && worstExit < 150 && probe.longestMs() < 100 &&
                    probe.percentileMs(99) < 30;
    std::printf("%s: a click within 50 ms, every exit within 150 ms, the panel never held up 100 ms or more\n",
                ok ? "PASS" : "FAIL");
    return ok ? 0 : 1;
}
