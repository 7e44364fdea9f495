#include "card/ppdev_port.h"

#include <cerrno>
#include <cstring>
#include <future>
#include <thread>

#include <fcntl.h>
#include <linux/parport.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include "card/registers.h"

namespace {

const QString kTrySimulate = QStringLiteral("Para probar el programa sin tarjeta: cardcheck --simulate");

// An error the messages have no words of their own for, by its name (EIO, EFAULT...): the C
// library's description would be in English.
QString systemError(int error) {
    const char* name = strerrorname_np(error);
    return QStringLiteral("error del sistema %1").arg(name ? QString::fromLatin1(name) : QString::number(error));
}

PortAccessError errorFor(const QString& device, int error) {
    switch (error) {
        case ENOENT:
        case ENODEV:
        case ENXIO:
            return {device, QStringLiteral("no existe ese dispositivo"),
                    QStringLiteral("Cargue el módulo ppdev (sudo modprobe ppdev) y compruebe que el ordenador tiene "
                                   "puerto paralelo. Si la tarjeta está en otro puerto (una tarjeta PCI o PCIe), "
                                   "indíquelo con --port /dev/parportN.")};
        case EACCES:
        case EPERM:
            return {device, QStringLiteral("permiso denegado"),
                    QStringLiteral("Añada su usuario al grupo lp (sudo usermod -aG lp $USER) y vuelva a iniciar "
                                   "la sesión.")};
        case EBUSY:
        case ETIMEDOUT:
            return {device, QStringLiteral("el puerto está ocupado por otro controlador"),
                    QStringLiteral("Descargue el controlador de impresora (sudo rmmod lp) o cierre el programa que "
                                   "usa el puerto.")};
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

// PPCLAIM sleeps for as long as another driver holds the port, so it runs where it can be waited
// for with a limit. A claim that never returns keeps its thread and descriptor until the program ends.
int claimWithin(int fd, int timeoutMs) {
    auto claimed = std::make_shared<std::promise<int>>();
    std::future<int> result = claimed->get_future();
    std::thread([fd, claimed] { claimed->set_value(ioctl(fd, PPCLAIM) == 0 ? 0 : errno); }).detach();
    if (result.wait_for(std::chrono::milliseconds(timeoutMs)) != std::future_status::ready) return ETIMEDOUT;
    return result.get();
}

}  // namespace

QString PortAccessError::message() const {
    return QStringLiteral("No se puede usar el puerto paralelo %1: %2.\n%3\n%4")
        .arg(device, cause, advice, kTrySimulate);
}

std::variant<std::unique_ptr<PpdevPort>, PortAccessError> PpdevPort::open(const QString& device, int claimTimeoutMs) {
    const int fd = ::open(device.toLocal8Bit().constData(), O_RDWR | O_CLOEXEC);
    if (fd < 0) return errorFor(device, errno);
    if (const int error = claimWithin(fd, claimTimeoutMs); error != 0) {
        if (error != ETIMEDOUT) ::close(fd);
        return errorFor(device, error);
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
