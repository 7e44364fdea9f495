#include <cstdio>
#include <functional>
#include <optional>

#include <QApplication>

#include "app/command_line.h"
#include "app/exit_signals.h"
#include "app/headless_run.h"
#include "app/history_commands.h"
#include "app/navigator.h"
#include "app/ports_listing.h"
#include "app/start_up.h"
#include "app/translation.h"
#include "batch/batch_window.h"
#include "card/card.h"
#include "card/clock.h"
#include "card/port.h"
#include "history/check_journal.h"
#include "history/diagnosis.h"
#include "history/run_recorder.h"
#include "history/run_report.h"

namespace {

constexpr int kUnwritableReport = 2;  // like any other mistake on the command line

CheckContext checkContext(const CommandLine& options) {
    const QString mode = options.headless ? QStringLiteral("headless")
                         : options.batch  ? QStringLiteral("batch")
                                          : QStringLiteral("window");
    return {options.card, mode, options.simulate ? QStringLiteral("simulated") : options.device, options.faultOptions};
}

// The diagnosis and the report come once the event loop is over: after the verdict, a lost port
// or a signal alike.
int runHeadless(Card& card, Clock& clock, const CommandLine& options, CheckJournal* journal,
                std::function<void(const QString&)>& portLost) {
    bool lost = false;
    HeadlessRun run(card, clock, QCoreApplication::applicationDirPath(), [&lost](const QString& line) {
        if (lost) return;  // nothing read from a port that is gone may be reported as a verdict
        std::printf("%s\n", qPrintable(line));
        std::fflush(stdout);
    });
    portLost = [&lost, &run](const QString& message) {
        lost = true;
        run.portLost(kPortUnusable);
        printError(message);
        // Called inside a port operation: the end waits for the event loop.
        QMetaObject::invokeMethod(
            qApp, [] { QCoreApplication::exit(kPortUnusable); }, Qt::QueuedConnection);
    };
    if (journal) journal->follow(run.recorder());
    ExitSignals exitSignals([&run](int signal) { run.stop(128 + signal); });
    QObject::connect(&run, &HeadlessRun::finished,
                     [&lost](int status) { QCoreApplication::exit(lost ? kPortUnusable : status); });
    run.start();
    const int status = QCoreApplication::exec();
    for (const QString& line : diagnosisLines(run.record())) printError(line);
    if (options.reportPath.isEmpty()) return status;
    if (auto error = writeReport(options.reportPath, reportDocument(run.record(), checkContext(options))))
        printError(*error);
    return status;
}

// The history is opened when the test window first loads: the menu and the manual panel keep none.
int runWindows(Card& card, Clock& clock, const std::function<CheckJournal*()>& openJournal,
               std::function<void(const QString&)>& portLost) {
    Navigator navigator(card, clock, QCoreApplication::applicationDirPath(),
                        [](int status) { QCoreApplication::exit(status); });
    // Every check made in the test window goes into the history, as a headless one does.
    navigator.setOnForm3Loaded([&clock, &openJournal](Form3& window) {
        auto* recorder = new RunRecorder(window, clock);
        if (CheckJournal* journal = openJournal()) journal->follow(*recorder);
    });
    portLost = [](const QString& message) {
        leaveOnLostPort(message, [](int status) { QCoreApplication::exit(status); });
    };
    ExitSignals exitSignals([&navigator](int signal) { navigator.endOnSignal(signal); });
    navigator.start();
    return QCoreApplication::exec();
}

// The station for a stack of cards. Every way out switches the relays off first: the window's
// close, SALIR, a signal; a lost port records the check cut short and leaves as the windows do.
int runBatch(Card& card, Clock& clock, const CommandLine& options, CheckJournal* journal,
             std::function<void(const QString&)>& portLost) {
    const auto endProgram = [](int status) { QCoreApplication::exit(status); };
    BatchWindow window(card, clock,
                       {QCoreApplication::applicationDirPath(), checkContext(options).port,
                        journal ? journal->path() : QString(), journal, endProgram});
    portLost = [&window, endProgram](const QString& message) {
        window.portLost();
        leaveOnLostPort(message, endProgram);
    };
    ExitSignals exitSignals([&window](int signal) { window.endOnSignal(signal); });
    window.show();
    return QCoreApplication::exec();
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication::setApplicationName(QStringLiteral("cardcheck"));
    ParsedCommandLine parsed;
    {
        // Qt's own words on the command line come from its translation, which needs an application
        // object. The windows' one can only be made once the options say whether to do without a display.
        QCoreApplication reading(argc, argv);
        installQtTranslation(reading);
        parsed = parseCommandLine(QCoreApplication::arguments());
    }
    if (!parsed.options) {
        std::fputs(qPrintable(parsed.text), parsed.exitStatus == 0 ? stdout : stderr);
        return parsed.exitStatus;
    }
    const CommandLine& options = *parsed.options;
    if (options.listPorts) {
        std::fputs(qPrintable(portsListing()), stdout);
        return 0;
    }
    if (options.listHistory || !options.historyCsv.isEmpty()) {
        QCoreApplication reading(argc, argv);
        return printHistory(options);
    }
    // The headless run needs no display at all.
    if (options.headless && !qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");

    // A report that could not be written at the end would leave a checked card without its record.
    if (!options.reportPath.isEmpty()) {
        if (auto problem = reportPathProblem(options.reportPath)) {
            printError(*problem);
            return kUnwritableReport;
        }
    }

    RealClock clock;
    std::function<void(const QString&)> portLost;
    auto opened = openCard(options, clock, [&portLost](const QString& message) {
        if (portLost) portLost(message);
    });
    if (auto* error = std::get_if<PortAccessError>(&opened)) {
        printError(error->message());
        if (!options.headless && canShowDialogs()) {
            QApplication app(argc, argv);
            installQtTranslation(app);
            showAccessErrorDialog(error->message());
        }
        return kPortUnusable;
    }
    QApplication app(argc, argv);
    installQtTranslation(app);
    std::unique_ptr<Port> port = std::move(std::get<std::unique_ptr<Port>>(opened));
    Card card(*port, clock);
    // The history never decides a check: one that cannot be used says so once, and the check goes on.
    std::optional<CheckJournal> journal;
    const std::function<CheckJournal*()> openJournal = [&journal, &options]() -> CheckJournal* {
        if (!options.keepHistory) return nullptr;
        if (!journal) journal.emplace(historyPath(options), checkContext(options), printError);
        return &*journal;
    };
    if (options.batch) return runBatch(card, clock, options, openJournal(), portLost);
    return options.headless ? runHeadless(card, clock, options, openJournal(), portLost)
                            : runWindows(card, clock, openJournal, portLost);
}
