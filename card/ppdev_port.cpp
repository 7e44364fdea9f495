#include "card/ppdev_port.h"

#include <cerrno>
#include <cstring>

#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <linux/parport.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include "card/call_within.h"
#include "card/registers.h"

namespace {

const QString kTrySimulate = QStringLiteral("Para probar el programa sin tarjeta: cardcheck --simulate");

// An error the messages have no words of their own for, by its name (EIO, EFAULT...): the C
// library's description would be in English.
QString systemError(int error) {
    const char* name = strerrorname_np(error);
    return QStringLiteral("error del sistema %1").arg(name ? QString::fromLatin1(name) : QString::number(error));
}

// What the user can do about a missing device: the ports this computer has, or how to get one.
QString missingAdvice(const ParportPlaces& places) {
    const QList<Parport> ports = listParports(places);
    if (ports.isEmpty())
        return QStringLiteral(
            "Este ordenador no tiene ningún puerto paralelo que el núcleo conozca: si tiene uno, "
            "cargue sus controladores (sudo modprobe parport_pc ppdev).");
    QString advice = QStringLiteral(
                         "Puertos paralelos de este ordenador: %1. Indique el de la tarjeta con --port "
                         "(cardcheck --ports da más detalles).")
                         .arg(portsSummary(ports, places));
    if (!QFileInfo::exists(places.device(ports.first().number)))
        advice += QStringLiteral(" Sus dispositivos no existen: cargue el módulo ppdev (sudo modprobe ppdev).");
    return advice;
}

// A busy port, by whoever holds it when that is known.
PortAccessError busyError(const QString& device, const QString& holder = QString(), bool printer = false) {
    if (holder.isEmpty())
        return {device, QStringLiteral("el puerto está ocupado"),
                QStringLiteral("Descargue el controlador de impresora (sudo rmmod lp) o cierre el programa que usa "
                               "el puerto. cardcheck --ports dice quién lo tiene.")};
    return {device, QStringLiteral("el puerto está ocupado por %1").arg(holder),
            printer ? QStringLiteral("Descargue el controlador de impresora: sudo rmmod lp")
                    : QStringLiteral("Espere a que termine o ciérrelo, y vuelva a intentarlo.")};
}

PortAccessError errorFor(const QString& device, int error, const ParportPlaces& places) {
    switch (error) {
        case ENOENT:
        case ENODEV:
        case ENXIO:
            return {device, QStringLiteral("no existe ese dispositivo"), missingAdvice(places)};
        case EACCES:
        case EPERM:
            return {device, QStringLiteral("permiso denegado"),
                    QStringLiteral("Añada su usuario al grupo lp (sudo usermod -aG lp $USER) y vuelva a iniciar "
                                   "la sesión.")};
        case EBUSY:
        case ETIMEDOUT:
            return busyError(device);
        case ENOTTY:
        case EINVAL:
            return {device, QStringLiteral("no es un puerto paralelo"),
                    QStringLiteral("Indique con --port el dispositivo del puerto paralelo, por ejemplo "
                                   "/dev/parport0.")};
        default:
            return {device, systemError(error),
                    QStringLiteral("Compruebe el puerto paralelo o indique otro con --port.")};
    }
}

// Why a request failed on a port that had worked.
QString lostCause(int error) {
    switch (error) {
        case EIO:
            return QStringLiteral("error de entrada/salida");
        case ENOENT:
        case ENODEV:
        case ENXIO:
            return QStringLiteral("el dispositivo ya no existe");
        case ENOTTY:
        case EINVAL:
            return QStringLiteral("el dispositivo no acepta las órdenes del puerto paralelo");
        default:
            return systemError(error);
    }
}

}  // namespace

QString PortAccessError::message() const {
    return QStringLiteral("No se puede usar el puerto paralelo %1: %2.\n%3\n%4")
        .arg(device, cause, advice, kTrySimulate);
}

// The kernel's claim sleeps while another driver holds the port, and it sleeps holding the one lock
// under which ppdev runs every request of every program: a claim that waits holds up every other
// program's port. So a port that somebody holds is refused without a claim.
std::variant<std::unique_ptr<PpdevPort>, PortAccessError> PpdevPort::open(const QString& device,
                                                                          const ParportPlaces& places) {
    const int fd = ::open(QFile::encodeName(device).constData(), O_RDWR | O_CLOEXEC);
    if (fd < 0) return errorFor(device, errno, places);
    if (const int number = parportNumber(fd); number >= 0) {
        if (const auto holder = portHolder(number, places); holder && *holder != u"none") {
            ::close(fd);
            return busyError(device, holderText(*holder, number, places), *holder == u"lp");
        }
    }
    const auto claimed =
        callWithin([fd] { return ioctl(fd, PPCLAIM) == 0 ? 0 : errno; }, kClaimTimeoutMs, kClaimGraceMs,
                   [fd](int result) {
                       if (result == 0) ioctl(fd, PPRELEASE);
                       ::close(fd);
                   });
    if (!claimed) return busyError(device);
    if (*claimed != 0) {
        // Closing also takes a claim that was given up out of the port's queue, so the kernel never
        // hands the port to it later.
        ::close(fd);
        return errorFor(device, *claimed, places);
    }
    return adopt(fd, device);
}

std::unique_ptr<PpdevPort> PpdevPort::adopt(int fd, const QString& device) {
    return std::unique_ptr<PpdevPort>(new PpdevPort(fd, device));
}

PpdevPort::~PpdevPort() {
    if (!lost_) ioctl(fd_, PPRELEASE);
    ::close(fd_);
}

void PpdevPort::fail(int error) {
    if (lost_) return;
    lost_ = true;
    if (onLost_)
        onLost_(QStringLiteral("Se ha perdido el acceso al puerto paralelo %1: %2. No se leerá ni se escribirá "
                               "nada más en la tarjeta.")
                    .arg(device_, lostCause(error)));
}

void PpdevPort::PortOut(qint16 port, qint16 value) {
    if (lost_) return;
    unsigned char byte = static_cast<unsigned char>(value & 0xFF);
    const unsigned long request = port == DataPort ? PPWDATA : port == ControlPort ? PPWCONTROL : 0;
    if (request == 0) return;  // the card has no other writable register
    if (ioctl(fd_, request, &byte) != 0) fail(errno);
}

qint16 PpdevPort::PortIn(qint16 port) {
    if (lost_ || port != StatusPort) return 0;
    unsigned char byte = 0;
    if (ioctl(fd_, PPRSTATUS, &byte) != 0) {
        fail(errno);
        return 0;
    }
    return byte;
}
