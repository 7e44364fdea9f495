#ifndef CARD_PARPORT_LIST_H
#define CARD_PARPORT_LIST_H

#include <optional>

#include <QList>
#include <QString>

// Where the kernel shows its parallel ports and where their device files and the processes live.
// The defaults are the machine's own; tests give copies.
struct ParportPlaces {
    QString proc = kernelPorts();  // parportN/ with base-addr, irq, modes, devices/active
    QString dev = QStringLiteral("/dev");
    QString processes = QStringLiteral("/proc");

    QString device(int number) const { return dev + QStringLiteral("/parport%1").arg(number); }
    // /proc/sys/dev/parport, unless CARDCHECK_PARPORT_PROC names a copy (the program's own tests).
    static QString kernelPorts();
};

// One port as the kernel lists it. Its number N is that of /dev/parportN, the device's minor.
struct Parport {
    int number = 0;
    quint64 base = 0;
    int irq = -1;  // -1: none
    QString modes;
    QString holder;  // devices/active: "none", "lp", "ppdev0"...; empty when it cannot be read
};

// Every port the kernel knows, by number; none when the parport driver is not loaded.
QList<Parport> listParports(const ParportPlaces& places = {});

// Who holds port number now, as the kernel names it ("none" when free); nothing when it cannot tell.
std::optional<QString> portHolder(int number, const ParportPlaces& places = {});

// The holder in words, for "ocupado por ...": the printer driver, or the program using it through
// ppdev, named with its process when it can be seen.
QString holderText(const QString& holder, int number, const ParportPlaces& places = {});

// "0x378 (888)".
QString addressText(quint64 base);

// "/dev/parport0 en 0x378, /dev/parport1 en 0xd010".
QString portsSummary(const QList<Parport>& ports, const ParportPlaces& places = {});

// Why this user cannot open the device for reading and writing, in words; nothing when they can.
std::optional<QString> deviceAccessProblem(const QString& device);

// The port number of an open descriptor of /dev/parportN (its minor); -1 when it is no such device.
int parportNumber(int fd);

#endif
