#include <QtTest>

#include "tests/support/test_window.h"
#include "widgets/lamp.h"

// Test 6 alone, from "INICIAR TEST ANALOGICO": ten ticks reading the four analog inputs, then the
// verdict on the whole card from the tenth tick's readings.
class TestAnalogTest : public QObject {
    Q_OBJECT
private slots:
    void readings_data();
    void readings();
};

namespace {

// A voltage as the value boxes show it, with the decimal separator of the user's locale.
QString shown(const char* volts) {
    return QString::fromLatin1(volts).replace(u'.', QLocale::system().decimalPoint());
}

}  // namespace

void TestAnalogTest::readings_data() {
    QTest::addColumn<int>("input");
    QTest::addColumn<std::vector<int>>("readings");  // one a tick; the last one holds
    QTest::addColumn<QString>("lastText");
    QTest::addColumn<bool>("lampLit");
    QTest::addColumn<bool>("correctInFirstTick");
    QTest::addColumn<bool>("correctInLastTick");
    QTest::newRow("full scale") << 1 << std::vector<int>{255} << shown("4.98046875") << true << true << true;
    QTest::newRow("231 passes") << 3 << std::vector<int>{231} << shown("4.51171875") << true << true << true;
    QTest::newRow("230 fails") << 3 << std::vector<int>{230} << shown("4.4921875") << true << false << false;
    QTest::newRow("0, lamp dark") << 1 << std::vector<int>{0} << QStringLiteral("0") << false << false << false;
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
    w.rig.card.WriteOutputs(36);
    w.form.Command7_Click();
    w.runToEnd();
    const QList<Tick>& ticks = w.log.ticks;
    QCOMPARE(ticks.size(), 10);
    QCOMPARE(ticks.last().test, 6);

    std::array<bool, 4> first{true, true, true, true};
    first[input - 1] = correctInFirstTick;
    QCOMPARE(ticks.first().list1, analogRows(9, first));
    std::array<bool, 4> last{true, true, true, true};
    last[input - 1] = correctInLastTick;
    QCOMPARE(ticks.last().list1, analogRows(0, last));

    QCOMPARE(w.form.Text3[input]->toPlainText(), lastText);
    QCOMPARE(w.form.Shape3[input - 1]->isLit(), lampLit);
    for (int other = 1; other <= 4; ++other) {
        if (other == input) continue;
        QCOMPARE(w.form.Text3[other]->toPlainText(), shown("4.98046875"));
        QVERIFY(w.form.Shape3[other - 1]->isLit());
    }
    QCOMPARE(w.form.List2->lines(), correctInLastTick
                                        ? QStringList({"TEST 6 CORRECTO", "FUNCIONAMIENTO DE LA TARJETA CORRECTO"})
                                        : kErrorPair);
    // Nothing follows test 6, and it never touches the outputs.
    QCOMPARE(w.rig.recorder.outputBytes(), QList<int>{36});
}

QTEST_MAIN(TestAnalogTest)
#include "test_analog_test.moc"
