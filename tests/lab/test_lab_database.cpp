// Against the throwaway PostgreSQL server that ctest starts (tests/lab/lab_server.sh).
#include <thread>

#include <QProcess>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

#include "lab/lab_database.h"

using Problem = LabDatabase::Problem;

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
        // From scratch each time, so the test runs again on the same server.
        QVERIFY(
            psql("DROP DATABASE IF EXISTS historial WITH (FORCE); DROP DATABASE IF EXISTS propio WITH (FORCE); "
                 "DROP DATABASE IF EXISTS vacio; DROP ROLE IF EXISTS puesto01, puesto02, puesto_clave, sin_login, "
                 "ajeno, dueno, con_clave"));
        QVERIFY(psql({}, CARDCHECK_LAB_SQL));
        QVERIFY(psql({}, CARDCHECK_LAB_SQL));  // a second run keeps what is there
        QVERIFY(psql(
            "CREATE ROLE puesto01 LOGIN IN ROLE puestos; CREATE ROLE puesto02 LOGIN IN ROLE puestos; "
            "CREATE ROLE con_clave; CREATE ROLE puesto_clave LOGIN PASSWORD 'correcta' IN ROLE puestos, con_clave; "
            "CREATE ROLE sin_login IN ROLE puestos; CREATE ROLE ajeno LOGIN; CREATE ROLE dueno LOGIN; "
            "CREATE DATABASE propio OWNER dueno; CREATE DATABASE vacio"));
        admin_ = open("postgres");
        QVERIFY(admin_);
    }

    void sqlFileSetsUp_data() {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QString>("expected");
        QTest::newRow("roles")
            << "SELECT string_agg(rolname || ' ' || rolcanlogin, ', ' ORDER BY rolname) FROM pg_roles "
               "WHERE rolname IN ('cardcheck_admin', 'puestos')"
            << "cardcheck_admin false, puestos false";
        QTest::newRow("owner") << "SELECT relowner::regrole || ' ' || relrowsecurity FROM pg_class "
                                  "WHERE oid = 'checks'::regclass"
                               << "cardcheck_admin true";
        QTest::newRow("indexes") << "SELECT string_agg(indexname, ' ' ORDER BY indexname) FROM pg_indexes "
                                    "WHERE tablename = 'checks'"
                                 << "checks_by_card checks_by_outcome checks_by_started checks_by_station checks_pkey";
        QTest::newRow("stations' rights")
            << "SELECT concat_ws(' ', has_table_privilege('puestos', 'checks', 'INSERT'), "
               "has_table_privilege('puestos', 'checks', 'SELECT'), has_table_privilege('puestos', 'checks', "
               "'DELETE'), "
               "has_column_privilege('puestos', 'checks', 'outcome', 'UPDATE'), "
               "has_column_privilege('puestos', 'checks', 'login', 'UPDATE'), "
               "has_database_privilege('ajeno', 'historial', 'CONNECT'))"
            << "t t f t f f";
        QTest::newRow("version") << "SELECT version FROM schema_version"
                                 << QString::number(LabDatabase::kSchemaVersion);
    }
    void sqlFileSetsUp() {
        QFETCH(QString, query);
        QFETCH(QString, expected);
        QCOMPARE(value(admin_.get(), query), expected);
        QCOMPARE(admin_->schemaVersion(), LabDatabase::kSchemaVersion);
    }

    // Each station in a thread of its own, at the same time.
    void twoStationsAtOnce() {
        constexpr int kChecks = 20;
        QStringList failures;
        std::mutex mutex;
        auto station = [&](const QString& user) {
            auto lab = LabDatabase::open(connection(user));
            auto fail = [&](const QString& what) {
                std::lock_guard lock(mutex);
                failures.append(user + ": " + what);
            };
            if (auto* failure = std::get_if<LabDatabase::Failure>(&lab)) return fail(failure->message);
            auto& database = *std::get<std::unique_ptr<LabDatabase>>(lab);
            for (int i = 0; i < kChecks; ++i) {
                CheckRow check = row(user);
                for (const char* outcome : {"running", "pass"}) {
                    check.outcome = outcome;
                    if (auto sent = database.send(check); !std::holds_alternative<bool>(sent) || !std::get<bool>(sent))
                        return fail("not sent");
                }
            }
            if (value(&database, "SELECT application_name FROM pg_stat_activity WHERE pid = pg_backend_pid()") !=
                "cardcheck")
                fail("no application_name");
        };
        std::thread first(station, "puesto01"), second(station, "puesto02");
        first.join();
        second.join();
        QVERIFY2(failures.isEmpty(), qPrintable(failures.join("; ")));
        // Both read every check, each kept under its own login.
        for (const char* user : {"puesto01", "puesto02"})
            QCOMPARE(value(open(user).get(),
                           "SELECT string_agg(concat_ws(' ', station, login, n, outcomes), ', ') FROM "
                           "(SELECT station, login, count(*) n, string_agg(DISTINCT outcome, '/') "
                           "outcomes FROM checks GROUP BY 1, 2 ORDER BY 1) s"),
                     "puesto01 puesto01 20 pass, puesto02 puesto02 20 pass");
    }

    void sendingTwiceChangesNothing() {
        auto station = open("puesto01");
        CheckRow check = row("puesto01");
        QCOMPARE(std::get<bool>(station->send(check)), true);
        const QString running = snapshot(check);
        QCOMPARE(std::get<bool>(station->send(check)), true);
        QCOMPARE(snapshot(check), running);

        check.outcome = "fail";
        check.finished = check.started.addSecs(36);
        check.summary = "test 1, paso 3: entradas 3, 5";
        check.failedTest = 1;
        check.failedInputs = "3, 5";
        check.volts = {{4.98, 4.97, 0.0, 4.49}};
        check.record = R"({"outcome": "fail", "lines": ["TEST 1 INCORRECTO"]})";
        QCOMPARE(std::get<bool>(station->send(check)), true);
        const QString failed = snapshot(check);
        QVERIFY(failed != running);
        QCOMPARE(value(admin_.get(),
                       "SELECT concat_ws(' ', outcome, summary, failed_test, failed_inputs, volts4, "
                       "record->'lines'->>0, card IS NULL, extract(epoch FROM finished - started)) "
                       "FROM checks WHERE uuid = ?",
                       check.uuid.toString(QUuid::WithoutBraces)),
                 "fail test 1, paso 3: entradas 3, 5 1 3, 5 4.49 TEST 1 INCORRECTO t 36.000000");
        QCOMPARE(std::get<bool>(station->send(check)), false);
        check.outcome = "running";
        QCOMPARE(std::get<bool>(station->send(check)), false);
        QCOMPARE(snapshot(check), failed);
    }

    void stationCannotChangeAnothers_data() {
        QTest::addColumn<QString>("user");       // who tries, on a check of puesto01
        QTest::addColumn<QString>("outcome");    // the check's outcome before
        QTest::addColumn<QString>("statement");  // "send" sends it again as failed
        QTest::addColumn<bool>("refused");       // an error; else no row changed
        QTest::newRow("send, running") << "puesto02"
                                       << "running"
                                       << "send" << true;
        QTest::newRow("send, complete") << "puesto02"
                                        << "pass"
                                        << "send" << false;
        QTest::newRow("update") << "puesto02"
                                << "running"
                                << "UPDATE checks SET outcome = 'fail' WHERE uuid = ?" << false;
        QTest::newRow("delete") << "puesto02"
                                << "pass"
                                << "DELETE FROM checks WHERE uuid = ?" << true;
        QTest::newRow("delete its own") << "puesto01"
                                        << "pass"
                                        << "DELETE FROM checks WHERE uuid = ?" << true;
        QTest::newRow("its own station") << "puesto01"
                                         << "running"
                                         << "UPDATE checks SET station = 'otro' WHERE uuid = ?" << true;
        QTest::newRow("insert as another")
            << "puesto02"
            << "pass"
            << "INSERT INTO checks (uuid, station, login, started, kind, mode, outcome) "
               "SELECT gen_random_uuid(), station, login, started, kind, mode, outcome FROM checks WHERE uuid = ?"
            << true;
    }
    void stationCannotChangeAnothers() {
        QFETCH(QString, user);
        QFETCH(QString, outcome);
        QFETCH(QString, statement);
        QFETCH(bool, refused);
        CheckRow check = row("puesto01");
        check.outcome = outcome;
        QVERIFY(std::holds_alternative<bool>(open("puesto01")->send(check)));
        const QString before = snapshot(check);
        const QString count = value(admin_.get(), "SELECT count(*) FROM checks");

        auto other = open(user);
        if (statement == "send") {
            check.outcome = "fail";
            const auto sent = other->send(check);
            QCOMPARE(std::holds_alternative<LabDatabase::Failure>(sent), refused);
            if (refused)
                QCOMPARE(std::get<LabDatabase::Failure>(sent).problem, Problem::PermissionRefused);
            else
                QCOMPARE(std::get<bool>(sent), false);
        } else {
            QSqlQuery query(other->database());
            query.prepare(statement);
            query.addBindValue(check.uuid.toString(QUuid::WithoutBraces));
            QCOMPARE(!query.exec(), refused);
            if (refused)
                QCOMPARE(query.lastError().nativeErrorCode(), "42501");
            else
                QCOMPARE(query.numRowsAffected(), 0);
        }
        QCOMPARE(snapshot(check), before);
        QCOMPARE(value(admin_.get(), "SELECT count(*) FROM checks"), count);
    }

    void labelLikeSqlKeptIntact_data() {
        QTest::addColumn<QString>("label");
        QTest::newRow("drop") << "'; DROP TABLE checks; --";
        QTest::newRow("delete") << "x'); DELETE FROM checks WHERE ('1' = '1";
        QTest::newRow("backslash") << "\\'; SELECT 1; --";
        QTest::newRow("dollar") << "$$; DROP TABLE checks; $$";
        QTest::newRow("accents") << "Tarjeta «ñ» 7 €";
    }
    void labelLikeSqlKeptIntact() {
        QFETCH(QString, label);
        CheckRow check = row("puesto02");
        check.card = label;
        QVERIFY(std::holds_alternative<bool>(open("puesto02")->send(check)));
        QCOMPARE(
            value(admin_.get(), "SELECT card FROM checks WHERE uuid = ?", check.uuid.toString(QUuid::WithoutBraces)),
            label);
        QCOMPARE(value(admin_.get(), "SELECT count(*) FROM checks WHERE card = ?", label), "1");
    }

    void connectionRefused_data() {
        QTest::addColumn<QString>("settings");  // SOCKET: the server's folder; EMPTY: one with no server
        QTest::addColumn<QString>("pgpass");    // the password file's line
        QTest::addColumn<int>("problem");       // -1: accepted
        QTest::addColumn<QString>("said");
        const int login = int(Problem::LoginRefused);
        const QString loginSaid =
            "el servidor no acepta el inicio de sesión; revise el usuario y su contraseña "
            "en ~/.pgpass";
        QTest::newRow("right password") << "host=SOCKET dbname=historial user=puesto_clave"
                                        << "*:*:*:puesto_clave:correcta" << -1 << "";
        QTest::newRow("wrong password") << "host=SOCKET dbname=historial user=puesto_clave"
                                        << "*:*:*:puesto_clave:mala" << login << loginSaid;
        QTest::newRow("no password") << "host=SOCKET dbname=historial user=puesto_clave"
                                     << "" << login << "no password supplied";
        QTest::newRow("unknown role") << "host=SOCKET dbname=historial user=nadie"
                                      << "" << login << loginSaid;
        QTest::newRow("role without login") << "host=SOCKET dbname=historial user=sin_login"
                                            << "" << login << loginSaid;
        QTest::newRow("not a station") << "host=SOCKET dbname=historial user=ajeno"
                                       << "" << int(Problem::PermissionRefused)
                                       << "el usuario no tiene permiso para conectarse; el administrador debe "
                                          "hacerlo miembro de puestos";
        QTest::newRow("no schema") << "host=SOCKET dbname=vacio user=puesto01"
                                   << "" << int(Problem::NoSchema)
                                   << "el administrador del servidor debe ejecutar "
                                      "/usr/share/cardcheck/historial-laboratorio.sql";
        QTest::newRow("server down") << "host=EMPTY dbname=historial user=puesto01"
                                     << "" << int(Problem::Unreachable)
                                     << "no se llega al servidor; ¿está en marcha y se llega a él por la red?";
    }
    void connectionRefused() {
        QFETCH(QString, settings);
        QFETCH(QString, pgpass);
        QFETCH(int, problem);
        QFETCH(QString, said);
        QTemporaryDir folder;
        QFile passwords(folder.filePath("pgpass"));
        QVERIFY(passwords.open(QIODevice::WriteOnly));
        passwords.write(pgpass.toUtf8() + "\n");
        passwords.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
        passwords.close();
        qputenv("PGPASSFILE", passwords.fileName().toUtf8());
        const QString connection = settings.replace("SOCKET", socket_).replace("EMPTY", folder.path());
        const auto lab = LabDatabase::open(connection);
        qunsetenv("PGPASSFILE");
        if (problem < 0) {
            QVERIFY(std::holds_alternative<std::unique_ptr<LabDatabase>>(lab));
            return;
        }
        QVERIFY(std::holds_alternative<LabDatabase::Failure>(lab));
        const auto& failure = std::get<LabDatabase::Failure>(lab);
        QVERIFY2(failure.message.startsWith("Historial del laboratorio (" + connection + "): "),
                 qPrintable(failure.message));
        QVERIFY2(failure.message.contains(said), qPrintable(failure.message));
        QCOMPARE(int(failure.problem), problem);
    }

    // A connection that the server ends (a restart; a pulled cable, once noticed) reads as not reached.
    void lostConnectionIsUnreachable() {
        auto station = open("puesto02");
        QVERIFY(std::get<bool>(station->send(row("puesto02"))));
        QCOMPARE(value(admin_.get(),
                       "SELECT bool_and(pg_terminate_backend(pid, 5000)) FROM pg_stat_activity "
                       "WHERE usename = 'puesto02'"),
                 "true");
        const auto sent = station->send(row("puesto02"));
        QVERIFY(std::holds_alternative<LabDatabase::Failure>(sent));
        QCOMPARE(std::get<LabDatabase::Failure>(sent).problem, Problem::Unreachable);
        QVERIFY(std::get<LabDatabase::Failure>(sent).message.contains("se ha perdido la conexión con el servidor"));
    }

    // A role that owns its database gets the schema made; two at once make it once.
    void schemaMadeOnFirstUse() {
        QString first, second;  // each one's schema version, or why it failed
        auto openIn = [this](QString& result) {
            const auto lab = LabDatabase::open(connection("dueno", "propio"));
            const auto* failure = std::get_if<LabDatabase::Failure>(&lab);
            result = failure ? failure->message
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
        QVERIFY(std::get<bool>(dueno->send(row("dueno"))));

        value(dueno.get(), "UPDATE schema_version SET version = version + 1");
        const auto newer = LabDatabase::open(connection("dueno", "propio"));
        QVERIFY(std::holds_alternative<LabDatabase::Failure>(newer));
        QCOMPARE(std::get<LabDatabase::Failure>(newer).problem, Problem::NewerSchema);
        QVERIFY(std::get<LabDatabase::Failure>(newer).message.contains("una versión más reciente de cardcheck"));
    }

private:
    QString connection(const QString& user, const QString& database = "historial") const {
        return QString("host=%1 dbname=%2 user=%3").arg(socket_, database, user);
    }
    std::unique_ptr<LabDatabase> open(const QString& user, const QString& database = "historial") const {
        auto lab = LabDatabase::open(connection(user, database));
        if (auto* failure = std::get_if<LabDatabase::Failure>(&lab)) qWarning() << failure->message;
        return std::holds_alternative<LabDatabase::Failure>(lab)
                   ? nullptr
                   : std::move(std::get<std::unique_ptr<LabDatabase>>(lab));
    }
    // Runs statements ("; " between them), or a file with -f, as the superuser.
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
    // The first value of a query's first row, as text.
    static QString value(LabDatabase* lab, const QString& statement, const QVariant& bound = {}) {
        if (!lab) return "no connection";
        QSqlQuery query(lab->database());
        query.prepare(statement);
        if (bound.isValid()) query.addBindValue(bound);
        if (!query.exec()) return query.lastError().text();
        return query.next() ? query.value(0).toString() : QString();
    }
    // Every column of a check as the server holds it.
    QString snapshot(const CheckRow& check) const {
        return value(admin_.get(), "SELECT row_to_json(c)::text FROM checks c WHERE uuid = ?",
                     check.uuid.toString(QUuid::WithoutBraces));
    }
    static CheckRow row(const QString& station) {
        CheckRow check;
        check.uuid = QUuid::createUuid();
        check.station = station;
        check.started = QDateTime::currentDateTimeUtc();
        check.kind = "sequence";
        check.mode = "headless";
        check.outcome = "running";
        check.owner = "arranque 1234";
        check.port = "/dev/parport0";
        check.version = "1.0.0";
        return check;
    }

    QString socket_;
    QString bin_;
    std::unique_ptr<LabDatabase> admin_;
};

QTEST_GUILESS_MAIN(TestLabDatabase)
#include "test_lab_database.moc"
