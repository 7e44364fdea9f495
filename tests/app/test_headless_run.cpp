#include <QtTest>

#include "app/headless_run.h"
#include "tests/support/test_window.h"

// The headless run: the test window's own sequence, its verdict lines passed on as they come, and
// the relays switched off at the end whatever the outcome.
class TestHeadlessRun : public QObject {
    Q_OBJECT
private slots:
    void wholeRun_data();
    void wholeRun();
    void stoppedBySignal();
};

void TestHeadlessRun::wholeRun_data() {
    QTest::addColumn<QStringList>("faults");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<int>("status");
    const QStringList pair{"SE HA PRODUCIDO UN ERROR", "COMPRUEBE LAS CONEXIONES"};
    QTest::newRow("good card") << QStringList{}
                               << QStringList{"TEST 1 CORRECTO",
                                              "TEST 2 CORRECTO",
                                              "TEST 3 CORRECTO",
                                              "TEST 4 CORRECTO",
                                              "TEST 5 CORRECTO",
                                              "TEST 6 CORRECTO",
                                              "FUNCIONAMIENTO DE LA TARJETA CORRECTO"}
                               << HeadlessRun::kCardPassed;
    QTest::newRow("broken wire") << QStringList{"roto:3"} << pair + pair << HeadlessRun::kTestFailed;
    QTest::newRow("crossed wires") << QStringList{"cruzados:6,7"} << pair + pair << HeadlessRun::kTestFailed;
    QTest::newRow("analog input low") << QStringList{"analogica:4=230"}
                                      << QStringList{"TEST 1 CORRECTO", "TEST 2 CORRECTO", "TEST 3 CORRECTO",
                                                     "TEST 4 CORRECTO", "TEST 5 CORRECTO"} +
                                             pair
                                      << HeadlessRun::kTestFailed;
}

void TestHeadlessRun::wholeRun() {
    QFETCH(QStringList, faults);
    QFETCH(QStringList, lines);
    QFETCH(int, status);
    CardFaults cardFaults;
    for (const QString& fault : faults) QVERIFY(!addFault(cardFaults, fault));
    CardRig rig(cardFaults);
    PictureFolder pictures;
    QStringList printed;
    HeadlessRun run(rig.card, rig.clock, pictures.path(), [&](const QString& line) { printed << line; });
    QList<int> finished;
    connect(&run, &HeadlessRun::finished, this, [&](int exitStatus) { finished << exitStatus; });

    run.start();
    QVERIFY(!run.window().isVisible());
    rig.clock.runUntil([&] { return !finished.isEmpty(); });

    QCOMPARE(printed, lines);
    QCOMPARE(finished, QList<int>{status});
    QCOMPARE(rig.recorder.trace().mid(rig.recorder.trace().size() - 2), QStringList({"out 890 7", "out 888 0"}));
    QCOMPARE(runningTest(run.window()), 0);
}

void TestHeadlessRun::stoppedBySignal() {
    CardRig rig;
    PictureFolder pictures;
    HeadlessRun run(rig.card, rig.clock, pictures.path(), [](const QString&) {});
    QList<int> finished;
    connect(&run, &HeadlessRun::finished, this, [&](int exitStatus) { finished << exitStatus; });
    run.start();
    rig.clock.advance(15700 + 520);  // output 0 of test 2 is on, its settle wait under way
    QCOMPARE(rig.sim.relays(), 1);
    QVERIFY(run.window().Timer2->tickRunning());

    rig.recorder.clear();
    run.stop(128 + 15);
    QCOMPARE(rig.recorder.trace(), QStringList({"out 890 7", "out 888 0"}));
    QCOMPARE(finished, QList<int>{143});
    QVERIFY(idle(run.window()));
    QVERIFY(!rig.clock.hasAlarms());
    run.stop(143);  // a second signal changes nothing
    QCOMPARE(finished.size(), 1);
}

QTEST_MAIN(TestHeadlessRun)
#include "test_headless_run.moc"
