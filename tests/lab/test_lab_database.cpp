// Against the throwaway PostgreSQL server that ctest starts (tests/lab/lab_server.sh).
#include <thread>

#include <QSqlError>
#include <QSqlQuery>
#include <QtTest>

#include "lab/lab_database.h"
#include "tests/support/lab_server.h"

using Problem = LabDatabase::Problem;
using Opened = std::variant<std::unique_ptr<LabDatabase>, LabDatabase::Failure>;

namespace {

// What a send did: "written", "unchanged", or the failure's message.
QString result(const std::variant<bool, LabDatabase::Failure>& sent) {
    if (auto* failure = std::get_if<LabDatabase::Failure>(&sent)) return failure->message;
    return std::get<bool>(sent) ? "written" : "unchanged";
}

// What a statement gave back on a station's own connection, "unchanged" when no row, or the error.
QString run(LabDatabase& lab, const QString& statement, const QString& uuid) {
    QSqlQuery query(lab.database());
    query.prepare(statement);
    query.addBindValue(uuid);
    if (!query.exec()) return query.lastError().nativeErrorCode() + " " + query.lastError().databaseText();
    return query.numRowsAffected() > 0 ? "changed" : "unchanged";
}

// A check as a station sends it, every column named.
CheckRow row(const QString& station, const QString& outcome = "running") {
    CheckRow check{QUuid::createUuid().toString(QUuid::WithoutBraces),
                   {{"station", station},
                    {"started", QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs)},
                    {"kind", "sequence"},
                    {"mode", "headless"}},
                   {{"outcome", outcome}, {"owner", "arranque 1234"}, {"version", "1.0.0"}}};
    for (const char* column : {"finished", "card", "summary", "failed_test", "failed_inputs", "port", "volts1",
                               "volts2", "volts3", "volts4", "record"})
        check.ended << ColumnValue{column, QVariant()};
    return check;
}

// Sets a column that a check's end fills in.
void set(CheckRow& check, const QString& column, const QVariant& value) {
    for (ColumnValue& ended : check.ended)
        if (ended.column == column) ended.value = value;
}

QString uuid(const CheckRow& check) {
    return check.uuid;
}

}  // namespace

class TestLabDatabase : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        if (!lab_.missing.isEmpty()) QSKIP(qPrintable(lab_.missing));
        // From scratch, so that the test runs again on the same server; the script twice, as an
        // administrator may run it again.
        QCOMPARE(
            lab_.psql("DROP DATABASE IF EXISTS historial WITH (FORCE); DROP DATABASE IF EXISTS propio WITH "
                      "(FORCE); DROP DATABASE IF EXISTS vacio; DROP ROLE IF EXISTS puesto01, puesto02, ajeno, dueno"),
            "");
        for (int time = 0; time < 2; ++time) QCOMPARE(lab_.psql({}, "postgres", CARDCHECK_LAB_SQL), "");
        QCOMPARE(lab_.psql("CREATE ROLE puesto01 LOGIN IN ROLE puestos; CREATE ROLE puesto02 LOGIN IN ROLE puestos; "
                           "CREATE ROLE ajeno LOGIN; CREATE ROLE dueno LOGIN; CREATE DATABASE propio "
                           "OWNER dueno; CREATE DATABASE vacio"),
                 "");
        // Stations insert and read; they update only what a check's end fills in, and never delete.
        QCOMPARE(server("SELECT concat_ws(' ', has_table_privilege('puestos', 'checks', 'INSERT'), "
                        "has_table_privilege('puestos', 'checks', 'SELECT'), "
                        "has_table_privilege('puestos', 'checks', 'DELETE'), "
                        "has_column_privilege('puestos', 'checks', 'outcome', 'UPDATE'), "
                        "has_column_privilege('puestos', 'checks', 'login', 'UPDATE'), "
                        "has_database_privilege('ajeno', 'historial', 'CONNECT'))"),
                 "t t f t f f");
    }

    // Every value as sent; a completed check is never set back, by a running one or a later send.
    void completedNeverGoesBack() {
        auto station = open("puesto01");
        CheckRow check = row("puesto01");
        QCOMPARE(result(station->send(check)), "written");
        set(check, "outcome", "fail");
        set(check, "finished", QDateTime::currentDateTimeUtc().addSecs(36).toString(Qt::ISODateWithMs));
        set(check, "failed_test", 1);
        for (int input = 0; input < 4; ++input)
            set(check, QString("volts%1").arg(input + 1), QList{4.98, 4.97, 0.0, 4.49}[input]);
        set(check, "record", R"({"outcome": "fail", "lines": ["TEST 1 INCORRECTO"]})");
        QCOMPARE(result(station->send(check)), "written");
        const QString failed = snapshot(check);
        QVERIFY2(
            failed.contains(R"("failed_test":1,"failed_inputs":null,"port":null,"version":"1.0.0","volts1":4.98)") &&
                failed.contains(R"("volts4":4.49,"record":{"lines": ["TEST 1 INCORRECTO"], "outcome": "fail"})"),
            qPrintable(failed));
        QCOMPARE(result(station->send(check)), "unchanged");
        set(check, "outcome", "running");
        set(check, "finished", QVariant());
        QCOMPARE(result(station->send(check)), "unchanged");
        QCOMPARE(snapshot(check), failed);
    }

    // Row-level security: another station's check can be neither changed nor deleted, and no station
    // adds a check under another's login.
    void stationCannotChangeAnothers_data() {
        QTest::addColumn<QString>("outcome");    // the check's outcome before
        QTest::addColumn<QString>("statement");  // "send": puesto02 sends it again, failed
        QTest::addColumn<QString>("expected");
        auto add = [](const char* name, const char* outcome, const char* statement, const char* expected) {
            QTest::newRow(name) << outcome << statement << expected;
        };
        // The sender hears that the uuid is another's; no station's own send is refused for it.
        const char* another = "otro usuario ya envió una comprobación con el mismo identificador";
        add("send, running", "running", "send", another);
        add("send, complete", "pass", "send", another);
        add("update", "running", "UPDATE checks SET outcome = 'fail' WHERE uuid = ?::uuid", "unchanged");
        add("delete", "pass", "DELETE FROM checks WHERE uuid = ?::uuid", "42501 ");
        add("insert as another", "pass",
            "INSERT INTO checks (uuid, station, login, started, kind, mode, outcome) SELECT gen_random_uuid(), "
            "station, login, started, kind, mode, outcome FROM checks WHERE uuid = ?::uuid",
            "42501 ");
    }
    void stationCannotChangeAnothers() {
        QFETCH(QString, outcome);
        QFETCH(QString, statement);
        CheckRow check = row("puesto01", outcome);
        QCOMPARE(result(open("puesto01")->send(check)), "written");
        const QString before = snapshot(check) + server("SELECT count(*) FROM checks");
        auto other = open("puesto02");
        set(check, "outcome", "fail");
        const QString got = statement == "send" ? result(other->send(check)) : run(*other, statement, uuid(check));
        QFETCH(QString, expected);
        QVERIFY2(got.contains(expected), qPrintable(got));
        QCOMPARE(snapshot(check) + server("SELECT count(*) FROM checks"), before);
    }

    void labelLikeSqlKeptIntact() {
        auto station = open("puesto02");
        for (const char* label : {"'; DROP TABLE checks; --", "\\'; SELECT 1; --", "$$; DROP TABLE checks; $$"}) {
            CheckRow check = row("puesto02");
            set(check, "card", label);
            QCOMPARE(result(station->send(check)), "written");
            QCOMPARE(server("SELECT card FROM checks WHERE uuid = '" + uuid(check) + "'"), label);
        }
    }

    // Logged in, but not a station; a station, but no schema and no right to make it.
    void connectionRefused() {
        for (const auto& [user, database, problem, said] :
             {std::tuple{
                  "ajeno", "historial", Problem::PermissionRefused,
                  "el usuario no tiene permiso para conectarse; el administrador debe hacerlo miembro de puestos"},
              std::tuple{"puesto01", "vacio", Problem::NoSchema,
                         "no tiene las tablas del historial y este usuario no puede crearlas; el administrador del "
                         "servidor debe ejecutar /usr/share/cardcheck/historial-laboratorio.sql"}}) {
            const Opened lab = LabDatabase::open(lab_.connection(user, database));
            QVERIFY(std::holds_alternative<LabDatabase::Failure>(lab));
            const LabDatabase::Failure& failure = std::get<LabDatabase::Failure>(lab);
            QCOMPARE(failure.problem, problem);
            QVERIFY2(failure.message.startsWith("Historial del laboratorio (" + lab_.connection(user, database)) &&
                         failure.message.contains(QString::fromUtf8(said)),
                     qPrintable(failure.message));
        }
    }

    // A role that owns its database gets the schema made; two at once make it once; a newer one is refused.
    void schemaMadeOnFirstUse() {
        QString first, second;  // each one's schema version, or why it failed
        auto openIn = [this](QString& version) {
            const Opened lab = LabDatabase::open(lab_.connection("dueno", "propio"));
            const auto* failure = std::get_if<LabDatabase::Failure>(&lab);
            version = failure ? failure->message
                              : QString::number(std::get<std::unique_ptr<LabDatabase>>(lab)->schemaVersion());
        };
        std::thread a(openIn, std::ref(first)), b(openIn, std::ref(second));
        a.join();
        b.join();
        QCOMPARE(first + " " + second, "1 1");
        QCOMPARE(lab_.psql("SELECT count(*) || ' ' || bool_or(relrowsecurity) || ' ' || (SELECT count(*) FROM "
                           "pg_policies) FROM pg_class WHERE relname LIKE 'checks%' AND relnamespace = "
                           "'public'::regnamespace; UPDATE schema_version SET version = version + 1",
                           "propio"),
                 "9 true 3");
        const Opened newer = LabDatabase::open(lab_.connection("dueno", "propio"));
        QVERIFY(std::holds_alternative<LabDatabase::Failure>(newer));
        QCOMPARE(std::get<LabDatabase::Failure>(newer).problem, Problem::NewerSchema);
    }

private:
    std::unique_ptr<LabDatabase> open(const QString& user) const {
        Opened lab = LabDatabase::open(lab_.connection(user));
        if (auto* failure = std::get_if<LabDatabase::Failure>(&lab)) qWarning() << failure->message;
        return std::holds_alternative<LabDatabase::Failure>(lab)
                   ? nullptr
                   : std::move(std::get<std::unique_ptr<LabDatabase>>(lab));
    }
    QString server(const QString& query) const { return lab_.psql(query, "historial"); }
    // Every column of a check as the server holds it.
    QString snapshot(const CheckRow& check) const {
        return server("SELECT row_to_json(c)::text FROM checks c WHERE uuid = '" + uuid(check) + "'");
    }

    const LabServer lab_ = LabServer::fromState();
};

QTEST_GUILESS_MAIN(TestLabDatabase)
#include "test_lab_database.moc"
