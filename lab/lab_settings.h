#ifndef LAB_LAB_SETTINGS_H
#define LAB_LAB_SETTINGS_H

#include <optional>
#include <variant>

#include <QString>

// Which lab history a run sends its checks to, and under which station name.
struct LabSettings {
    QString connection;  // a libpq connection string of key=value pairs; empty: no lab history
    QString station;
};

// The two cardcheck.conf files, section [historial], keys laboratorio= and puesto=.
struct LabSettingsFiles {
    QString user;    // $XDG_CONFIG_HOME/cardcheck/cardcheck.conf ($XDG_CONFIG_HOME: ~/.config)
    QString system;  // /etc/xdg/cardcheck/cardcheck.conf, for every user of the PC
};
LabSettingsFiles defaultLabSettingsFiles();

// Each value from the first place that gives it: the command line (--lab-history, --station), the
// user's file, the system's file; the station's name defaults to the host name. An empty
// connection string anywhere means no lab history, so "--lab-history ''" turns the files' off.
// A value that cannot be used is refused with a Spanish message that says where it came from
// (the program then ends with status 2).
std::variant<LabSettings, QString> resolveLabSettings(const std::optional<QString>& labHistory,
                                                      const std::optional<QString>& station,
                                                      const LabSettingsFiles& files = defaultLabSettingsFiles());

// What is wrong with a station's name (1 to 64 characters, none of them a control character), in
// Spanish, or nothing.
std::optional<QString> stationNameProblem(const QString& name);

#endif
