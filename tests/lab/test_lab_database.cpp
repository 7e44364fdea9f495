// Against the throwaway PostgreSQL server that ctest starts (tests/lab/lab_server.sh).
#include <thread>

#include <QProcess>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

#include "lab/lab_database.h"

using Problem = LabDatabase::Problem;
using Opened = std::variant<std::unique_ptr<LabDatabase>, LabDatabase::Failure>;

namespace {

// What a send did: "written", "unchanged", or the failure's message.
QString result(const std::variant<bool, LabDatabase::Failure>& sent) {
    if (auto* failure = std::get_if<LabDatabase::Failure>(&sent)) return failure->message;
    return std::get<bool>(sent) ? "written" : "unchanged";
}

// The first value of a query's first row, as text, or the error.
QString value(LabDatabase* lab, const QString& statement, const QVariantList& bound = {}) {
    if (!lab) return "no connection";
    QSqlQuery query(lab->database());
    query.prepare(statement);
    for (const QVariant& each : bound) query.addBindValue(each);
    if (!query.exec()) return query.lastError().nativeErrorCode() + " " + query.lastError().databaseText();
    return query.next() ? query.value(0).toString() : QString();
}

CheckRow row(const QString& station) {
    return {QUuid::createUuid(),
            station,
            QDateTime::currentDateTimeUtc(),
            {},
            {},
            "sequence",
            "headless",
            "running",
            "arranque 1234",
            {},
            {},
            {},
            "/dev/parport0",
            "1.0.0",
            {},
            {}};
}

QString uuid(const CheckRow& check) {
    return check.uuid.toString(QUuid::WithoutBraces);
}

}  // namespace

class TestLabDatabase : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        QFile state(qEnvironmentVariable("CARDCHECK_LAB_SERVER"));
        QVERIFY2(state.open(QIODevice::ReadOnly), "no state file from lab_server.sh: run through ctest");
        for (const QString& line : QString::fromUtf8(state.readAll()).split('\n')) {
            if (line.startsWith("missing ")) QSKIP(qPrintable(line));
            if (line.startsWith("socket ")) socket_ = line.mid(7);
            if (line.startsWith("bin ")) bin_ = line.mid(4);
        }
        // From scratch, so that the test runs again on the same server; the script twice, as an
        // administrator may run it again.
        QVERIFY(
            psql("DROP DATABASE IF EXISTS historial WITH (FORCE); DROP DATABASE IF EXISTS propio WITH (FORCE); "
                 "DROP DATABASE IF EXISTS vacio; DROP ROLE IF EXISTS puesto01, puesto02, puesto_clave, "
                 "sin_login, ajeno, dueno, con_clave"));
        QVERIFY(psql({}, CARDCHECK_LAB_SQL) && psql({}, CARDCHECK_LAB_SQL));
        QVERIFY(
            psql("CREATE ROLE puesto01 LOGIN IN ROLE puestos; CREATE ROLE puesto02 LOGIN IN ROLE puestos; "
                 "CREATE ROLE con_clave; CREATE ROLE puesto_clave LOGIN PASSWORD 'buena' IN ROLE puestos, "
                 "con_clave; CREATE ROLE sin_login IN ROLE puestos; CREATE ROLE ajeno LOGIN; CREATE ROLE "
                 "dueno LOGIN; CREATE DATABASE propio OWNER dueno; CREATE DATABASE vacio"));
        admin_ = open("postgres");
        QVERIFY(admin_);
    }

    void sqlFileSetsUp() {
        QCOMPARE(admin_->schemaVersion(), LabDatabase::kSchemaVersion);
        QCOMPARE(value(admin_.get(),
                       "SELECT concat_ws(' ', (SELECT string_agg(rolname || ':' || rolcanlogin, ' ' ORDER BY rolname) "
                       "FROM pg_roles WHERE rolname IN ('cardcheck_admin', 'puestos')), relowner::regrole, "
                       "relrowsecurity, (SELECT string_agg(indexname, ' ' ORDER BY indexname) FROM pg_indexes "
                       "WHERE tablename = 'checks'), (SELECT version FROM schema_version)) "
                       "FROM pg_class WHERE oid = 'checks'::regclass"),
                 "cardcheck_admin:false puestos:false cardcheck_admin t checks_by_card checks_by_outcome "
                 "checks_by_started checks_by_station checks_pkey " +
                     QString::number(LabDatabase::kSchemaVersion));
        // Stations insert and read; they update only what a check's end fills in, and never delete.
        QCOMPARE(value(admin_.get(),
                       "SELECT concat_ws(' ', has_table_privilege('puestos', 'checks', 'INSERT'), "
                       "has_table_privilege('puestos', 'checks', 'SELECT'), "
                       "has_table_privilege('puestos', 'checks', 'DELETE'), "
                       "has_column_privilege('puestos', 'checks', 'outcome', 'UPDATE'), "
                       "has_column_privilege('puestos', 'checks', 'login', 'UPDATE'), "
                       "has_database_privilege('ajeno', 'historial', 'CONNECT'))"),
                 "t t f t f f");
    }

    // Each station in a thread of its own, at the same time; both read every check.
    void twoStationsAtOnce() {
        QStringList said;  // each connection's application_name, and what each send did
        std::mutex mutex;
        auto station = [&](const QString& user) {
            auto lab = open(user);
            QStringList mine{
                value(lab.get(), "SELECT application_name FROM pg_stat_activity WHERE pid = pg_backend_pid()")};
            for (int i = 0; lab && i < 20; ++i) {
                CheckRow check = row(user);
                mine << result(lab->send(check));
                check.outcome = "pass";
                mine << result(lab->send(check));
            }
            std::lock_guard lock(mutex);
            said << mine;
        };
        std::thread first(station, "puesto01"), second(station, "puesto02");
        first.join();
        second.join();
        QCOMPARE(said.count("cardcheck"), 2);
        QCOMPARE(said.count("written"), 80);
        for (const char* user : {"puesto01", "puesto02"})
            QCOMPARE(value(open(user).get(),
                           "SELECT string_agg(concat_ws(' ', station, login, n, outcomes), ', ') "
                           "FROM (SELECT station, login, count(*) n, string_agg(DISTINCT outcome, "
                           "'/') outcomes FROM checks GROUP BY 1, 2 ORDER BY 1) s"),
                     "puesto01 puesto01 20 pass, puesto02 puesto02 20 pass");
    }

    void sendingTwiceChangesNothing() {
        auto station = open("puesto01");
        CheckRow check = row("puesto01");
        QCOMPARE(result(station->send(check)), "written");
        const QString running = snapshot(check);
        QCOMPARE(result(station->send(check)), "written");
        QCOMPARE(snapshot(check), running);

        check.outcome = "fail";
        check.finished = check.started.addSecs(36);
        check.summary = "test 1, paso 3: entradas 3, 5";
        check.failedTest = 1;
        check.failedInputs = "3, 5";
        check.volts = {{4.98, 4.97, 0.0, 4.49}};
        check.record = R"({"outcome": "fail", "lines": ["TEST 1 INCORRECTO"]})";
        QCOMPARE(result(station->send(check)), "written");
        QCOMPARE(value(admin_.get(),
                       "SELECT concat_ws(' | ', outcome, summary, failed_test, failed_inputs, volts4, "
                       "record->'lines'->>0, card IS NULL, finished - started, started = ?::timestamptz) "
                       "FROM checks WHERE uuid = ?::uuid",
                       {check.started.toString(Qt::ISODateWithMs), uuid(check)}),
                 "fail | test 1, paso 3: entradas 3, 5 | 1 | 3, 5 | 4.49 | TEST 1 INCORRECTO | t | 00:00:36 | t");
        const QString failed = snapshot(check);
        QCOMPARE(result(station->send(check)), "unchanged");
        check.outcome = "running";
        check.finished = {};
        QCOMPARE(result(station->send(check)), "unchanged");
        QCOMPARE(snapshot(check), failed);
    }

    void stationCannotChangeAnothers_data() {
        QTest::addColumn<QString>("user");       // who tries, on a check of puesto01
        QTest::addColumn<QString>("outcome");    // the check's outcome before
        QTest::addColumn<QString>("statement");  // "send": sends it again, failed
        QTest::addColumn<QString>("expected");   // "unchanged", or what the refusal says
        auto add = [](const char* name, const char* user, const char* outcome, const char* statement,
                      const char* expected) { QTest::newRow(name) << user << outcome << statement << expected; };
        const char* const update = "UPDATE checks SET outcome = 'fail' WHERE uuid = ?::uuid";
        const char* const remove = "DELETE FROM checks WHERE uuid = ?::uuid";
        const char* const denied = "42501 ERROR:  permission denied for table checks";
        // Another station's running check refuses the upsert; a complete one leaves it unchanged.
        add("send, running", "puesto02", "running", "send",
            "): el servidor no lo permite a este usuario (ERROR: "
            "new row violates row-level security policy (USING expression) for table \"checks\"");
        add("send, complete", "puesto02", "pass", "send", "unchanged");
        add("update", "puesto02", "running", update, "unchanged");
        add("delete", "puesto02", "pass", remove, denied);
        add("delete its own", "puesto01", "pass", remove, denied);
        add("its own station", "puesto01", "running", "UPDATE checks SET station = 'otro' WHERE uuid = ?::uuid",
            denied);
        add("insert as another", "puesto02", "pass",
            "INSERT INTO checks (uuid, station, login, started, kind, mode, outcome) SELECT gen_random_uuid(), "
            "station, login, started, kind, mode, outcome FROM checks WHERE uuid = ?::uuid",
            "42501 ERROR:  new row violates row-level security policy for table \"checks\"");
    }
    void stationCannotChangeAnothers() {
        QFETCH(QString, user);
        QFETCH(QString, outcome);
        QFETCH(QString, statement);
        QFETCH(QString, expected);
        CheckRow check = row("puesto01");
        check.outcome = outcome;
        QCOMPARE(result(open("puesto01")->send(check)), "written");
        const QString before = snapshot(check) + value(admin_.get(), "SELECT count(*) FROM checks");

        auto other = open(user);
        check.outcome = "fail";
        QString got = statement == "send" ? result(other->send(check)) : value(other.get(), statement, {uuid(check)});
        if (got.isEmpty()) got = "unchanged";  // a statement that found no row of its own
        QVERIFY2(got.contains(expected), qPrintable(got));
        QCOMPARE(snapshot(check) + value(admin_.get(), "SELECT count(*) FROM checks"), before);
    }

    void labelLikeSqlKeptIntact_data() {
        QTest::addColumn<QString>("label");
        for (const char* label : {"'; DROP TABLE checks; --", "x'); DELETE FROM checks WHERE ('1' = '1",
                                  "\\'; SELECT 1; --", "$$; DROP TABLE checks; $$", "Tarjeta «ñ» 7 €"})
            QTest::newRow(label) << QString(label);
    }
    void labelLikeSqlKeptIntact() {
        QFETCH(QString, label);
        CheckRow check = row("puesto02");
        check.card = label;
        QCOMPARE(result(open("puesto02")->send(check)), "written");
        QCOMPARE(value(admin_.get(), "SELECT card FROM checks WHERE uuid = ?::uuid", {uuid(check)}), label);
        QCOMPARE(value(admin_.get(), "SELECT count(*) FROM checks WHERE card = ?", {label}), "1");
    }

    void connectionRefused_data() {
        QTest::addColumn<QString>("settings");  // SOCKET: the server's folder; EMPTY: one with no server
        QTest::addColumn<QString>("pgpass");    // the password file's line
        QTest::addColumn<int>("problem");       // -1: accepted
        QTest::addColumn<QString>("said");
        auto add = [](const char* name, const char* settings, const char* pgpass, int problem, const char* said) {
            QTest::newRow(name) << settings << pgpass << problem << said;
        };
        const int login = int(Problem::LoginRefused);
        const char* const loginSaid =
            "el servidor no acepta el inicio de sesión; revise el usuario y su contraseña en ~/.pgpass";
        add("right password", "host=SOCKET dbname=historial user=puesto_clave", "*:*:*:puesto_clave:buena", -1, "");
        add("wrong password", "host=SOCKET dbname=historial user=puesto_clave", "*:*:*:puesto_clave:mala", login,
            loginSaid);
        add("no password", "host=SOCKET dbname=historial user=puesto_clave", "", login, "no password supplied");
        add("unknown role", "host=SOCKET dbname=historial user=nadie", "", login, loginSaid);
        add("role without login", "host=SOCKET dbname=historial user=sin_login", "", login, loginSaid);
        add("not a station", "host=SOCKET dbname=historial user=ajeno", "", int(Problem::PermissionRefused),
            "el usuario no tiene permiso para conectarse; el administrador debe hacerlo miembro de puestos");
        add("no schema", "host=SOCKET dbname=vacio user=puesto01", "", int(Problem::NoSchema),
            "no tiene las tablas del historial y este usuario no puede crearlas; el administrador del servidor debe "
            "ejecutar /usr/share/cardcheck/historial-laboratorio.sql");
        add("server down", "host=EMPTY dbname=historial user=puesto01", "", int(Problem::Unreachable),
            "no se llega al servidor; ¿está en marcha y se llega a él por la red?");
    }
    void connectionRefused() {
        QFETCH(QString, settings);
        QFETCH(QString, pgpass);
        QFETCH(int, problem);
        QFETCH(QString, said);
        QTemporaryDir folder;
        QFile passwords(folder.filePath("pgpass"));
        QVERIFY(passwords.open(QIODevice::WriteOnly) && passwords.write(pgpass.toUtf8() + "\n"));
        passwords.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
        passwords.close();
        qputenv("PGPASSFILE", passwords.fileName().toUtf8());
        const QString connection = settings.replace("SOCKET", socket_).replace("EMPTY", folder.path());
        const Opened lab = LabDatabase::open(connection);
        qunsetenv("PGPASSFILE");
        const auto* failure = std::get_if<LabDatabase::Failure>(&lab);
        QCOMPARE(failure ? int(failure->problem) : -1, problem);
        if (!failure) return;
        QVERIFY2(failure->message.startsWith("Historial del laboratorio (" + connection + "): "),
                 qPrintable(failure->message));
        QVERIFY2(failure->message.contains(said), qPrintable(failure->message));
    }

    // A connection that the server ends (a restart; a pulled cable, once noticed) reads as not reached.
    void lostConnectionIsUnreachable() {
        auto station = open("puesto02");
        QCOMPARE(result(station->send(row("puesto02"))), "written");
        QCOMPARE(value(admin_.get(),
                       "SELECT bool_and(pg_terminate_backend(pid, 5000)) FROM pg_stat_activity "
                       "WHERE usename = 'puesto02'"),
                 "true");
        const auto sent = station->send(row("puesto02"));
        QVERIFY(std::holds_alternative<LabDatabase::Failure>(sent));
        QCOMPARE(std::get<LabDatabase::Failure>(sent).problem, Problem::Unreachable);
        QVERIFY(result(sent).contains("se ha perdido la conexión con el servidor"));
    }

    // A role that owns its database gets the schema made; two at once make it once.
    void schemaMadeOnFirstUse() {
        QString first, second;  // each one's schema version, or why it failed
        auto openIn = [this](QString& version) {
            const Opened lab = LabDatabase::open(connection("dueno", "propio"));
            const auto* failure = std::get_if<LabDatabase::Failure>(&lab);
            version = failure ? failure->message
                              : QString::number(std::get<std::unique_ptr<LabDatabase>>(lab)->schemaVersion());
        };
        std::thread a(openIn, std::ref(first)), b(openIn, std::ref(second));
        a.join();
        b.join();
        QCOMPARE(first, QString::number(LabDatabase::kSchemaVersion));
        QCOMPARE(second, QString::number(LabDatabase::kSchemaVersion));
        auto dueno = open("dueno", "propio");
        QCOMPARE(value(dueno.get(),
                       "SELECT count(*) || ' ' || bool_or(relrowsecurity) || ' ' || "
                       "(SELECT count(*) FROM pg_policies) FROM pg_class "
                       "WHERE relname LIKE 'checks%' AND relnamespace = 'public'::regnamespace"),
                 "6 true 3");
        QCOMPARE(result(dueno->send(row("dueno"))), "written");

        value(dueno.get(), "UPDATE schema_version SET version = version + 1");
        const Opened newer = LabDatabase::open(connection("dueno", "propio"));
        QVERIFY(std::holds_alternative<LabDatabase::Failure>(newer));
        QCOMPARE(std::get<LabDatabase::Failure>(newer).problem, Problem::NewerSchema);
        QVERIFY(std::get<LabDatabase::Failure>(newer).message.contains("una versión más reciente de cardcheck"));
    }

private:
    QString connection(const QString& user, const QString& database = "historial") const {
        return QString("host=%1 dbname=%2 user=%3").arg(socket_, database, user);
    }
    std::unique_ptr<LabDatabase> open(const QString& user, const QString& database = "historial") const {
        Opened lab = LabDatabase::open(connection(user, database));
        if (auto* failure = std::get_if<LabDatabase::Failure>(&lab)) qWarning() << failure->message;
        return std::holds_alternative<LabDatabase::Failure>(lab)
                   ? nullptr
                   : std::move(std::get<std::unique_ptr<LabDatabase>>(lab));
    }
    // Runs statements ("; " between them), or a file, as the superuser.
    bool psql(const QString& statements, const QString& file = {}) const {
        QStringList arguments{"-X", "-q", "-v", "ON_ERROR_STOP=1", "-h", socket_, "-U", "postgres", "-d", "postgres"};
        for (const QString& statement : statements.split("; ", Qt::SkipEmptyParts)) arguments << "-c" << statement;
        if (!file.isEmpty()) arguments << "-f" << file;
        QProcess process;
        process.start(bin_ + "/psql", arguments);
        const bool done = process.waitForFinished() && process.exitCode() == 0;
        if (!done) qWarning() << process.readAllStandardError();
        return done;
    }
    // Every column of a check as the server holds it.
    QString snapshot(const CheckRow& check) const {
        return value(admin_.get(), "SELECT row_to_json(c)::text FROM checks c WHERE uuid = ?::uuid", {uuid(check)});
    }

    QString socket_;
    QString bin_;
    std::unique_ptr<LabDatabase> admin_;
};

QTEST_GUILESS_MAIN(TestLabDatabase)
#include "test_lab_database.moc"
