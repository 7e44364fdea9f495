#include "app/start_up.h"

#include <cstdio>

#include <QApplication>
#include <QMessageBox>

#include "card/simulated_card.h"
#include "card/tick_timer.h"

std::variant<std::unique_ptr<Port>, PortAccessError> openCard(const CommandLine& options, Clock& clock,
                                                              std::function<void(const QString&)> onLost) {
    if (options.simulate) return std::make_unique<SimulatedCard>(clock, options.faults);
    auto opened = PpdevPort::open(options.device);
    if (auto* error = std::get_if<PortAccessError>(&opened)) return *error;
    auto port = std::move(std::get<std::unique_ptr<PpdevPort>>(opened));
    port->setOnLost(std::move(onLost));
    return std::unique_ptr<Port>(std::move(port));
}

void leaveOnLostPort(const QString& message, std::function<void(int)> endProgram) {
    for (QWidget* window : QApplication::topLevelWidgets()) {
        stopTickTimers(window, false);
        window->hide();
    }
    printError(message);
    QMetaObject::invokeMethod(
        qApp,
        [message, endProgram = std::move(endProgram)] {
            if (canShowDialogs()) showAccessErrorDialog(message);
            endProgram(kPortUnusable);
        },
        Qt::QueuedConnection);
}

void printError(const QString& message) {
    std::fprintf(stderr, "%s\n", qPrintable(message));
    std::fflush(stderr);
}

bool canShowDialogs() {
    const bool screen = qEnvironmentVariableIsSet("DISPLAY") || qEnvironmentVariableIsSet("WAYLAND_DISPLAY");
    const QString platform = qEnvironmentVariable("QT_QPA_PLATFORM");
    return screen && platform != u"offscreen" && platform != u"minimal";
}

void showAccessErrorDialog(const QString& message) {
    QMessageBox box(QMessageBox::Critical, QStringLiteral("PRUEBA DE CONTROL DE LA TARJETA"), message, QMessageBox::Ok);
    box.exec();
}
