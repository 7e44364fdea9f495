// The Estadística tab from its refresh to its figures on screen (summary, charts and tables laid
// out), over a station's own history (the first argument, such as history_timing's big.sqlite) or
// a lab's (a connection string as the second argument): five times each, minimum and median.
#include <algorithm>
#include <cstdio>

#include <QApplication>
#include <QElapsedTimer>
#include <QSignalSpy>

#include "batch/figures_view.h"

int main(int argc, char* argv[]) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 2) {
        std::printf("usage: figures_tab_timing HISTORY [LAB-CONNECTION]\n");
        return 2;
    }
    FiguresView view(QString::fromLocal8Bit(argv[1]), argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString(), nullptr);
    view.resize(1280, 900);
    view.show();
    QList<double> times;
    for (int run = 0; run < 6; ++run) {
        QSignalSpy shown(&view, &FiguresView::shown);
        QElapsedTimer timer;
        timer.start();
        view.refresh();
        if (!shown.wait(30000) || !view.figures()) {
            std::printf("no figures\n");
            return 1;
        }
        QCoreApplication::processEvents();                 // painted
        if (run > 0) times << timer.nsecsElapsed() / 1e6;  // the first warms the caches
    }
    std::sort(times.begin(), times.end());
    std::printf("Estadística, refresh to figures on screen (%s, %d checks): minimum %.0f ms, median %.0f ms\n",
                argc > 2 ? "lab" : "station", view.figures()->checks, times.first(), times[times.size() / 2]);
    return 0;
}
