// How long the program takes from its start to its menu on screen, against a trivial Qt Widgets
// window (a title and a button) on the same machine: alternating starts of each, the same probe
// in both (shown_probe.cpp), medians compared. Goal: the menu within 1.5 times the trivial window.
// Also how long --help takes to its end (goal under 30 ms). Meant for a real X server:
//   xvfb-run -a env QT_QPA_PLATFORM=xcb ./build/start_up_timing [starts of each, at least 9] [program]
// The program runs on the simulated card with its history in a new, empty folder, as a first start.
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>

#include <QApplication>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QVBoxLayout>
#include <QWidget>

namespace {

qint64 nowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// The processor time of the children ended so far, in milliseconds: what a start costs, whatever
// else keeps the machine busy meanwhile.
double childrenCpuMs() {
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    const auto ms = [](const timeval& t) { return t.tv_sec * 1e3 + t.tv_usec / 1e3; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

double median(QList<double> values) {
    std::sort(values.begin(), values.end());
    const qsizetype n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

int trivialWindow(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Ventana"));
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(new QPushButton(QStringLiteral("Aceptar")));
    window.show();
    return QApplication::exec();
}

struct Start {
    double wallMs = -1;  // from the start of the process to the probe's mark; negative if it never marked
    double cpuMs = 0;    // the processor time the process took meanwhile (the probe ends it at its mark)
};

Start timeToShown(const QString& program, const QStringList& arguments, const QProcessEnvironment& environment) {
    const double cpuBefore = childrenCpuMs();
    QProcess process;
    process.setProcessEnvironment(environment);
    const qint64 started = nowNs();
    process.start(program, arguments);
    if (!process.waitForFinished(10000)) {
        process.kill();
        process.waitForFinished();
        return {};
    }
    const QByteArray errors = process.readAllStandardError();
    const qsizetype at = errors.lastIndexOf("shown ");
    if (at < 0) {
        std::fprintf(stderr, "%s did not mark its window: %s\n", qPrintable(program), errors.constData());
        return {};
    }
    return {(errors.mid(at + 6).trimmed().toLongLong() - started) / 1e6, childrenCpuMs() - cpuBefore};
}

double timeToEnd(const QString& program, const QStringList& arguments) {
    QProcess process;
    const qint64 started = nowNs();
    process.start(program, arguments);
    process.waitForFinished(10000);
    const double ms = (nowNs() - started) / 1e6;
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0 ? ms : -1;
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc > 1 && qstrcmp(argv[1], "--trivial-window") == 0) return trivialWindow(argc, argv);
    QCoreApplication app(argc, argv);
    const int starts = argc > 1 ? std::max(9, QByteArray(argv[1]).toInt()) : 11;
    const QString self = QCoreApplication::applicationFilePath();
    // Another build of the program may be timed in its place, to compare.
    const QString program = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral(CARDCHECK_EXECUTABLE);

    QTemporaryDir dataHome;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_GENERIC_PLUGINS", "cardcheck_shown_probe");
    environment.insert("QT_PLUGIN_PATH", QStringLiteral(SHOWN_PROBE_PLUGIN_PATH));
    environment.insert("XDG_DATA_HOME", dataHome.path());

    QList<double> trivial, menu, help, trivialCpu, menuCpu;
    for (int i = 0; i < starts; ++i) {
        // One of each in turn, so that whatever else the machine does falls on both alike.
        const Start t = timeToShown(self, {QStringLiteral("--trivial-window")}, environment);
        const Start m = timeToShown(program, {QStringLiteral("--simulate")}, environment);
        const double h = timeToEnd(program, {QStringLiteral("--help")});
        if (t.wallMs < 0 || m.wallMs < 0 || h < 0) {
            std::fprintf(stderr, "start %d failed\n", i + 1);
            return 2;
        }
        std::printf(
            "start %2d: trivial window %6.1f ms (processor %5.1f), menu %6.1f ms (processor %5.1f), --help %5.1f ms\n",
            i + 1, t.wallMs, t.cpuMs, m.wallMs, m.cpuMs, h);
        trivial << t.wallMs;
        menu << m.wallMs;
        help << h;
        trivialCpu << t.cpuMs;
        menuCpu << m.cpuMs;
    }
    const double ratio = median(menu) / median(trivial);
    std::printf("medians of %d starts: trivial window %.1f ms, menu %.1f ms (%.2f times), --help %.1f ms\n", starts,
                median(trivial), median(menu), ratio, median(help));
    std::printf("processor time to the window on screen, medians: trivial window %.1f ms, menu %.1f ms (%.2f times)\n",
                median(trivialCpu), median(menuCpu), median(menuCpu) / median(trivialCpu));
    const bool met = ratio <= 1.5 && median(help) < 30;
    std::printf("%s: menu within 1.5 times the trivial window, --help under 30 ms\n", met ? "met" : "NOT MET");
    return met ? 0 : 1;
}
