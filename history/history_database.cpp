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

#include "history/checks_table.h"

#include <unistd.h>

namespace {

const QByteArray kSqliteHeader("SQLite format 3\0", 16);

// File systems where SQLite's locks and shared memory do not hold between two computers.
const QList<QByteArray> kNetworkFileSystems{"nfs",   "nfs4",  "cifs",       "smb3",      "smbfs",          "9p",
                                            "afs",   "ceph",  "fuse.sshfs", "glusterfs", "fuse.glusterfs", "lustre",
                                            "ncpfs", "davfs", "fuse.davfs2"};

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
    // The error given, or else the query's last.
    auto failed = [&query, &transientFailure](const std::optional<QSqlError>& given = std::nullopt) {
        const QSqlError error = given.value_or(query.lastError());
        transientFailure = transient(error);
        return sqliteCause(error);
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
    query.finish();  // a statement left open would keep the table locked against the steps
    std::optional<QSqlError> stepFailed = done ? migrateChecks(database(), version) : std::nullopt;
    done = done && !stepFailed && query.exec(QStringLiteral("PRAGMA user_version = %1").arg(kSchemaVersion));
    done = done && query.exec(QStringLiteral("COMMIT"));
    if (done) {
        schemaVersion_ = kSchemaVersion;
        return std::nullopt;
    }
    const QString error = failed(stepFailed);
    QSqlQuery(database()).exec(QStringLiteral("ROLLBACK"));
    return error;
}

std::variant<qint64, QString> HistoryDatabase::insert(const RunRecord& record, const CheckContext& context) {
    QSqlQuery query = insertCheck(database(), record, context, thisProgram());
    if (!execute(query)) return problem(sqliteCause(query.lastError()));
    return query.lastInsertId().toLongLong();
}

std::optional<QString> HistoryDatabase::complete(qint64 id, const RunRecord& record, const CheckContext& context) {
    QSqlQuery query = completeCheck(database(), id, record, context);
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
