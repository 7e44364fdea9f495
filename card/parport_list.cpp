#include "card/parport_list.h"

#include <algorithm>
#include <cerrno>
#include <vector>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <grp.h>
#include <linux/major.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

// The first line of one of the kernel's files, or nothing when it cannot be read.
std::optional<QString> firstLine(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    return QString::fromLocal8Bit(file.readLine()).trimmed();
}

QString portFolder(const ParportPlaces& places, int number) {
    return places.proc + QStringLiteral("/parport%1").arg(number);
}

// The programs of this user (of every user, for root) that have the device open, as "name (pid N)".
QStringList programsUsing(const QString& device, const ParportPlaces& places) {
    const QString canonical = QFileInfo(device).canonicalFilePath();
    const QString self = QString::number(::getpid());
    QStringList programs;
    const QDir processes(places.processes);
    for (const QString& pid : processes.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (pid == self || !pid.front().isDigit()) continue;
        const QDir fds(processes.filePath(pid + QStringLiteral("/fd")));
        const QStringList links = fds.entryList(QDir::System | QDir::Files | QDir::NoDotAndDotDot);
        const bool uses = std::any_of(links.begin(), links.end(), [&](const QString& link) {
            const QString target = QFile::symLinkTarget(fds.filePath(link));
            return !target.isEmpty() && (target == device || target == canonical);
        });
        if (uses)
            programs << QStringLiteral("%1 (pid %2)")
                            .arg(firstLine(processes.filePath(pid + QStringLiteral("/comm"))).value_or(QString()), pid);
    }
    return programs;
}

}  // namespace

QString ParportPlaces::kernelPorts() {
    const QString copy = qEnvironmentVariable("CARDCHECK_PARPORT_PROC");
    return copy.isEmpty() ? QStringLiteral("/proc/sys/dev/parport") : copy;
}

QList<Parport> listParports(const ParportPlaces& places) {
    static const QRegularExpression name(QStringLiteral("^parport(\\d+)$"));
    QList<Parport> ports;
    for (const QString& folder : QDir(places.proc).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QRegularExpressionMatch match = name.match(folder);
        if (!match.hasMatch()) continue;  // "default" holds the settings for every port
        Parport port;
        port.number = match.captured(1).toInt();
        const QString path = portFolder(places, port.number);
        // base-addr: the base and the ECP registers' base, in decimal.
        port.base =
            firstLine(path + QStringLiteral("/base-addr")).value_or(QString()).section(u'\t', 0, 0).toULongLong();
        bool known = false;
        const int irq = firstLine(path + QStringLiteral("/irq")).value_or(QString()).toInt(&known);
        port.irq = known ? irq : -1;
        port.modes = firstLine(path + QStringLiteral("/modes")).value_or(QString());
        port.holder = portHolder(port.number, places).value_or(QString());
        ports << port;
    }
    std::sort(ports.begin(), ports.end(), [](const Parport& a, const Parport& b) { return a.number < b.number; });
    return ports;
}

std::optional<QString> portHolder(int number, const ParportPlaces& places) {
    auto holder = firstLine(portFolder(places, number) + QStringLiteral("/devices/active"));
    if (holder && holder->isEmpty()) return std::nullopt;
    return holder;
}

QString holderText(const QString& holder, int number, const ParportPlaces& places) {
    if (holder == u"lp") return QStringLiteral("el controlador de impresora (lp)");
    // ppdev names its claim after the device's minor, in hexadecimal: ppdev0 for /dev/parport0.
    if (!holder.startsWith(u"ppdev")) return QStringLiteral("el controlador %1").arg(holder);
    const QStringList programs = programsUsing(places.device(number), places);
    if (programs.isEmpty()) return QStringLiteral("otro programa (%1)").arg(holder);
    return QStringLiteral("otro programa: %1").arg(programs.join(QStringLiteral(", ")));
}

QString addressText(quint64 base) {
    return QStringLiteral("0x%1 (%2)").arg(base, 0, 16).arg(base);
}

QString portsSummary(const QList<Parport>& ports, const ParportPlaces& places) {
    QStringList parts;
    for (const Parport& port : ports)
        parts << QStringLiteral("%1 en 0x%2").arg(places.device(port.number)).arg(port.base, 0, 16);
    return parts.join(QStringLiteral(", "));
}

std::optional<QString> deviceAccessProblem(const QString& device) {
    const QByteArray path = QFile::encodeName(device);
    struct stat status {};
    if (::stat(path.constData(), &status) != 0)
        return errno == ENOENT
                   ? QStringLiteral("falta %1: el módulo ppdev no está cargado (sudo modprobe ppdev)").arg(device)
                   : QStringLiteral("no se puede consultar %1").arg(device);
    if (::access(path.constData(), R_OK | W_OK) == 0) return std::nullopt;

    const struct group* owner = ::getgrgid(status.st_gid);
    const QString group = owner ? QString::fromLocal8Bit(owner->gr_name) : QString::number(status.st_gid);
    std::vector<gid_t> groups(std::max(::getgroups(0, nullptr), 0));
    groups.resize(std::max(::getgroups(static_cast<int>(groups.size()), groups.data()), 0));
    const bool inSession = ::getegid() == status.st_gid || std::ranges::find(groups, status.st_gid) != groups.end();
    if (inSession)
        return QStringLiteral("el grupo %1 no puede leer y escribir en %2 (permisos %3)")
            .arg(group, device)
            .arg(status.st_mode & 0777, 4, 8, QChar(u'0'));
    // Listed in the group but not in this session's groups: the session began before.
    const struct passwd* user = ::getpwuid(::getuid());
    bool listed = false;
    for (char** member = owner ? owner->gr_mem : nullptr; user && member && *member; ++member)
        listed = listed || qstrcmp(*member, user->pw_name) == 0;
    if (listed)
        return QStringLiteral("su usuario está en el grupo %1, pero esta sesión empezó antes: vuelva a iniciarla")
            .arg(group);
    return QStringLiteral("su usuario no está en el grupo %1 (sudo usermod -aG %1 $USER y vuelva a iniciar la sesión)")
        .arg(group);
}

int parportNumber(int fd) {
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISCHR(status.st_mode) || major(status.st_rdev) != PP_MAJOR) return -1;
    return static_cast<int>(minor(status.st_rdev));
}
