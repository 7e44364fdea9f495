// The lab's figures against the throwaway PostgreSQL server that ctest starts
// (tests/lab/lab_server.sh): the same as a station's own history counts them, from a lab made
// anew, from stations of an earlier cardcheck and from a lab made before the figures, upgraded in
// place.
#include <QTemporaryDir>
#include <QtTest>

#include "history/history_database.h"
#include "history/history_reader.h"
#include "history/lab_sender.h"
#include "lab/lab_database.h"
#include "tests/support/figure_checks.h"
#include "tests/support/lab_server.h"

class TestLabFigures : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        if (!lab_.missing.isEmpty()) QSKIP(qPrintable(lab_.missing));
        QCOMPARE(lab_.freshHistory({"puesto01"}), "");
        makeFigureChecks(folder_.filePath("puesto01.sqlite"), "puesto01");
    }

    // Every figure, counted by PostgreSQL over what a station sent, as SQLite counts it there.
    void sameAsStation() {
        QCOMPARE(syncRound(folder_.filePath("puesto01.sqlite"), lab_.connection("puesto01"), "puesto01").problem,
                 std::nullopt);
        const auto station = HistoryReader(folder_.filePath("puesto01.sqlite")).figures({});
        const auto lab = HistoryReader({}, lab_.connection("puesto01")).figures({});
        QVERIFY(std::holds_alternative<HistoryFigures>(station) && std::holds_alternative<HistoryFigures>(lab));
        QCOMPARE(figuresJson(std::get<HistoryFigures>(lab)), figuresJson(std::get<HistoryFigures>(station)));
        HistoryFilter batch{"A*", {}, {}, {}, "puesto01", true};
        QCOMPARE(std::get<HistoryFigures>(HistoryReader({}, lab_.connection("puesto01")).figures(batch)).checks, 8);
    }

    // A pattern's characters are the label's own but for '*': '_' and '%' match only themselves.
    void patternTakenAsWritten() {
        QCOMPARE(lab_.psql("INSERT INTO checks (uuid, station, login, started, kind, mode, outcome, card) SELECT "
                           "gen_random_uuid(), 'patrones', 'puesto01', now(), 'sequence', 'batch', 'pass', card FROM "
                           "unnest(ARRAY['L_1', 'LX1', 'M%1', 'MX1']) AS card",
                           "historial"),
                 "");
        for (const auto& [pattern, cards] : {std::pair{"L_*", 1}, {"M%*", 1}, {"L*", 2}}) {
            const auto read = HistoryReader({}, lab_.connection("puesto01")).figures({pattern, {}, {}, {}, {}, true});
            QCOMPARE(std::get<HistoryFigures>(read).cards, cards);
        }
    }

    // A station of an earlier cardcheck sends no failed_connections: the server fills it in from
    // what it does send, an input it names counting as broken.
    void earlierStation_data() {
        QTest::addColumn<QString>("values");  // failed_test, failed_inputs, record
        QTest::addColumn<int>("connections");
        QTest::newRow("inputs") << "1, '3, 5', '{}'" << (1 << 3 | 1 << 5);
        QTest::newRow("analog") << "6, '4', '{}'" << (1 << 19);
        QTest::newRow("silent card") << "1, '0, 1, 2', '{\"card_answers\": false}'" << (1 << 20);
    }
    void earlierStation() {
        QFETCH(QString, values);
        const QString inserted = lab_.psql(
            "SET ROLE puesto01; INSERT INTO checks (uuid, station, started, kind, mode, outcome, failed_test, "
            "failed_inputs, record) VALUES (gen_random_uuid(), 'antiguo', now(), 'sequence', 'batch', 'fail', " +
                values + ") RETURNING failed_connections",
            "historial");
        QTEST(inserted.toInt(), "connections");
    }

    // A lab made before the figures: a station of this version sends to it without the new column,
    // and nothing is refused; its administrator runs historial-laboratorio.sql again, and the checks
    // kept before count too.
    void labUpgradedInPlace() {
        QCOMPARE(lab_.psql("DROP DATABASE IF EXISTS historial WITH (FORCE)"), "");
        QCOMPARE(lab_.psql("CREATE DATABASE historial OWNER cardcheck_admin"), "");
        QCOMPARE(lab_.psql("SET ROLE cardcheck_admin", "historial", CARDCHECK_LAB_SQL_DIR "/historial-esquema.sql"),
                 "");
        QCOMPARE(lab_.psql("GRANT USAGE ON SCHEMA public TO puestos; GRANT SELECT, INSERT, UPDATE ON checks TO "
                           "puestos; GRANT SELECT ON schema_version TO puestos",
                           "historial"),
                 "");
        // The same checks again, from a copy of the station's history that has sent none of them.
        QFile::copy(folder_.filePath("puesto01.sqlite"), folder_.filePath("again.sqlite"));
        {
            auto again = HistoryDatabase::open(folder_.filePath("again.sqlite"), true);
            QVERIFY(QSqlQuery(std::get<0>(again)->database()).exec("UPDATE checks SET sent = 0"));
        }
        const SendTally before = syncRound(folder_.filePath("again.sqlite"), lab_.connection("puesto01"), "puesto01");
        QCOMPARE(before.problem, std::nullopt);
        QCOMPARE(before.sent, 8);
        auto uncounted = HistoryReader({}, lab_.connection("puesto01")).figures({});
        QCOMPARE(std::get<HistoryFigures>(uncounted).connectionsCounted, false);
        QCOMPARE(std::get<HistoryFigures>(uncounted).failed, 4);

        QCOMPARE(lab_.psql({}, "postgres", CARDCHECK_LAB_SQL), "");
        const auto counted = HistoryReader({}, lab_.connection("puesto01")).figures({});
        const HistoryFigures& figures = std::get<HistoryFigures>(counted);
        QVERIFY(figures.connectionsCounted);
        // As an earlier station's: input 3 counted twice (both broken), input 5 once.
        QCOMPARE(figures.connections[3], 2);
        QCOMPARE(figures.connections[5], 1);
        QCOMPARE(figures.connections[kSilentConnection], 1);
        QCOMPARE(figures.connections[11], 1);
    }

private:
    const LabServer lab_ = LabServer::fromState();
    QTemporaryDir folder_;
};

QTEST_MAIN(TestLabFigures)
#include "test_lab_figures.moc"
