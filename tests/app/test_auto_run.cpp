#include <QtTest>

#include "app/auto_run.h"
#include "tests/support/test_window.h"

// The unseen run: the test window's own sequence, its verdict lines passed on as they come, and
// the relays switched off at the end whatever the outcome.
class TestAutoRun : public QObject {
    Q_OBJECT
private slots:
    void wholeRun_data();
    void wholeRun();
    void stoppedBySignal();
};

void TestAutoRun::wholeRun_data() {
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
                               << AutoRun::kCardPassed;
    QTest::newRow("broken wire") << QStringList{"roto:3"} << pair + pair << AutoRun::kTestFailed;
    QTest::newRow("crossed wires") << QStringList{"cruzados:6,7"} << pair + pair << AutoRun::kTestFailed;
    QTest::newRow("analog input low") << QStringList{"analogica:4=230"}
                                      << QStringList{"TEST 1 CORRECTO", "TEST 2 CORRECTO", "TEST 3 CORRECTO",
                                                     "TEST 4 CORRECTO", "TEST 5 CORRECTO"} +
                                             pair
                                      << AutoRun::kTestFailed;
}

void TestAutoRun::wholeRun() {
    QFETCH(QStringList, faults);
    QFETCH(QStringList, lines);
    QFETCH(int, status);
    CardFaults cardFaults;
    for (const QString& fault : faults) QVERIFY(!addFault(cardFaults, fault));
    CardRig rig(cardFaults);
    PictureFolder pictures;
    QStringList printed;
    AutoRun run(rig.card, rig.clock, pictures.path(), [&](const QString& line) { printed << line; });
    QList<int> finished;
    connect(&run, &AutoRun::finished, this, [&](int exitStatus) { finished << exitStatus; });

    run.start();
    QVERIFY(!run.window().isVisible());
    rig.clock.runUntil([&] { return !finished.isEmpty(); });

    QCOMPARE(printed, lines);
    QCOMPARE(finished, QList<int>{status});
    QCOMPARE(rig.recorder.trace().mid(rig.recorder.trace().size() - 2), QStringList({"out 890 7", "out 888 0"}));
    QCOMPARE(runningTest(run.window()), 0);
}

void TestAutoRun::stoppedBySignal() {
    CardRig rig;
    PictureFolder pictures;
    AutoRun run(rig.card, rig.clock, pictures.path(), [](const QString&) {});
    QList<int> finished;
    connect(&run, &AutoRun::finished, this, [&](int exitStatus) { finished << exitStatus; });
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

QTEST_MAIN(TestAutoRun)
#include "test_auto_run.moc"
