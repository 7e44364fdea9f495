#include "lab/lab_settings.h"

#include <QDir>
#include <QSettings>
#include <QStringList>
#include <QSysInfo>

#include "lab/connection_string.h"

namespace {

constexpr qsizetype kMaxStationLength = 64;

struct Found {
    QString value;
    QString where;  // in the user's words, for a message
};

// A value of [historial] and where it was found, or why the file cannot be read.
struct Lookup {
    std::optional<Found> found;
    QString problem;
};

// The value of [historial] key in a file, if the file sets it. QSettings reads a value with
// commas as a list; it is joined again, as libpq's host lists use commas.
Lookup fileValue(const QString& path, const QString& key) {
    QSettings file(path, QSettings::IniFormat);
    if (file.status() == QSettings::AccessError) return {{}, QStringLiteral("No se puede leer %1.").arg(path)};
    if (file.status() == QSettings::FormatError) return {{}, QStringLiteral("%1 está mal escrito.").arg(path)};
    file.beginGroup(QStringLiteral("historial"));
    if (!file.contains(key)) return {};
    const QVariant value = file.value(key);
    const QString text = value.typeId() == QMetaType::QStringList ? value.toStringList().join(u',') : value.toString();
    return {Found{text, QStringLiteral("%1 en %2").arg(key, path)}, {}};
}

// The first of the command line, the user's file and the system's file that gives key.
Lookup lookUp(const std::optional<QString>& commandLine, const QString& option, const QString& key,
              const LabSettingsFiles& files) {
    if (commandLine) return {Found{*commandLine, option}, {}};
    for (const QString& path : {files.user, files.system}) {
        if (path.isEmpty()) continue;
        Lookup lookup = fileValue(path, key);
        if (lookup.found || !lookup.problem.isEmpty()) return lookup;
    }
    return {};
}

}  // namespace

LabSettingsFiles defaultLabSettingsFiles() {
    QString configHome = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (configHome.isEmpty()) configHome = QDir::homePath() + QStringLiteral("/.config");
    return {configHome + QStringLiteral("/cardcheck/cardcheck.conf"),
            QStringLiteral("/etc/xdg/cardcheck/cardcheck.conf")};
}

std::optional<QString> stationNameProblem(const QString& name) {
    if (name.isEmpty()) return QStringLiteral("está vacío");
    if (name.size() > kMaxStationLength)
        return QStringLiteral("tiene %1 caracteres y no puede pasar de %2").arg(name.size()).arg(kMaxStationLength);
    for (const QChar c : name)
        if (c.category() == QChar::Other_Control) return QStringLiteral("lleva un carácter de control");
    return std::nullopt;
}

std::variant<LabSettings, QString> resolveLabSettings(const std::optional<QString>& labHistory,
                                                      const std::optional<QString>& station,
                                                      const LabSettingsFiles& files) {
    LabSettings settings;

    const Lookup connection = lookUp(labHistory, QStringLiteral("--lab-history"), QStringLiteral("laboratorio"), files);
    if (!connection.problem.isEmpty()) return connection.problem;
    if (connection.found && !connection.found->value.trimmed().isEmpty()) {
        const auto parsed = parseConnectionString(connection.found->value);
        if (auto* problem = std::get_if<QString>(&parsed))
            return QStringLiteral("La cadena de conexión del historial del laboratorio (%1) no sirve: %2.")
                .arg(connection.found->where, *problem);
        settings.connection = connection.found->value.trimmed();
    }

    const Lookup name = lookUp(station, QStringLiteral("--station"), QStringLiteral("puesto"), files);
    if (!name.problem.isEmpty()) return name.problem;
    settings.station = name.found ? name.found->value.trimmed() : QSysInfo::machineHostName();
    if (auto problem = stationNameProblem(settings.station)) {
        const QString where = name.found ? name.found->where : QStringLiteral("el nombre del equipo");
        return QStringLiteral("El nombre del puesto (%1) no sirve: %2.").arg(where, *problem);
    }
    return settings;
}
