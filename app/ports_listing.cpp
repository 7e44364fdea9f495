#include "app/ports_listing.h"

#include "card/ppdev_port.h"

namespace {

QString portBlock(const Parport& port, const ParportPlaces& places) {
    const QString device = places.device(port.number);
    QString holder = QStringLiteral("no se sabe");
    if (port.holder == u"none")
        holder = QStringLiteral("nadie, está libre");
    else if (!port.holder.isEmpty())
        holder = holderText(port.holder, port.number, places);
    const auto problem = deviceAccessProblem(device);
    return QStringLiteral(
               "%1\n"
               "  dirección:    %2\n"
               "  interrupción: %3\n"
               "  modos:        %4\n"
               "  en uso por:   %5\n"
               "  acceso:       %6\n")
        .arg(device, addressText(port.base), port.irq < 0 ? QStringLiteral("ninguna") : QString::number(port.irq),
             port.modes, holder, problem ? QStringLiteral("no, ") + *problem : QStringLiteral("puede abrirlo"));
}

}  // namespace

QString portsListing(const ParportPlaces& places) {
    const QList<Parport> ports = listParports(places);
    if (ports.isEmpty())
        return QStringLiteral(
            "Este ordenador no tiene ningún puerto paralelo que el núcleo conozca.\n"
            "Si tiene uno, cargue sus controladores: sudo modprobe parport_pc ppdev\n");
    QString text = QStringLiteral("Puertos paralelos de este ordenador:\n");
    for (const Parport& port : ports) text += u'\n' + portBlock(port, places);
    return text + QStringLiteral("\nIndique el de la tarjeta con --port DISPOSITIVO (por omisión %1).\n")
                      .arg(PpdevPort::kDefaultDevice);
}
