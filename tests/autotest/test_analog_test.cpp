#include <QtTest>

#include "chain_driver.h"
#include "widgets/lamp.h"

// Test 6: ten ticks reading the four analog inputs, then the verdict on the whole card.
class TestAnalogTest : public QObject {
    Q_OBJECT
private slots:
    void fullScaleCard();
    void countdown();
    void readings_data();
    void readings();
};

namespace {

const QString kDescription = QStringLiteral(
    "COMPROBANDO ENTRADAS ANALOGICAS. Los valores de cada entrada debe estar en un rango entre 4.8v y 5v. Se "
    "espera unos segundos.");
const QStringList kCardWorks{"TEST 6 CORRECTO", "FUNCIONAMIENTO DE LA TARJETA CORRECTO"};

// A voltage as the value boxes show it, with the decimal separator of the user's locale.
QString shown(const char* volts) {
    return QString::fromLatin1(volts).replace(u'.', QLocale::system().decimalPoint());
}

QString inputRow(int input, bool correct) {
    return QStringLiteral("Entrada analogica %1 %2").arg(input).arg(correct ? "Correcta" : "INCORRECTA");
}

QStringList block(int remaining, std::array<bool, 4> correct = {true, true, true, true}) {
    QStringList rows{QStringLiteral("COMPROBANDO ESTABILIDAD. Tiempo restante: %1").arg(remaining), QString()};
    for (int input = 1; input <= 4; ++input) rows << inputRow(input, correct[input - 1]);
    return rows;
}

}  // namespace

// Test 6 alone, from "INICIAR TEST ANALOGICO": it never writes the outputs.
void TestAnalogTest::fullScaleCard() {
    WindowRig w;
    ChainDriver driver(w.form, w.rig);
    w.rig.card.WriteOutputs(36);
    w.form.Command7_Click();
    const QList<Tick> ticks = driver.run();
    QCOMPARE(ticks.size(), 10);
    for (const Tick& tick : ticks) {
        QCOMPARE(tick.test, 6);
        QCOMPARE(tick.trace, QStringList({"A1", "A2", "A4", "A8"}));
    }
    QCOMPARE(w.rig.sim.relays(), 36);
    for (int n = 1; n <= 4; ++n) {
        QCOMPARE(w.form.Text3[n]->toPlainText(), shown("4.98046875"));
        QVERIFY(w.form.Shape3[n - 1]->isLit());
    }
    QCOMPARE(w.form.Text2[0]->toPlainText(), kDescription);
    QCOMPARE(w.form.Picture3->picturePath(), w.pictures.path() + "/test6.jpg");
    QCOMPARE(w.form.List1->lines(), block(0));
    QCOMPARE(w.form.List2->lines(), kCardWorks);
    QCOMPARE(TestStep, qint16(10));
    QCOMPARE(runningTest(w.form), 0);
    QCOMPARE(driver.sequenceEnded(), 1);
}

// The six rows are written in place: 9 down to 0, never 10, and never a seventh row.
void TestAnalogTest::countdown() {
    WindowRig w;
    ChainDriver driver(w.form, w.rig);
    w.form.Command7_Click();
    const QList<Tick> ticks = driver.run();
    QCOMPARE(ticks.size(), 10);
    for (int n = 1; n <= 10; ++n) {
        const Tick& tick = ticks[n - 1];
        QCOMPARE(tick.list1, block(10 - n));
        QCOMPARE(int(tick.step), n);
        QCOMPARE(tick.runningAfter, n < 10 ? 6 : 0);
        QCOMPARE(tick.list2, n < 10 ? QStringList() : kCardWorks);
        QCOMPARE(tick.sequenceEnded, n < 10 ? 0 : 1);
    }
}

void TestAnalogTest::readings_data() {
    QTest::addColumn<int>("input");
    QTest::addColumn<std::vector<int>>("readings");  // one a tick; the last one holds
    QTest::addColumn<QString>("lastText");
    QTest::addColumn<bool>("lampLit");
    QTest::addColumn<bool>("correctInFirstTick");
    QTest::addColumn<bool>("correctInLastTick");
    QTest::newRow("231 passes") << 3 << std::vector<int>{231} << shown("4.51171875") << true << true << true;
    QTest::newRow("230 fails") << 3 << std::vector<int>{230} << shown("4.4921875") << true << false << false;
    QTest::newRow("0, lamp dark") << 1 << std::vector<int>{0} << QStringLiteral("0") << false << false << false;
    QTest::newRow("half scale") << 4 << std::vector<int>{128} << shown("2.5") << true << false << false;
    QTest::newRow("one step above 0") << 2 << std::vector<int>{1} << shown("0.01953125") << true << false << false;
    // Only the tenth tick decides.
    QTest::newRow("fails in ticks 1 to 9, passes in 10")
        << 2 << std::vector<int>{0, 0, 0, 0, 0, 0, 0, 0, 0, 255} << shown("4.98046875") << true << false << true;
    QTest::newRow("passes in ticks 1 to 9, fails in 10")
        << 4 << std::vector<int>{255, 255, 255, 255, 255, 255, 255, 255, 255, 230} << shown("4.4921875") << true << true
        << false;
}

void TestAnalogTest::readings() {
    QFETCH(int, input);
    QFETCH(std::vector<int>, readings);
    QFETCH(QString, lastText);
    QFETCH(bool, lampLit);
    QFETCH(bool, correctInFirstTick);
    QFETCH(bool, correctInLastTick);
    CardFaults faults;
    faults.analogReadings[input - 1] = readings;
    WindowRig w(faults);
    ChainDriver driver(w.form, w.rig);
    w.form.Command7_Click();
    const QList<Tick> ticks = driver.run();
    QCOMPARE(ticks.size(), 10);

    std::array<bool, 4> first{true, true, true, true};
    first[input - 1] = correctInFirstTick;
    QCOMPARE(ticks.first().list1, block(9, first));
    std::array<bool, 4> last{true, true, true, true};
    last[input - 1] = correctInLastTick;
    QCOMPARE(ticks.last().list1, block(0, last));

    QCOMPARE(w.form.Text3[input]->toPlainText(), lastText);
    QCOMPARE(w.form.Shape3[input - 1]->isLit(), lampLit);
    for (int other = 1; other <= 4; ++other) {
        if (other == input) continue;
        QCOMPARE(w.form.Text3[other]->toPlainText(), shown("4.98046875"));
        QVERIFY(w.form.Shape3[other - 1]->isLit());
    }
    QCOMPARE(w.form.List2->lines(), correctInLastTick ? kCardWorks : kErrorPair);
    QCOMPARE(runningTest(w.form), 0);
    QCOMPARE(TestStep, qint16(10));
}

QTEST_MAIN(TestAnalogTest)
#include "test_analog_test.moc"
