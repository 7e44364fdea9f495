#include <cstdio>

#include <QApplication>

#include "app/command_line.h"
#include "app/exit_signals.h"
#include "app/history_commands.h"
#include "app/navigator.h"
#include "app/ports_listing.h"
#include "app/qt_messages.h"
#include "app/start_up.h"
#include "app/translation.h"
#include "assets/check_picture.h"
#include "batch/batch_window.h"
#include "card/card.h"
#include "card/clock.h"
#include "card/port.h"
#include "check/offscreen_check.h"
#include "check/run_recorder.h"
#include "history/check_journal.h"
#include "history/lab_sender.h"
#include "history/report_document.h"
#include "history/run_report.h"
#include "lab/lab_settings.h"
#include "record/wording.h"

namespace {

constexpr int kUnwritableFile = 2;  // like any other mistake on the command line
constexpr int kRefusedSettings = 2;
constexpr int kLabExitWaitMs = 1000;

CheckContext checkContext(const CommandLine& options, const QString& station = {}) {
    const CheckMode mode = options.mode == Mode::Headless ? CheckMode::Headless
                           : options.mode == Mode::Batch  ? CheckMode::Batch
                                                          : CheckMode::Window;
    return {options.card, mode, options.simulate ? QString() : options.device, options.faultOptions, station};
}

// The end waits for the local history only; the lab sender gets about a second to finish what it
// sends. One that still waits on the network (a connect or a query that nobody answers) cannot be
// ended from outside, so it is left, and the program ends at once with _Exit: no destructor, Qt's
// static ones included, runs under its thread. What it did not send waits in the local history,
// whose SQLite file a process that ends at any moment never damages.
int finish(std::unique_ptr<LabSender> sender, int status) {
    if (!sender || sender->stop(kLabExitWaitMs)) return status;
    static_cast<void>(sender.release());
    std::fflush(nullptr);
    std::_Exit(status);
}

// The diagnosis and the report come once the event loop is over: after the verdict, a lost port
// or a signal alike.
int runHeadless(Card& card, Clock& clock, const CommandLine& options, CheckJournal* journal,
                std::function<void(const QString&)>& portLost) {
    bool lost = false;
    OffscreenCheck run(card, clock, QCoreApplication::applicationDirPath(), {Outcome::Fail, true});
    QObject::connect(&run, &OffscreenCheck::lineAdded, [&lost](const QString& line) {
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
    if (journal) keepInJournal(run.recorder(), *journal);
    ExitSignals exitSignals([&run](int signal) { run.stop(128 + signal); });
    QObject::connect(&run, &OffscreenCheck::ended, [&lost](const RunRecord& record) {
        QCoreApplication::exit(lost ? kPortUnusable : record.exitStatus.value_or(OffscreenCheck::kTestFailed));
    });
    run.start();
    const int status = QCoreApplication::exec();
    for (const QString& line : diagnosisLines(run.record())) printError(line);
    if (!options.reportPath.isEmpty()) {
        const QByteArray report = reportDocument(run.record(), checkContext(options)).toJson();
        if (auto error = writeRunFile(options.reportPath, report, RunFile::Report)) printError(*error);
    }
    if (!options.picturePath.isEmpty()) {
        if (auto error = writeRunFile(options.picturePath, checkPicturePng(run.record()), RunFile::Picture))
            printError(*error);
    }
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
        if (CheckJournal* journal = openJournal()) keepInJournal(*recorder, *journal);
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
int runBatch(Card& card, Clock& clock, const CommandLine& options, const QString& labHistory, CheckJournal* journal,
             std::function<void(const QString&)>& portLost, std::function<void(const QString&)>& labProblem) {
    const auto endProgram = [](int status) { QCoreApplication::exit(status); };
    BatchWindow window(card, clock,
                       {QCoreApplication::applicationDirPath(), checkContext(options).device,
                        journal ? journal->path() : QString(), labHistory, journal, endProgram});
    portLost = [&window, endProgram](const QString& message) {
        window.portLost();
        leaveOnLostPort(message, endProgram);
    };
    labProblem = [&window](const QString& message) { window.showLabProblem(message); };
    ExitSignals exitSignals([&window](int signal) { window.endOnSignal(signal); });
    window.show();
    const int status = QCoreApplication::exec();
    labProblem = nullptr;
    return status;
}

}  // namespace

int main(int argc, char* argv[]) {
    keepQtMessagesForTechnicians();
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
    if (options.mode == Mode::Ports) {
        std::fputs(qPrintable(portsListing()), stdout);
        return 0;
    }
    // A lab history or a station's name that cannot be used is refused before the port is touched.
    const auto settings = resolveLabSettings(options.labHistory, options.station);
    if (auto* refused = std::get_if<QString>(&settings)) {
        printError(*refused);
        return kRefusedSettings;
    }
    const LabSettings& lab = std::get<LabSettings>(settings);
    if (options.mode == Mode::List || options.mode == Mode::Csv || options.mode == Mode::Sync ||
        options.mode == Mode::Stats) {
        QCoreApplication reading(argc, argv);
        if (options.mode == Mode::Sync) return syncHistory(options, lab.connection, lab.station);
        if (options.mode == Mode::Stats) return printFigures(options, lab.connection);
        return printHistory(options, lab.connection);
    }
    // The headless run needs no display at all.
    const bool headless = options.mode == Mode::Headless;
    if (headless && !qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");

    // A report or a picture that could not be written at the end would leave a checked card
    // without its record.
    for (const auto& [path, file] :
         {std::pair(options.reportPath, RunFile::Report), std::pair(options.picturePath, RunFile::Picture)}) {
        if (path.isEmpty()) continue;
        if (auto problem = runFilePathProblem(path, file)) {
            printError(*problem);
            return kUnwritableFile;
        }
    }

    RealClock clock;
    std::function<void(const QString&)> portLost;
    auto opened = openCard(options, clock, [&portLost](const QString& message) {
        if (portLost) portLost(message);
    });
    if (auto* error = std::get_if<PortAccessError>(&opened)) {
        printError(error->message());
        if (!headless && canShowDialogs()) {
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
    // The lab history is sent what the local one keeps, from a thread of its own.
    std::function<void(const QString&)> labProblem;  // the station window's line, while it is open
    std::unique_ptr<LabSender> sender;
    if (options.keepHistory && !lab.connection.isEmpty())
        sender = std::make_unique<LabSender>(historyPath(options), lab.connection, lab.station,
                                             [&labProblem](const QString& message) {
                                                 printError(message);
                                                 QMetaObject::invokeMethod(
                                                     qApp,
                                                     [&labProblem, message] {
                                                         if (labProblem) labProblem(message);
                                                     },
                                                     Qt::QueuedConnection);
                                             });
    // The windows open it only once the test window first loads: the menu needs none.
    std::optional<CheckJournal> journal;
    const std::function<CheckJournal*()> openJournal = [&]() -> CheckJournal* {
        if (!options.keepHistory) return nullptr;
        if (!journal)
            journal.emplace(historyPath(options), checkContext(options, lab.station), printError,
                            [sender = sender.get()] {
                                if (sender) sender->wake();
                            });
        return &*journal;
    };
    const int status = options.mode == Mode::Batch
                           ? runBatch(card, clock, options, lab.connection, openJournal(), portLost, labProblem)
                       : headless ? runHeadless(card, clock, options, openJournal(), portLost)
                                  : runWindows(card, clock, openJournal, portLost);
    journal.reset();  // every check written where it is kept
    return finish(std::move(sender), status);
}
