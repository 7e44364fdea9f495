#ifndef HISTORY_HISTORY_DATABASE_H
#define HISTORY_HISTORY_DATABASE_H

#include <functional>
#include <memory>
#include <optional>
#include <variant>

#include <QDateTime>
#include <QJsonObject>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>

#include "history/checks_table.h"
#include "record/run_record.h"

// The history of checks: one SQLite file, one row per check in the table checks
// (history/checks_table.h), its schema version in PRAGMA user_version, written in WAL mode.
// Every connection lives in the thread that opened it.
class HistoryDatabase {
public:
    static constexpr int kSchemaVersion = kLocalSchemaVersion;
    static constexpr int kBusyTimeoutMs = 5000;

    // Opens the history at path, creating it (and its folder) when create is set; or says in
    // Spanish what is wrong with it, naming the file. A file that is not a database is never touched.
    static std::variant<std::unique_ptr<HistoryDatabase>, QString> open(const QString& path, bool create);
    ~HistoryDatabase();
    HistoryDatabase(const HistoryDatabase&) = delete;
    HistoryDatabase& operator=(const HistoryDatabase&) = delete;

    QSqlDatabase database() const;
    const QString& path() const { return path_; }
    // A history opened to be read may be of an earlier version; one opened to write is migrated.
    int schemaVersion() const { return schemaVersion_; }

    // A check that starts: its row, with the outcome "running"; gives back its id, or what went wrong.
    std::variant<qint64, QString> insert(const RunRecord& record, const CheckContext& context);
    // The same check at its end, written durably.
    std::optional<QString> complete(qint64 id, const RunRecord& record, const CheckContext& context);

    // Why the history is not used there, or nothing: a network file system, where SQLite's locks
    // do not hold.
    static std::optional<QString> networkFileSystem(const QString& path);

private:
    HistoryDatabase(QString path, QString connection) : path_(std::move(path)), connection_(std::move(connection)) {}
    std::optional<QString> prepareSchema(bool create, bool& transientFailure);
    QString problem(const QString& cause) const;

    QString path_;
    QString connection_;
    int schemaVersion_ = 0;
};

// Where the history is kept when --history does not say: historial.sqlite in the user's data folder.
QString defaultHistoryPath();

// This program, for the owner column: the boot, the process and when it started.
QString thisProgram();
// Whether the program named by an owner column is still running.
bool programRunning(const QString& owner);

// What an SQLite error means, in the user's words; what SQLite said goes to cardcheck.history.
QString sqliteCause(const class QSqlError& error);

#endif
