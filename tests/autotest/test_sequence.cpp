#include <QtTest>

#include "chain_driver.h"

// The whole sequence from " INICIAR     TEST ": six tests handing over one to the next.
class TestSequence : public QObject {
    Q_OBJECT
private slots:
    void goodCard();
    void faultyCards_data();
    void faultyCards();
    void analogTestAlone();
    void everyTickShowsItsTest_data();
    void everyTickShowsItsTest();
    void missingPicturesChangeNothing();
};

namespace {

const QStringList kGoodRun{"TEST 1 CORRECTO",
                           "TEST 2 CORRECTO",
                           "TEST 3 CORRECTO",
                           "TEST 4 CORRECTO",
                           "TEST 5 CORRECTO",
                           "TEST 6 CORRECTO",
                           "FUNCIONAMIENTO DE LA TARJETA CORRECTO"};

const QStringList kDescriptions{
    "COMPROBANDO SALIDAS Y ENTRADAS DIGITALES. Se iran activando y desactivando, dos veces, una por una, todas las "
    "salidas por rele",
    "COMPROBANDO SALIDAS Y ENTRADAS DIGITALES. Las salidas por rele realizan un efecto cortina lento",
    "COMPROBANDO SALIDAS Y ENTRADAS DIGITALES. Las salidas por rele realizan un efecto cortina rapido",
    "COMPROBANDO SALIDAS Y ENTRADAS DIGITALES. Se activan y desactivan todas las salidas por rele al tiempo",
    "COMPROBANDO SALIDAS Y ENTRADAS DIGITALES. Se alternan las 4 primeras salidas por rele, con las 4 ultimas",
    "COMPROBANDO ENTRADAS ANALOGICAS. Los valores de cada entrada debe estar en un rango entre 4.8v y 5v. Se "
    "espera unos segundos."};

QList<int> ticksPerTest(const QList<Tick>& ticks) {
    QList<int> counts(6, 0);
    for (const Tick& tick : ticks)
        if (tick.test >= 1 && tick.test <= 6) ++counts[tick.test - 1];
    return counts;
}

// Each line of List2 as it is appended, with the test timer that runs at that moment.
class VerdictWatch : public QObject {
public:
    explicit VerdictWatch(const Form3& form) {
        connect(form.List2, &ListBox::lineAdded, this, [this, &form](const QString& line) {
            seen << QStringLiteral("%1 @ %2").arg(line).arg(runningTest(form));
        });
    }
    QStringList seen;
};

CardFaults digital(void (*change)(CardFaults&)) {
    CardFaults faults;
    change(faults);
    return faults;
}

CardFaults analog(int input, std::vector<int> readings) {
    CardFaults faults;
    faults.analogReadings[input - 1] = std::move(readings);
    return faults;
}

}  // namespace

void TestSequence::goodCard() {
    WindowRig w;
    ChainDriver driver(w.form, w.rig);
    VerdictWatch watch(w.form);
    w.form.Command3_Click();
    const QList<Tick> ticks = driver.run();

    QCOMPARE(ticksPerTest(ticks), QList<int>({8, 16, 32, 6, 4, 10}));
    QCOMPARE(w.form.List2->lines(), kGoodRun);
    // A verdict is appended before its test's timer stops, except test 5's, which comes once
    // test 6 runs.
    QCOMPARE(watch.seen,
             QStringList({"TEST 1 CORRECTO @ 1", "TEST 2 CORRECTO @ 2", "TEST 3 CORRECTO @ 3", "TEST 4 CORRECTO @ 4",
                          "TEST 5 CORRECTO @ 6", "TEST 6 CORRECTO @ 6", "FUNCIONAMIENTO DE LA TARJETA CORRECTO @ 6"}));
    QCOMPARE(w.form.List1->lines(), QStringList({"COMPROBANDO ESTABILIDAD. Tiempo restante: 0", "",
                                                 "Entrada analogica 1 Correcta", "Entrada analogica 2 Correcta",
                                                 "Entrada analogica 3 Correcta", "Entrada analogica 4 Correcta"}));
    QCOMPARE(runningTest(w.form), 0);
    // One timer at a time all along, and the end announced once, after the last tick.
    for (int i = 0; i < ticks.size(); ++i) {
        QVERIFY(ticks[i].runningAfter >= 0);
        QCOMPARE(ticks[i].sequenceEnded, i == ticks.size() - 1 ? 1 : 0);
    }
    // Test 6 writes nothing: the last byte written is test 5's.
    QCOMPARE(w.rig.recorder.outputBytes().last(), 240);
    QCOMPARE(w.rig.sim.relays(), 240);
    // No wait missing and none too many: on the driver's clock every tick comes one interval after
    // the last one returned, then takes its own waits: 8 x (500 + 1900) for test 1, 16 x (500 + 50),
    // 32 x (50 + 50), 6 x (500 + 600), 4 x (500 + 600) and 10 x (100 + 4 x 100).
    QCOMPARE(w.rig.clock.elapsedMs(), qint64(19200 + 8800 + 3200 + 6600 + 4400 + 5000));
}

void TestSequence::faultyCards_data() {
    QTest::addColumn<CardFaults>("faults");
    QTest::addColumn<QList<int>>("ticks");
    QTest::addColumn<QStringList>("list2");
    QTest::addColumn<QStringList>("list1");
    QTest::addColumn<int>("runningAtError");
    const QStringList twice = kErrorPair + kErrorPair;
    QTest::newRow("input 2 broken") << digital([](CardFaults& f) { f.inputSource[2] = -1; })
                                    << QList<int>({3, 0, 0, 0, 0, 0}) << twice << passLines(2) << 0;
    QTest::newRow("inputs 1 and 6 crossed")
        << digital([](CardFaults& f) { std::swap(f.inputSource[1], f.inputSource[6]); })
        << QList<int>({2, 0, 0, 0, 0, 0}) << twice << passLines(1) << 0;
    QTest::newRow("input 6 stuck at 1") << digital([](CardFaults& f) { f.stuckInput[6] = 1; })
                                        << QList<int>({7, 0, 0, 0, 0, 0}) << twice << passLines(6) << 0;
    QTest::newRow("input 0 stuck at 0") << digital([](CardFaults& f) { f.stuckInput[0] = 0; })
                                        << QList<int>({2, 0, 0, 0, 0, 0}) << twice << passLines(1) << 0;
    const QStringList digitalPassed = kGoodRun.mid(0, 5);
    QTest::newRow("analog input 2 at 230")
        << analog(2, {230}) << QList<int>({8, 16, 32, 6, 4, 10}) << digitalPassed + kErrorPair
        << QStringList({"COMPROBANDO ESTABILIDAD. Tiempo restante: 0", "", "Entrada analogica 1 Correcta",
                        "Entrada analogica 2 INCORRECTA", "Entrada analogica 3 Correcta",
                        "Entrada analogica 4 Correcta"})
        << 6;
    QTest::newRow("analog input 4 dead") << analog(4, {0}) << QList<int>({8, 16, 32, 6, 4, 10})
                                         << digitalPassed + kErrorPair
                                         << QStringList({"COMPROBANDO ESTABILIDAD. Tiempo restante: 0", "",
                                                         "Entrada analogica 1 Correcta", "Entrada analogica 2 Correcta",
                                                         "Entrada analogica 3 Correcta",
                                                         "Entrada analogica 4 INCORRECTA"})
                                         << 6;
}

// Where each kind of fault stops the sequence, and the end announced once all the same.
void TestSequence::faultyCards() {
    QFETCH(CardFaults, faults);
    QFETCH(QList<int>, ticks);
    QFETCH(QStringList, list2);
    QFETCH(QStringList, list1);
    QFETCH(int, runningAtError);
    WindowRig w(faults);
    ChainDriver driver(w.form, w.rig);
    VerdictWatch watch(w.form);
    w.form.Command3_Click();
    const QList<Tick> run = driver.run();
    QCOMPARE(ticksPerTest(run), ticks);
    QCOMPARE(w.form.List2->lines(), list2);
    QCOMPARE(w.form.List1->lines(), list1);
    QCOMPARE(runningTest(w.form), 0);
    QCOMPARE(driver.sequenceEnded(), 1);
    QCOMPARE(run.last().sequenceEnded, 1);
    QCOMPARE(run[run.size() - 2].sequenceEnded, 0);
    // A digital test stops its timer before it reports; test 6 reports, then stops.
    QVERIFY(watch.seen.contains(QStringLiteral("SE HA PRODUCIDO UN ERROR @ %1").arg(runningAtError)));
}

// "INICIAR TEST ANALOGICO" runs test 6 only, and nothing follows it.
void TestSequence::analogTestAlone() {
    WindowRig w;
    ChainDriver driver(w.form, w.rig);
    w.form.Command7_Click();
    const QList<Tick> ticks = driver.run();
    QCOMPARE(ticksPerTest(ticks), QList<int>({0, 0, 0, 0, 0, 10}));
    QCOMPARE(w.form.List2->lines(), kGoodRun.mid(5));
    QCOMPARE(driver.sequenceEnded(), 1);
    QVERIFY(w.rig.recorder.outputBytes().isEmpty());
}

void TestSequence::everyTickShowsItsTest_data() {
    QTest::addColumn<int>("test");
    for (int test = 1; test <= 6; ++test) QTest::addRow("test %d", test) << test;
}

// The description and the picture are set anew at every tick, not only at the first.
void TestSequence::everyTickShowsItsTest() {
    QFETCH(int, test);
    WindowRig w;
    ChainDriver driver(w.form, w.rig);
    w.form.Command3_Click();
    driver.runUntilTest(test);
    for (int i = 0; i < 3; ++i) {
        w.form.Text2[0]->setPlainText(QString());
        w.form.Picture3->LoadPicture(QString());
        QCOMPARE(driver.fire().test, test);
        QCOMPARE(w.form.Text2[0]->toPlainText(), kDescriptions[test - 1]);
        QCOMPARE(w.form.Picture3->picturePath(), w.pictures.path() + QStringLiteral("/test%1.jpg").arg(test));
        QVERIFY(w.form.Picture3->showsPicture());
    }
}

// Without the picture files the boxes stay empty and the tests run exactly as they would.
void TestSequence::missingPicturesChangeNothing() {
    QTemporaryDir empty;
    WindowRig w({}, empty.path());
    ChainDriver driver(w.form, w.rig);
    w.form.Command3_Click();
    const QList<Tick> ticks = driver.run();
    QCOMPARE(ticksPerTest(ticks), QList<int>({8, 16, 32, 6, 4, 10}));
    QCOMPARE(w.form.List2->lines(), kGoodRun);
    QCOMPARE(w.form.Picture3->picturePath(), empty.path() + "/test6.jpg");
    QVERIFY(!w.form.Picture3->showsPicture());
    for (PictureBox* indicator : w.form.Picture1) QVERIFY(!indicator->showsPicture());
    QCOMPARE(lit(w.form.Picture1), QStringList({"4", "5", "6", "7"}));
}

QTEST_MAIN(TestSequence)
#include "test_sequence.moc"
