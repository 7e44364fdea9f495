#include <cstdio>

#include <QApplication>

#include "app/auto_run.h"
#include "app/command_line.h"
#include "app/exit_signals.h"
#include "app/navigator.h"
#include "app/start_up.h"
#include "app/translation.h"
#include "card/card.h"
#include "card/clock.h"
#include "card/port.h"
#include "widgets/screen.h"

namespace {

constexpr int kNoCard = 2;

int runUnseen(Card& card, std::function<void(const QString&)>& portLost) {
    AutoRun run(card, QCoreApplication::applicationDirPath(), [](const QString& line) {
        std::printf("%s\n", qPrintable(line));
        std::fflush(stdout);
    });
    portLost = [](const QString& message) {
        printAccessError(message);
        std::_Exit(kNoCard);  // nothing of a lost port may be reported as a verdict
    };
    ExitSignals exitSignals([&run](int signal) { run.stop(128 + signal); });
    QObject::connect(&run, &AutoRun::finished, [](int status) { QCoreApplication::exit(status); });
    run.start();
    return QCoreApplication::exec();
}

int runWindows(Card& card, std::function<void(const QString&)>& portLost) {
    card.setBeforeWait(repaintVisibleWindows);
    Navigator navigator(card, QCoreApplication::applicationDirPath(),
                        [](int status) { QCoreApplication::exit(status); });
    portLost = [](const QString& message) {
        withdrawAllWindows();
        printAccessError(message);
        if (canShowDialogs()) showAccessErrorDialog(message);
        QCoreApplication::exit(kNoCard);
    };
    ExitSignals exitSignals([&navigator](int signal) { navigator.endOnSignal(signal); });
    navigator.start();
    return QCoreApplication::exec();
}

}  // namespace

int main(int argc, char* argv[]) {
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
    // The unseen run needs no display at all.
    if (options.autoRun && !qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");

    RealClock clock;
    std::function<void(const QString&)> portLost;
    auto opened = openCard(options, clock, [&portLost](const QString& message) {
        if (portLost) portLost(message);
    });
    if (auto* error = std::get_if<PortAccessError>(&opened)) {
        printAccessError(error->message());
        if (!options.autoRun && canShowDialogs()) {
            QApplication app(argc, argv);
            installQtTranslation(app);
            showAccessErrorDialog(error->message());
        }
        return kNoCard;
    }
    QApplication app(argc, argv);
    installQtTranslation(app);
    std::unique_ptr<Port> port = std::move(std::get<std::unique_ptr<Port>>(opened));
    Card card(*port, clock);
    return options.autoRun ? runUnseen(card, portLost) : runWindows(card, portLost);
}
