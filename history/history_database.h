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

#include "record/run_record.h"

// The history of checks: one SQLite file, one row per check in the table checks. The columns that
// are searched have their own indexes; the whole record is the JSON document of --report, and what
// a list shows of it is kept beside it, in columns that two indexes hold whole.
//   id        the check's number
//   started   its start, UTC, ISO 8601 ("2026-12-07T09:00:00.123Z"), so that text order is time order
//   finished  its end, likewise; NULL while it runs
//   card      the card's label; NULL when none was given
//   kind      "sequence" or "analog"
//   mode      "window", "headless" or "batch"
//   outcome   "running", "pass", "fail" or "interrupted"
//   owner     the program that writes it while it runs (boot, process), to tell a running check
//             from one that was cut short
//   record    the JSON document
//   summary, failed_test, failed_inputs, port, version, volts1 to volts4: what a list shows of the
//             record (schema version 2 on)
//   uuid      the check's identifier, made by the station, which the lab history knows it by
//   station   the station that made it; NULL for a check kept before version 3 until it is sent
//   sent      a SentState: whether the lab history has it yet (schema version 3 on)
// Every connection lives in the thread that opened it.
class HistoryDatabase {
public:
    static constexpr int kSchemaVersion = 3;
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
    bool fillListedColumns();
    template <std::size_t N>
    static bool runAll(QSqlQuery& query, const char* const (&statements)[N]);
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

// Where a check of a station's own history stands with the lab history (the column sent).
enum class SentState {
    Waiting = 0,          // not sent yet
    Sent = 1,             // sent as it was then (a running check, sent again when it ends)
    SentInterrupted = 2,  // left running by a program that is gone: sent as interrupted
};

// What an SQLite error means, in the user's words; what SQLite said goes to cardcheck.history.
QString sqliteCause(const class QSqlError& error);

#endif
