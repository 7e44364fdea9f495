#ifndef LAB_CONNECTION_STRING_H
#define LAB_CONNECTION_STRING_H

#include <variant>

#include <QList>
#include <QString>

// A libpq connection string of key = value pairs ("host=servidor dbname=historial user=puesto07",
// "service=laboratorio"), read by libpq itself (PQconninfoParse): blanks around "=" are optional, a
// value with blanks is written in single quotes, \' and \\ stand for a quote and a backslash, and
// only libpq's own keys are taken.
struct ConnectionSetting {
    QString key;
    QString value;
    bool operator==(const ConnectionSetting&) const = default;
};
using ConnectionSettings = QList<ConnectionSetting>;

// The pairs given, in libpq's order of its keys, or what is wrong with the text, in Spanish. Refused besides a
// malformed text: a password (it belongs in ~/.pgpass), a postgresql:// URI (Qt's driver takes pairs only) and a ";"
// (Qt's driver turns every one into a blank).
std::variant<ConnectionSettings, QString> parseConnectionString(const QString& text);

// The pairs as one string again, each value quoted, so that it reads back the same.
QString connectionString(const ConnectionSettings& settings);

#endif
