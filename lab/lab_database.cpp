#include "lab/lab_database.h"

#include <atomic>

#include <QFile>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>

#include "lab/lab_log.h"

Q_LOGGING_CATEGORY(lcLab, "cardcheck.lab")

namespace {

const char* const kDriver = "QPSQL";
const char* const kAdministratorScript = "/usr/share/cardcheck/historial-laboratorio.sql";
// Two stations that find no table at once: the second waits for the first, then finds it made.
const char* const kSchemaLock = "SELECT pg_advisory_xact_lock(7166469620051231)";

// A check goes up in two statements whose answer does not hang on how a server release orders
// ON CONFLICT against row-level security: an insert that leaves a known uuid alone, then, for a
// known one, an update of the sender's own row while it still runs.
QString insertStatement(const CheckRow& row) {
    QStringList columns{QStringLiteral("uuid")};
    for (const auto* values : {&row.fixed, &row.ended})
        for (const ColumnValue& value : *values) columns << value.column;
    return QStringLiteral("INSERT INTO checks (%1) VALUES (?%2) ON CONFLICT (uuid) DO NOTHING")
        .arg(columns.join(u','), QStringLiteral(", ?").repeated(columns.size() - 1));
}
QString completeStatement(const CheckRow& row) {
    QStringList assignments;
    for (const ColumnValue& value : row.ended) assignments << value.column + QStringLiteral(" = ?");
    return QStringLiteral("UPDATE checks SET %1 WHERE uuid = ? AND login = current_user AND outcome = 'running'")
        .arg(assignments.join(u','));
}
// Whether the row with a known uuid was sent under this login.
const char* const kSentHere = "SELECT login = current_user FROM checks WHERE uuid = ?";

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
        return Failure{Problem::Other, QStringLiteral("Historial del laboratorio: %1.").arg(*problem), *problem, {}};
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
    insert_.reset();
    complete_.reset();
    sentHere_.reset();
    QSqlDatabase::database(connectionName_, false).close();
    QSqlDatabase::removeDatabase(connectionName_);
}

QSqlDatabase LabDatabase::database() const {
    return QSqlDatabase::database(connectionName_, false);
}

// The user reads one Spanish sentence; what the driver said goes to cardcheck.lab, for a technician.
LabDatabase::Failure LabDatabase::failure(Problem problem, const QString& cause, const QString& said) const {
    Failure failure{problem, QStringLiteral("Historial del laboratorio (%1): %2.").arg(connection_, cause), cause,
                    said};
    if (!said.isEmpty()) qCWarning(lcLab).noquote() << failure.message << "PostgreSQL:" << said;
    return failure;
}

// libpq says why a connection failed only in words, the server's or its own, in English or in the
// user's language; what they name tells the causes apart.
LabDatabase::Failure LabDatabase::connectionFailure(const QString& said) const {
    if (mentions(said,
                 "no password supplied|authentication failed|autentificación .* falló|pg_hba\\.conf|"
                 "role \".*\" does not exist|no existe el rol|permitted to log in|no se le permite conectarse"))
        return failure(Problem::LoginRefused,
                       QStringLiteral("el servidor no acepta el inicio de sesión; revise el usuario y su contraseña "
                                      "en ~/.pgpass"),
                       said);
    if (mentions(said, "permission denied|permiso denegado|CONNECT privilege|privilegios de conexión"))
        return failure(Problem::PermissionRefused,
                       QStringLiteral("el usuario no tiene permiso para conectarse; el administrador debe hacerlo "
                                      "miembro de puestos"),
                       said);
    // A server that answered with anything else, or a setting that libpq cannot use.
    if (mentions(said, "starting up|shutting down|iniciándose|apagándose") ||
        !mentions(said, "FATAL|SSL|certificat|invalid connection option|opción de conexión no válida|servic"))
        return failure(
            Problem::Unreachable,
            QStringLiteral("no se llega al servidor; compruebe que está en marcha y que se llega a él por la red"),
            said);
    if (mentions(said, "database \".*\" does not exist|no existe la base de datos"))
        return failure(Problem::Other, QStringLiteral("el servidor no tiene esa base de datos (dbname)"), said);
    if (mentions(said, "SSL|certificat"))
        return failure(Problem::Other,
                       QStringLiteral("falla la conexión cifrada con el servidor; revise sslmode y los certificados"),
                       said);
    if (mentions(said, "invalid connection option|opción de conexión no válida"))
        return failure(Problem::Other, QStringLiteral("libpq no conoce una de las claves de la conexión"), said);
    if (mentions(said, "servic"))
        return failure(Problem::Other,
                       QStringLiteral("libpq no encuentra el servicio de la conexión en pg_service.conf"), said);
    return failure(Problem::Other, QStringLiteral("el servidor rechaza la conexión"), said);
}

LabDatabase::Failure LabDatabase::queryFailure(const QSqlError& error) const {
    const QString code = error.nativeErrorCode();
    const QString said = (code + QLatin1Char(' ') + error.databaseText()).simplified();
    if (!database().isOpen() || code.startsWith(QStringLiteral("08")) || code.startsWith(QStringLiteral("57P")) ||
        code.isEmpty())
        return failure(Problem::Unreachable, QStringLiteral("se ha perdido la conexión con el servidor"), said);
    if (code == QStringLiteral("42501"))
        return failure(Problem::PermissionRefused, QStringLiteral("el servidor no lo permite a este usuario"), said);
    if (code.startsWith(QStringLiteral("23")) || code.startsWith(QStringLiteral("22")))
        return failure(Problem::Other,
                       QStringLiteral("el servidor rechaza los datos de la comprobación (error %1)").arg(code), said);
    return failure(Problem::Other, QStringLiteral("el servidor no puede hacerlo (error %1)").arg(code), said);
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
    // Columns are only ever added to a version: a station sends those the lab has.
    if (!query.exec(QStringLiteral("SELECT column_name::text FROM information_schema.columns WHERE table_schema = "
                                   "current_schema() AND table_name = 'checks'")))
        return queryFailure(query.lastError());
    while (query.next()) columns_.insert(query.value(0).toString());
    return std::nullopt;
}

// The schema files' statements in one transaction: all of them, or nothing.
std::optional<LabDatabase::Failure> LabDatabase::createSchema() {
    QStringList statements;
    for (const char* name : {":/lab/historial-esquema.sql", ":/lab/historial-recuento.sql"}) {
        QFile file(QString::fromLatin1(name));
        if (!file.open(QIODevice::ReadOnly))
            return failure(Problem::Other, QStringLiteral("falta el esquema en el programa"));
        statements += sqlStatements(QString::fromUtf8(file.readAll()));
    }

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

std::optional<LabDatabase::Failure> LabDatabase::prepared(std::unique_ptr<QSqlQuery>& query, const QString& statement) {
    if (query && query->lastQuery() == statement) return std::nullopt;
    query = std::make_unique<QSqlQuery>(database());
    if (query->prepare(statement)) return std::nullopt;
    const QSqlError error = query->lastError();
    query.reset();
    return queryFailure(error);
}

std::variant<bool, LabDatabase::Failure> LabDatabase::send(const CheckRow& given) {
    CheckRow row = given;
    for (auto* values : {&row.fixed, &row.ended})
        values->removeIf([this](const ColumnValue& value) { return !hasColumn(value.column); });
    for (auto [query, statement] : {std::pair{&insert_, insertStatement(row)},
                                    {&complete_, completeStatement(row)},
                                    {&sentHere_, QString::fromLatin1(kSentHere)}})
        if (auto problem = prepared(*query, statement)) return *problem;

    QSqlQuery& insert = *insert_;
    int column = 0;
    insert.bindValue(column++, row.uuid);
    for (const auto* values : {&row.fixed, &row.ended})
        for (const ColumnValue& value : *values) insert.bindValue(column++, value.value);
    if (!insert.exec()) return queryFailure(insert.lastError());
    if (insert.numRowsAffected() > 0) return true;

    QSqlQuery& complete = *complete_;
    column = 0;
    for (const ColumnValue& value : row.ended) complete.bindValue(column++, value.value);
    complete.bindValue(column, row.uuid);
    if (!complete.exec()) return queryFailure(complete.lastError());
    if (complete.numRowsAffected() > 0) return true;

    // Known and left as it was: complete already, or another login's, which a station must hear of.
    QSqlQuery& sentHere = *sentHere_;
    sentHere.bindValue(0, row.uuid);
    if (!sentHere.exec()) return queryFailure(sentHere.lastError());
    if (sentHere.next() && !sentHere.value(0).toBool())
        return failure(Problem::Other, QStringLiteral("otro usuario ya envió una comprobación con el mismo "
                                                      "identificador (%1); no se cambia")
                                           .arg(row.uuid));
    return false;
}
