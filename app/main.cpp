#include <cstdio>

#include <QApplication>

#include "app/command_line.h"
#include "app/navigator.h"
#include "app/start_up.h"
#include "card/card.h"
#include "card/clock.h"
#include "card/port.h"
#include "widgets/screen.h"

int main(int argc, char* argv[]) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    const ParsedCommandLine parsed = parseCommandLine(arguments);
    if (!parsed.options) {
        std::fputs(qPrintable(parsed.text), parsed.exitStatus == 0 ? stdout : stderr);
        return parsed.exitStatus;
    }
    const CommandLine& options = *parsed.options;

    RealClock clock;
    auto opened = openCard(options, clock);
    if (auto* error = std::get_if<PortAccessError>(&opened)) {
        reportAccessError(error->message(), !options.autoRun, argc, argv);
        return 2;
    }
    QApplication app(argc, argv);
    std::unique_ptr<Port> port = std::move(std::get<std::unique_ptr<Port>>(opened));
    Card card(*port, clock);
    card.setBeforeWait(repaintVisibleWindows);

    Navigator navigator(card, QCoreApplication::applicationDirPath(), [](int status) { QCoreApplication::exit(status); });
    navigator.start();
    return app.exec();
}
