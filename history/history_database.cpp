#include "history/history_database.h"

#include <atomic>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QStorageInfo>
#include <QThread>
#include <QUuid>

#include "history/check_codec.h"

#include <unistd.h>

namespace {

const QByteArray kSqliteHeader("SQLite format 3\0", 16);

// File systems where SQLite's locks and shared memory do not hold between two computers.
const QList<QByteArray> kNetworkFileSystems{"nfs",   "nfs4",  "cifs",       "smb3",      "smbfs",          "9p",
                                            "afs",   "ceph",  "fuse.sshfs", "glusterfs", "fuse.glusterfs", "lustre",
                                            "ncpfs", "davfs", "fuse.davfs2"};

// One step per schema version. Version 1 kept only the document; version 2 keeps beside it what a
// list shows, and indexes that hold all of it, so that listing reads neither the documents nor
// their pages.
const char* const kStepTo1[] = {
    "CREATE TABLE checks (id INTEGER PRIMARY KEY, started TEXT NOT NULL, finished TEXT, card TEXT, "
    "kind TEXT NOT NULL, mode TEXT NOT NULL, outcome TEXT NOT NULL, owner TEXT NOT NULL, record TEXT NOT NULL)",
    "CREATE INDEX checks_by_card ON checks (card, started)",
    "CREATE INDEX checks_by_started ON checks (started)",
    "CREATE INDEX checks_by_kind ON checks (kind, started)",
    "CREATE INDEX checks_by_outcome ON checks (outcome, started)",
};
const char* const kStepTo2Columns[] = {
    "ALTER TABLE checks ADD COLUMN summary TEXT",       "ALTER TABLE checks ADD COLUMN failed_test INTEGER",
    "ALTER TABLE checks ADD COLUMN failed_inputs TEXT", "ALTER TABLE checks ADD COLUMN port TEXT",
    "ALTER TABLE checks ADD COLUMN version TEXT",       "ALTER TABLE checks ADD COLUMN volts1 REAL",
    "ALTER TABLE checks ADD COLUMN volts2 REAL",        "ALTER TABLE checks ADD COLUMN volts3 REAL",
    "ALTER TABLE checks ADD COLUMN volts4 REAL",
};
// Each index holds every column its reading selects, so a list reads only the index's pages: the
// whole list, one card's list, and the spreadsheet, which shows more.
const char* const kStepTo2Indexes[] = {
    "DROP INDEX checks_by_card",
    "DROP INDEX checks_by_started",
    "CREATE INDEX checks_listed ON checks (started, id, card, kind, outcome, summary)",
    "CREATE INDEX checks_by_card ON checks (card, started, id, kind, outcome, summary)",
    "CREATE INDEX checks_exported ON checks (started, id, card, finished, kind, mode, outcome, summary, "
    "failed_test, failed_inputs, port, version, volts1, volts2, volts3, volts4)",
};
// Version 3 gives each check the identifier the lab history knows it by, the station that made it
// (set for older checks when they are first sent) and whether it waits to be sent: 0 waits,
// 1 sent as it is, 2 sent as interrupted (a running check whose program is gone).
const char* const kStepTo3[] = {
    "ALTER TABLE checks ADD COLUMN uuid TEXT",
    "ALTER TABLE checks ADD COLUMN station TEXT",
    "ALTER TABLE checks ADD COLUMN sent INTEGER NOT NULL DEFAULT 0",
    // A version 4 UUID, as QUuid makes them, for every check kept before.
    "UPDATE checks SET uuid = lower(hex(randomblob(4)) || '-' || hex(randomblob(2)) || '-4' || "
    "substr(hex(randomblob(2)), 2) || '-' || substr('89ab', 1 + abs(random()) % 4, 1) || "
    "substr(hex(randomblob(2)), 2) || '-' || hex(randomblob(6)))",
    "CREATE UNIQUE INDEX checks_by_uuid ON checks (uuid)",
    "CREATE INDEX checks_unsent ON checks (id) WHERE sent = 0",
    // A list shows the station too: its indexes hold it.
    "DROP INDEX checks_listed",
    "DROP INDEX checks_by_card",
    "DROP INDEX checks_exported",
    "CREATE INDEX checks_listed ON checks (started, id, card, kind, outcome, summary, station)",
    "CREATE INDEX checks_by_card ON checks (card, started, id, kind, outcome, summary, station)",
    "CREATE INDEX checks_by_station ON checks (station, started, id, card, kind, outcome, summary)",
    "CREATE INDEX checks_exported ON checks (started, id, card, finished, kind, mode, outcome, summary, "
    "failed_test, failed_inputs, port, version, volts1, volts2, volts3, volts4, station)",
};

// SQLite answers "busy" at once, without waiting out the busy timeout, in a few cases of two
// programs starting or writing together (a lock that would deadlock, a WAL being recovered):
// those are tried again after a moment.
constexpr int kAttempts = 5;
constexpr int kRetryMs = 100;

bool transient(const QSqlError& error) {
    const int code = error.nativeErrorCode().toInt();
    return code == 5 || code == 6 || code == 15;  // SQLITE_BUSY, SQLITE_LOCKED, SQLITE_PROTOCOL
}

// Runs a prepared query, again while SQLite is transiently busy.
bool execute(QSqlQuery& query) {
    for (int attempt = 1;; ++attempt) {
        if (query.exec()) return true;
        if (attempt == kAttempts || !transient(query.lastError())) return false;
        QThread::msleep(kRetryMs);
    }
}

// The folder that holds path, or its nearest ancestor that exists: where the file would be.
QString existingFolder(const QString& path) {
    QDir folder = QFileInfo(path).absoluteDir();
    while (!folder.exists() && !folder.isRoot()) folder.setPath(QFileInfo(folder.absolutePath()).absolutePath());
    return folder.absolutePath();
}

// Field 22 of /proc/PID/stat: when the process started, in clock ticks after boot.
QString processStart(const QString& pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly)) return {};
    const QByteArray text = stat.readAll();
    // The command's name, in parentheses, may hold blanks: count fields after its end.
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    return fields.size() > 19 ? QString::fromLatin1(fields[19]) : QString();
}

QString bootId() {
    QFile file(QStringLiteral("/proc/sys/kernel/random/boot_id"));
    return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll().trimmed()) : QString();
}

}  // namespace

Q_LOGGING_CATEGORY(lcHistory, "cardcheck.history")

// SQLite's primary result codes, in the user's words.
QString sqliteCause(const QSqlError& error) {
    if (error.isValid()) qCWarning(lcHistory).noquote() << "SQLite:" << error.text();
    switch (error.nativeErrorCode().toInt()) {
        case 5:  // SQLITE_BUSY
        case 6:  // SQLITE_LOCKED
            return QStringLiteral("otro programa la tiene bloqueada desde hace más de %1 s")
                .arg(HistoryDatabase::kBusyTimeoutMs / 1000);
        case 8:  // SQLITE_READONLY
            return QStringLiteral("solo se puede leer, no escribir");
        case 10:  // SQLITE_IOERR
            return QStringLiteral("error de entrada/salida al escribir en el disco");
        case 11:  // SQLITE_CORRUPT
            return QStringLiteral("el archivo está dañado");
        case 13:  // SQLITE_FULL
            return QStringLiteral("el disco está lleno");
        case 14:  // SQLITE_CANTOPEN
            return QStringLiteral("no se puede abrir el archivo");
        case 26:  // SQLITE_NOTADB
            return QStringLiteral("no es una base de datos");
        default:
            if (error.databaseText().contains(QStringLiteral("no such"), Qt::CaseInsensitive))
                return QStringLiteral("no tiene las tablas de un historial de cardcheck");
            if (error.nativeErrorCode().isEmpty()) return QStringLiteral("SQLite no puede hacerlo");
            return QStringLiteral("SQLite no puede hacerlo (error %1)").arg(error.nativeErrorCode());
    }
}

std::variant<std::unique_ptr<HistoryDatabase>, QString> HistoryDatabase::open(const QString& path, bool create) {
    static std::atomic<int> connections{0};
    auto refuse = [&path](const QString& cause) {
        return QStringLiteral("No se usa el historial %1: %2.").arg(path, cause);
    };
    if (auto network = networkFileSystem(path)) return refuse(*network);
    const QFileInfo file(path);
    if (file.isDir()) return refuse(QStringLiteral("es una carpeta"));
    if (file.exists() && file.size() > 0) {
        QFile head(path);
        if (!head.open(QIODevice::ReadOnly)) return refuse(QStringLiteral("no se puede leer el archivo"));
        if (head.read(kSqliteHeader.size()) != kSqliteHeader)
            return refuse(QStringLiteral("el archivo no es una base de datos (no se toca)"));
    } else if (!file.exists()) {
        if (!create) return refuse(QStringLiteral("no existe"));
        if (!QDir().mkpath(file.absolutePath()))
            return refuse(QStringLiteral("no se puede crear la carpeta %1").arg(file.absolutePath()));
    }
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QSQLITE")))
        return refuse(QStringLiteral("falta el controlador SQLite de Qt (paquete libqt6sql6-sqlite)"));

    const QString connection = QStringLiteral("cardcheck-history-%1").arg(++connections);
    std::unique_ptr<HistoryDatabase> history(new HistoryDatabase(path, connection));
    QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
    database.setDatabaseName(path);
    database.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(kBusyTimeoutMs));
    if (!database.open()) return refuse(sqliteCause(database.lastError()));
    for (int attempt = 1;; ++attempt) {
        bool transientFailure = false;
        const std::optional<QString> error = history->prepareSchema(create, transientFailure);
        if (!error) break;
        if (attempt == kAttempts || !transientFailure) return refuse(*error);
        QThread::msleep(kRetryMs);
    }
    return history;
}

HistoryDatabase::~HistoryDatabase() {
    QSqlDatabase::database(connection_, false).close();
    QSqlDatabase::removeDatabase(connection_);
}

QSqlDatabase HistoryDatabase::database() const {
    return QSqlDatabase::database(connection_, false);
}

// WAL lets a reader and a writer work at once, and two writers wait for each other within the busy
// timeout; FULL makes every end of a check durable before the program goes on. A reader changes
// nothing, so a history on a read-only medium, or of an earlier version, can still be read.
// transientFailure tells a failure worth another try.
std::optional<QString> HistoryDatabase::prepareSchema(bool create, bool& transientFailure) {
    QSqlQuery query(database());
    auto failed = [&query, &transientFailure] {
        transientFailure = transient(query.lastError());
        return sqliteCause(query.lastError());
    };
    if (!query.exec(QStringLiteral("PRAGMA user_version")) || !query.next()) return failed();
    schemaVersion_ = query.value(0).toInt();
    if (schemaVersion_ > kSchemaVersion)
        return QStringLiteral("lo ha creado una versión más reciente de cardcheck (esquema %1)").arg(schemaVersion_);
    if (!create) {
        if (schemaVersion_ < 1) return QStringLiteral("no es un historial de cardcheck");
        return std::nullopt;
    }
    if (!query.exec(QStringLiteral("PRAGMA journal_mode=WAL")) ||
        !query.exec(QStringLiteral("PRAGMA synchronous=FULL")))
        return failed();
    if (schemaVersion_ == kSchemaVersion) return std::nullopt;
    // Two programs starting at once: the second one finds the work done once it has the lock. A
    // step that fails leaves nothing behind.
    if (!query.exec(QStringLiteral("BEGIN IMMEDIATE"))) return failed();
    bool done = query.exec(QStringLiteral("PRAGMA user_version")) && query.next();
    const int version = done ? query.value(0).toInt() : 0;
    if (done && version < 1) done = runAll(query, kStepTo1);
    if (done && version < 2)
        done = runAll(query, kStepTo2Columns) && fillListedColumns() && runAll(query, kStepTo2Indexes);
    if (done && version < 3) done = runAll(query, kStepTo3);
    done = done && query.exec(QStringLiteral("PRAGMA user_version = %1").arg(kSchemaVersion));
    done = done && query.exec(QStringLiteral("COMMIT"));
    if (done) {
        schemaVersion_ = kSchemaVersion;
        return std::nullopt;
    }
    const QString error = failed();
    QSqlQuery(database()).exec(QStringLiteral("ROLLBACK"));
    return error;
}

// Version 2's columns, for the checks a version 1 kept: from their documents, as they were written.
bool HistoryDatabase::fillListedColumns() {
    QSqlQuery rows(database());
    rows.setForwardOnly(true);
    if (!rows.exec(QStringLiteral("SELECT %1 FROM checks").arg(storedCheckColumns(Store::Local, 1, ColumnSet::Whole))))
        return false;
    QSqlQuery update(database());
    bool prepared = false;
    while (rows.next()) {
        const StoredCheck check = storedCheck(rows);
        const QList<ColumnValue> values = listedValues(check);
        if (!prepared) {
            QStringList assignments;
            for (const ColumnValue& value : values) assignments << value.column + QStringLiteral(" = ?");
            prepared = update.prepare(QStringLiteral("UPDATE checks SET %1 WHERE id = ?").arg(assignments.join(u',')));
            if (!prepared) return false;
        }
        for (const ColumnValue& value : values) update.addBindValue(value.value);
        update.addBindValue(check.id);
        if (!update.exec()) return false;
    }
    return !rows.lastError().isValid();
}

template <std::size_t N>
bool HistoryDatabase::runAll(QSqlQuery& query, const char* const (&statements)[N]) {
    for (const char* statement : statements)
        if (!query.exec(QString::fromLatin1(statement))) return false;
    return true;
}

std::variant<qint64, QString> HistoryDatabase::insert(const RunRecord& record, const CheckContext& context) {
    const QList<ColumnValue> values = rowValues(record, context);
    QStringList columns{QStringLiteral("owner"), QStringLiteral("uuid")};
    for (const ColumnValue& value : values) columns << value.column;
    QSqlQuery query(database());
    query.prepare(QStringLiteral("INSERT INTO checks (%1) VALUES (?, ?%2)")
                      .arg(columns.join(u','), QStringLiteral(", ?").repeated(values.size())));
    query.addBindValue(thisProgram());
    query.addBindValue(QUuid::createUuid().toString(QUuid::WithoutBraces));
    for (const ColumnValue& value : values) query.addBindValue(value.value);
    if (!execute(query)) return problem(sqliteCause(query.lastError()));
    return query.lastInsertId().toLongLong();
}

std::optional<QString> HistoryDatabase::complete(qint64 id, const RunRecord& record, const CheckContext& context) {
    const QList<ColumnValue> values = rowValues(record, context);
    QStringList assignments;
    for (const ColumnValue& value : values) assignments << value.column + QStringLiteral(" = ?");
    QSqlQuery query(database());
    // Its end waits to be sent, as its start did.
    query.prepare(QStringLiteral("UPDATE checks SET %1, sent = %2 WHERE id = ?")
                      .arg(assignments.join(u','))
                      .arg(int(SentState::Waiting)));
    for (const ColumnValue& value : values) query.addBindValue(value.value);
    query.addBindValue(id);
    if (!execute(query)) return problem(sqliteCause(query.lastError()));
    return std::nullopt;
}

QString HistoryDatabase::problem(const QString& cause) const {
    return QStringLiteral("No se puede guardar la comprobación en el historial %1: %2.").arg(path_, cause);
}

std::optional<QString> HistoryDatabase::networkFileSystem(const QString& path) {
    const QByteArray type = QStorageInfo(existingFolder(path)).fileSystemType();
    if (!kNetworkFileSystems.contains(type)) return std::nullopt;
    return QStringLiteral(
               "está en un sistema de archivos de red (%1), donde SQLite no puede bloquear el archivo y "
               "dos puestos que lo compartan lo dañarían. Cada puesto guarda su propio historial en un "
               "disco local")
        .arg(QString::fromLatin1(type));
}

QString defaultHistoryPath() {
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + QStringLiteral("/historial.sqlite");
}

QString thisProgram() {
    static const QString self =
        QStringLiteral("%1:%2:%3").arg(bootId()).arg(getpid()).arg(processStart(QStringLiteral("self")));
    return self;
}

bool programRunning(const QString& owner) {
    const QStringList parts = owner.split(u':');
    if (parts.size() != 3 || parts[0] != bootId()) return false;
    const QString start = processStart(parts[1]);
    return !start.isEmpty() && start == parts[2];
}
