#include "lab/lab_database.h"

#include <atomic>

#include <QFile>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>

namespace {

const char* const kDriver = "QPSQL";
const char* const kAdministratorScript = "/usr/share/cardcheck/historial-laboratorio.sql";
// Two stations that find no table at once: the second waits for the first, then finds it made.
const char* const kSchemaLock = "SELECT pg_advisory_xact_lock(7166469620051231)";

const char* const kUpsert =
    "INSERT INTO checks AS c (uuid, station, started, finished, card, kind, mode, outcome, owner, summary, "
    "failed_test, failed_inputs, port, version, volts1, volts2, volts3, volts4, record) "
    "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?) "
    "ON CONFLICT (uuid) DO UPDATE SET finished = excluded.finished, card = excluded.card, "
    "outcome = excluded.outcome, owner = excluded.owner, summary = excluded.summary, "
    "failed_test = excluded.failed_test, failed_inputs = excluded.failed_inputs, port = excluded.port, "
    "version = excluded.version, volts1 = excluded.volts1, volts2 = excluded.volts2, volts3 = excluded.volts3, "
    "volts4 = excluded.volts4, record = excluded.record "
    // Under row-level security, another station's row that still runs makes this an error
    // (the UPDATE policy's USING fails); one that is complete is left as it is, no row changed.
    "WHERE c.outcome = 'running'";

// The statements of an SQL script: split at each ";" outside quotes, dollar quotes and comments.
QStringList sqlStatements(const QString& script) {
    static const QRegularExpression dollarTag(QStringLiteral("\\$[A-Za-z_]*\\$"));
    QStringList statements;
    QString current;
    auto finish = [&statements, &current] {
        if (!current.trimmed().isEmpty()) statements.append(current.trimmed());
        current.clear();
    };
    for (qsizetype at = 0; at < script.size(); ++at) {
        const QChar c = script[at];
        qsizetype last = at;  // the last character of what starts here
        if (c == u';') {
            finish();
            continue;
        } else if (c == u'-' && script.mid(at, 2) == QStringLiteral("--")) {
            last = script.indexOf(u'\n', at);
            if (last < 0) break;
            current += u'\n';
            at = last;
            continue;
        } else if (c == u'\'' || c == u'"') {
            last = script.indexOf(c, at + 1);
        } else if (c == u'$') {
            const auto tag = dollarTag.match(script, at, QRegularExpression::NormalMatch,
                                             QRegularExpression::AnchorAtOffsetMatchOption);
            if (tag.hasMatch()) {
                last = script.indexOf(tag.captured(), at + tag.capturedLength());
                if (last >= 0) last += tag.capturedLength() - 1;
            }
        }
        if (last < 0) last = script.size() - 1;  // left open: the server will say so
        current += script.mid(at, last - at + 1);
        at = last;
    }
    finish();
    return statements;
}

QVariant text(const QString& value) {
    return value.isNull() ? QVariant(QMetaType::fromType<QString>()) : QVariant(value);
}

// Timestamps go as UTC text, which the server reads the same whatever Qt's version.
QVariant timeText(const QDateTime& time) {
    return time.isValid() ? QVariant(time.toUTC().toString(Qt::ISODateWithMs)) : text(QString());
}

bool mentions(const QString& message, const char* pattern) {
    return QRegularExpression(QString::fromUtf8(pattern), QRegularExpression::CaseInsensitiveOption)
        .match(message)
        .hasMatch();
}

}  // namespace

QString labConnectOptions(const ConnectionSettings& settings) {
    ConnectionSettings options = settings;
    const ConnectionSettings defaults{
        {QStringLiteral("connect_timeout"), QString::number(LabDatabase::kConnectTimeoutS)},
        {QStringLiteral("keepalives"), QStringLiteral("1")},
        {QStringLiteral("keepalives_idle"), QStringLiteral("30")},
        {QStringLiteral("keepalives_interval"), QStringLiteral("10")},
        {QStringLiteral("keepalives_count"), QStringLiteral("3")},
        // Keepalives wait while sent data is unanswered: this bounds that wait.
        {QStringLiteral("tcp_user_timeout"), QStringLiteral("20000")},
        {QStringLiteral("application_name"), QStringLiteral("cardcheck")},
    };
    for (const ConnectionSetting& setting : defaults) {
        const bool given = std::any_of(options.cbegin(), options.cend(),
                                       [&setting](const ConnectionSetting& s) { return s.key == setting.key; });
        if (!given) options.append(setting);
    }
    return connectionString(options);
}

std::variant<std::unique_ptr<LabDatabase>, LabDatabase::Failure> LabDatabase::open(const QString& connection) {
    static std::atomic<int> connections{0};
    const QString name = QStringLiteral("cardcheck-lab-%1").arg(++connections);
    auto settings = parseConnectionString(connection);
    // A string that cannot be used is not repeated: it may hold a password.
    if (auto* problem = std::get_if<QString>(&settings))
        return Failure{Problem::Other, QStringLiteral("Historial del laboratorio: %1.").arg(*problem), *problem};
    std::unique_ptr<LabDatabase> lab(new LabDatabase(name, connection));
    if (!QSqlDatabase::isDriverAvailable(QString::fromLatin1(kDriver)))
        return lab->failure(Problem::NoDriver,
                            QStringLiteral("falta el controlador PostgreSQL de Qt (paquete libqt6sql6-psql)"));
    {
        QSqlDatabase database = QSqlDatabase::addDatabase(QString::fromLatin1(kDriver), name);
        if (!database.isValid())
            return lab->failure(Problem::NoDriver,
                                QStringLiteral("el controlador PostgreSQL de Qt no se carga (paquetes "
                                               "libqt6sql6-psql y libpq5)"));
        database.setConnectOptions(labConnectOptions(std::get<ConnectionSettings>(settings)));
        if (!database.open()) {
            const QString said = database.lastError().databaseText().simplified();
            return lab->connectionFailure(said);
        }
    }
    if (auto problem = lab->prepareSchema()) return *problem;
    return lab;
}

LabDatabase::~LabDatabase() {
    upsert_.reset();
    QSqlDatabase::database(connectionName_, false).close();
    QSqlDatabase::removeDatabase(connectionName_);
}

QSqlDatabase LabDatabase::database() const {
    return QSqlDatabase::database(connectionName_, false);
}

LabDatabase::Failure LabDatabase::failure(Problem problem, const QString& cause) const {
    return {problem, QStringLiteral("Historial del laboratorio (%1): %2.").arg(connection_, cause), cause};
}

// libpq says why a connection failed only in words, the server's or its own, in English or in the
// user's language; what they name tells the causes apart.
LabDatabase::Failure LabDatabase::connectionFailure(const QString& said) const {
    if (mentions(said,
                 "no password supplied|authentication failed|autentificación .* falló|pg_hba\\.conf|"
                 "role \".*\" does not exist|no existe el rol|permitted to log in|no se le permite conectarse"))
        return failure(Problem::LoginRefused, QStringLiteral("el servidor no acepta el inicio de sesión; revise el "
                                                             "usuario y su contraseña en ~/.pgpass (%1)")
                                                  .arg(said));
    if (mentions(said, "permission denied|permiso denegado|CONNECT privilege|privilegios de conexión"))
        return failure(Problem::PermissionRefused, QStringLiteral("el usuario no tiene permiso para conectarse; el "
                                                                  "administrador debe hacerlo miembro de puestos (%1)")
                                                       .arg(said));
    // A server that answered with anything else, or a setting that libpq cannot use.
    if (mentions(said, "FATAL|SSL|certificat|invalid connection option|opción de conexión no válida|servic") &&
        !mentions(said, "starting up|shutting down|iniciándose|apagándose"))
        return failure(Problem::Other, said);
    return failure(
        Problem::Unreachable,
        QStringLiteral("no se llega al servidor; ¿está en marcha y se llega a él por la red? (%1)").arg(said));
}

LabDatabase::Failure LabDatabase::queryFailure(const QSqlError& error) const {
    const QString code = error.nativeErrorCode();
    const QString said = error.databaseText().simplified();
    if (!database().isOpen() || code.startsWith(QStringLiteral("08")) || code.startsWith(QStringLiteral("57P")))
        return failure(Problem::Unreachable,
                       QStringLiteral("se ha perdido la conexión con el servidor (%1)").arg(said));
    if (code == QStringLiteral("42501"))
        return failure(Problem::PermissionRefused,
                       QStringLiteral("el servidor no lo permite a este usuario (%1)").arg(said));
    return failure(Problem::Other, said);
}

// The version in schema_version; a database without it gets the schema made when the role may.
std::optional<LabDatabase::Failure> LabDatabase::prepareSchema() {
    QSqlQuery query(database());
    if (!query.exec(QStringLiteral("SELECT version FROM schema_version"))) {
        if (query.lastError().nativeErrorCode() != QStringLiteral("42P01")) return queryFailure(query.lastError());
        if (auto problem = createSchema()) return problem;
        if (!query.exec(QStringLiteral("SELECT version FROM schema_version"))) return queryFailure(query.lastError());
    }
    if (!query.next()) return failure(Problem::Other, QStringLiteral("la tabla schema_version está vacía"));
    schemaVersion_ = query.value(0).toInt();
    if (schemaVersion_ > kSchemaVersion)
        return failure(
            Problem::NewerSchema,
            QStringLiteral("lo ha creado una versión más reciente de cardcheck (esquema %1)").arg(schemaVersion_));
    return std::nullopt;
}

// The schema file's statements in one transaction: all of them, or nothing.
std::optional<LabDatabase::Failure> LabDatabase::createSchema() {
    QFile file(QStringLiteral(":/lab/historial-esquema.sql"));
    if (!file.open(QIODevice::ReadOnly))
        return failure(Problem::Other, QStringLiteral("falta el esquema en el programa"));
    const QStringList statements = sqlStatements(QString::fromUtf8(file.readAll()));

    QSqlDatabase db = database();
    if (!db.transaction()) return queryFailure(db.lastError());
    QSqlQuery query(db);
    bool done = query.exec(QString::fromLatin1(kSchemaLock)) &&
                query.exec(QStringLiteral("SELECT to_regclass('schema_version') IS NOT NULL")) && query.next();
    const bool madeMeanwhile = done && query.value(0).toBool();
    for (qsizetype i = 0; done && !madeMeanwhile && i < statements.size(); ++i) done = query.exec(statements[i]);
    if (done && db.commit()) return std::nullopt;

    const QSqlError error = query.lastError().isValid() ? query.lastError() : db.lastError();
    db.rollback();
    if (error.nativeErrorCode() == QStringLiteral("42501"))
        return failure(Problem::NoSchema, QStringLiteral("la base de datos no tiene las tablas del historial y este "
                                                         "usuario no puede crearlas; el administrador del servidor "
                                                         "debe ejecutar %1")
                                              .arg(QString::fromLatin1(kAdministratorScript)));
    return queryFailure(error);
}

std::variant<bool, LabDatabase::Failure> LabDatabase::send(const CheckRow& row) {
    if (!upsert_) {
        upsert_ = std::make_unique<QSqlQuery>(database());
        if (!upsert_->prepare(QString::fromLatin1(kUpsert))) {
            const QSqlError error = upsert_->lastError();
            upsert_.reset();
            return queryFailure(error);
        }
    }
    QSqlQuery& query = *upsert_;
    int column = 0;
    auto bind = [&query, &column](const QVariant& value) { query.bindValue(column++, value); };
    bind(row.uuid.toString(QUuid::WithoutBraces));
    bind(row.station);
    bind(timeText(row.started));
    bind(timeText(row.finished));
    bind(text(row.card));
    bind(row.kind);
    bind(row.mode);
    bind(row.outcome);
    bind(text(row.owner));
    bind(text(row.summary));
    bind(row.failedTest ? QVariant(*row.failedTest) : QVariant(QMetaType::fromType<int>()));
    bind(text(row.failedInputs));
    bind(text(row.port));
    bind(text(row.version));
    for (int i = 0; i < 4; ++i) bind(row.volts ? QVariant((*row.volts)[i]) : QVariant(QMetaType::fromType<double>()));
    bind(row.record.isNull() ? text(QString()) : QVariant(QString::fromUtf8(row.record)));
    if (!query.exec()) return queryFailure(query.lastError());
    return query.numRowsAffected() > 0;
}
