#include <QtTest>

#include "chain_driver.h"

// The whole sequence from " INICIAR     TEST ": six tests handing over one to the next.
class TestSequence : public QObject {
    Q_OBJECT
private slots:
    void goodCard_data();
    void goodCard();
    void faultyCards_data();
    void faultyCards();
};

namespace {

const QStringList kDescriptions{
    "COMPROBANDO SALIDAS Y ENTRADAS DIGITALES. Se iran activando y desactivando, dos veces, una por una, todas las "
    "salidas por rele",
    "COMPROBANDO SALIDAS Y ENTRADAS DIGITALES. Las salidas por rele realizan un efecto cortina lento",
    "COMPROBANDO SALIDAS Y ENTRADAS DIGITALES. Las salidas por rele realizan un efecto cortina rapido",
    "COMPROBANDO SALIDAS Y ENTRADAS DIGITALES. Se activan y desactivan todas las salidas por rele al tiempo",
    "COMPROBANDO SALIDAS Y ENTRADAS DIGITALES. Se alternan las 4 primeras salidas por rele, con las 4 ultimas",
    "COMPROBANDO ENTRADAS ANALOGICAS. Los valores de cada entrada debe estar en un rango entre 4.8v y 5v. Se "
    "espera unos segundos."};

const QList<int> kTicksPerTest{8, 16, 32, 6, 4, 10};

QStringList repeated(const QStringList& lines, int times) {
    QStringList all;
    for (int i = 0; i < times; ++i) all += lines;
    return all;
}

// List1 once tick j of a test has returned; each digital test empties it at its hand-over.
QStringList progressLines(int test, int j, bool last) {
    if (test == 6) return analogRows(9 - j);
    if (last) return {};
    if (test == 4) return repeated({"Todas las Entradas correctas"}, j + 1);
    if (test == 5)
        return repeated({"Las 4 primeras Entradas son correctas", "Las 4 ultimas Entradas son correctas"}, j + 1);
    return j % 8 == 7 ? QStringList() : passLines(j % 8 + 1);  // tests 1 to 3: a pass over the eight outputs
}

}  // namespace

void TestSequence::goodCard_data() {
    QTest::addColumn<bool>("withPictures");
    QTest::newRow("pictures beside the program") << true;
    QTest::newRow("picture files missing") << false;
}

// Tick by tick: the port traffic with its waits, both lists, which timer runs, and the test's
// description and picture set anew. Without the picture files the boxes stay empty, nothing else
// changes.
void TestSequence::goodCard() {
    QFETCH(bool, withPictures);
    QTemporaryDir empty;
    WindowRig w({}, withPictures ? QString() : empty.path());
    const QString folder = withPictures ? w.pictures.path() : empty.path();
    ChainDriver driver(w.form, w.rig);
    w.form.Command3_Click();

    QList<int> ticks(6, 0);
    for (int count = 0; count < 100 && runningTest(w.form) > 0; ++count) {
        w.form.Text2[0]->clear();
        w.form.Picture3->LoadPicture(QString());
        const Tick tick = driver.fire();
        const int test = tick.test;
        const int j = ticks[test - 1]++;
        const bool last = j == kTicksPerTest[test - 1] - 1;
        const QByteArray where = QStringLiteral("test %1, tick %2").arg(test).arg(j + 1).toLatin1();
        QVERIFY2(tick.trace == tickTrace(test, j % 8), where + ": " + tick.trace.join(u' ').toLatin1());
        QVERIFY2(tick.list1 == progressLines(test, j, last), where);
        const QStringList list2 = verdicts(last ? test : test - 1);
        QVERIFY2(
            tick.list2 == (test == 6 && last ? list2 + QStringList{"FUNCIONAMIENTO DE LA TARJETA CORRECTO"} : list2),
            where);
        QVERIFY2(tick.runningAfter == (!last ? test : test < 6 ? test + 1 : 0), where);
        QVERIFY2(tick.sequenceEnded == (test == 6 && last ? 1 : 0), where);
        QVERIFY2(w.form.Text2[0]->toPlainText() == kDescriptions[test - 1], where);
        QVERIFY2(w.form.Picture3->picturePath() == folder + QStringLiteral("/test%1.jpg").arg(test), where);
        QVERIFY2(w.form.Picture3->showsPicture() == withPictures, where);
    }
    QCOMPARE(ticks, kTicksPerTest);
    QCOMPARE(driver.sequenceEnded(), 1);
    // Test 6 writes nothing: test 5's last pattern stays on, and so do its indicators.
    QCOMPARE(w.rig.sim.relays(), 240);
    QCOMPARE(lit(w.form.Picture1), QStringList({"4", "5", "6", "7"}));
    QCOMPARE(lit(w.form.Picture2), QStringList({"0", "1", "2", "3"}));
    QCOMPARE(w.form.Picture1[4]->showsPicture(), withPictures);
    // Every tick comes one timer interval after the last one returned, then takes its own waits:
    // 8 x (500 + 1900), 16 x (500 + 50), 32 x (50 + 50), 6 x (500 + 600), 4 x (500 + 600) and
    // 10 x (100 + 4 x 100).
    QCOMPARE(w.rig.clock.elapsedMs(), qint64(19200 + 8800 + 3200 + 6600 + 4400 + 5000));
}

void TestSequence::faultyCards_data() {
    QTest::addColumn<CardFaults>("faults");
    QTest::addColumn<int>("failingOutput");
    CardFaults broken2;
    broken2.inputSource[2] = -1;
    CardFaults crossed;
    std::swap(crossed.inputSource[1], crossed.inputSource[6]);
    CardFaults stuck1;
    stuck1.stuckInput[6] = 1;
    CardFaults stuck0;
    stuck0.stuckInput[5] = 0;
    CardFaults broken7;
    broken7.inputSource[7] = -1;
    QTest::newRow("input 2 broken") << broken2 << 2;
    QTest::newRow("inputs 1 and 6 crossed") << crossed << 1;
    QTest::newRow("input 6 stuck at 1") << stuck1 << 6;
    QTest::newRow("input 5 stuck at 0") << stuck0 << 0;
    QTest::newRow("input 7 broken, the last output") << broken7 << 7;
}

// A wrong connection fails both checks of its test 1 tick: the pair twice, the tick still runs to
// its end, then the chain stops there with every relay off and the end announced once.
void TestSequence::faultyCards() {
    QFETCH(CardFaults, faults);
    QFETCH(int, failingOutput);
    WindowRig w(faults);
    ChainDriver driver(w.form, w.rig);
    w.form.Command3_Click();
    const QList<Tick> ticks = driver.run();
    QCOMPARE(ticks.size(), failingOutput + 1);
    QCOMPARE(ticks.last().test, 1);
    QCOMPARE(ticks.last().trace, tickTrace(1, failingOutput));
    QCOMPARE(w.form.List1->lines(), passLines(failingOutput));
    QCOMPARE(w.form.List2->lines(), kErrorPair + kErrorPair);
    QCOMPARE(runningTest(w.form), 0);
    QCOMPARE(w.rig.sim.relays(), 0);
    QCOMPARE(driver.sequenceEnded(), 1);
}

QTEST_MAIN(TestSequence)
#include "test_sequence.moc"
