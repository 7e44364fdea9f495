#include "app/start_up.h"

#include <cstdio>

#include <QApplication>
#include <QMessageBox>

#include "card/simulated_card.h"

std::variant<std::unique_ptr<Port>, PortAccessError> openCard(const CommandLine& options, Clock& clock) {
    if (options.simulate) return std::make_unique<SimulatedCard>(clock, options.faults);
    auto opened = PpdevPort::open(options.device);
    if (auto* error = std::get_if<PortAccessError>(&opened)) return *error;
    return std::unique_ptr<Port>(std::move(std::get<std::unique_ptr<PpdevPort>>(opened)));
}

void reportAccessError(const QString& message, bool withDialog, int argc, char* argv[]) {
    std::fprintf(stderr, "%s\n", qPrintable(message));
    std::fflush(stderr);
    const bool screen = qEnvironmentVariableIsSet("DISPLAY") || qEnvironmentVariableIsSet("WAYLAND_DISPLAY");
    const QString platform = qEnvironmentVariable("QT_QPA_PLATFORM");
    // The offscreen and minimal platforms have nobody to click the button.
    if (!withDialog || !screen || platform == u"offscreen" || platform == u"minimal") return;
    QApplication app(argc, argv);
    QMessageBox box(QMessageBox::Critical, QStringLiteral("PRUEBA DE CONTROL DE LA TARJETA"), message, QMessageBox::Ok);
    box.exec();
}
