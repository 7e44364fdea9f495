#ifndef CARD_PPDEV_PORT_H
#define CARD_PPDEV_PORT_H

#include <functional>
#include <memory>
#include <variant>

#include <QString>

#include "card/parport_list.h"
#include "card/port.h"

// Why the port could not be used, worded for the user: which device, what went wrong, what to do.
struct PortAccessError {
    QString device;
    QString cause;
    QString advice;
    QString message() const;
};

// The parallel port through the kernel's ppdev interface: needs no root, only access to the
// device (the lp group), and works for any port the kernel lists as parportN.
class PpdevPort : public Port {
public:
    // A free port is claimed at once: the limit only cuts short a claim that lost a race for the
    // port, or one made where the kernel does not say who holds it.
    static constexpr int kClaimTimeoutMs = 250;
    static constexpr int kClaimGraceMs = 1000;
    static inline const QString kDefaultDevice = QStringLiteral("/dev/parport0");

    // Opens and claims the device, or says why it cannot. A port that somebody holds is refused at
    // once, never waited for.
    static std::variant<std::unique_ptr<PpdevPort>, PortAccessError> open(const QString& device,
                                                                          const ParportPlaces& places = {});
    // Takes over a descriptor whose port is already claimed; it is released and closed with the port.
    static std::unique_ptr<PpdevPort> adopt(int fd, const QString& device);
    ~PpdevPort() override;

    void PortOut(qint16 port, qint16 value) override;
    qint16 PortIn(qint16 port) override;

    // Called once when a port operation fails after a good start (the device went away). From
    // then on nothing reaches the device and reads give 0; the caller must not show them.
    void setOnLost(std::function<void(const QString&)> onLost) { onLost_ = std::move(onLost); }
    bool lost() const override { return lost_; }

private:
    PpdevPort(int fd, QString device) : fd_(fd), device_(std::move(device)) {}
    void fail(int error);

    int fd_;
    QString device_;
    bool lost_ = false;
    std::function<void(const QString&)> onLost_;
};

#endif
