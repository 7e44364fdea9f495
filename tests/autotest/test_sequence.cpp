#include <QtTest>
#include "widgets/lamp.h"

#include "tests/support/screen_reader_listener.h"
#include "tests/support/test_window.h"

// The whole sequence from " INICIAR     TEST ": six tests handing over one to the next.
class TestSequence : public QObject {
    Q_OBJECT
private slots:
    void goodCard_data();
    void goodCard();
    void faultyCards_data();
    void faultyCards();
    void readings_data();
    void readings();
    void twoWindowsAtOnce();
};

namespace {

const QList<int> kTicksPerTest{8, 16, 32, 6, 4, 10};

// List1 once tick j of a test has returned; each digital test empties it at its hand-over.
QStringList progressLines(int test, int j, bool last) {
    if (test == 6) return analogRows(9 - j);
    if (last) return {};
    QStringList lines;
    for (int i = 0; i <= j; ++i) {
        if (test == 4) lines << "Todas las Entradas correctas";
        if (test == 5)
            lines << "Las 4 primeras Entradas son correctas"
                  << "Las 4 ultimas Entradas son correctas";
    }
    if (test >= 4) return lines;
    return j % 8 == 7 ? QStringList() : passLines(j % 8 + 1);  // tests 1 to 3: a pass over the eight outputs
}

}  // namespace

void TestSequence::goodCard_data() {
    QTest::addColumn<bool>("withPictures");
    QTest::newRow("pictures beside the program") << true;
    QTest::newRow("picture files missing") << false;
}

// Tick by tick: the port traffic with its waits, both lists, which timer runs, and the test's
// description and picture set anew at every tick. Without the picture files the boxes stay empty, nothing else
// changes. A screen reader reads out every verdict line and no progress line, and hears the indicators.
void TestSequence::goodCard() {
    QFETCH(bool, withPictures);
    QTemporaryDir empty;
    WindowRig w(CardFaults(), withPictures ? QString() : empty.path());
    const QString folder = withPictures ? w.pictures.path() : empty.path();
    QList<int> ticks(6, 0);
    for (TickTimer* timer : testTimers(w.form))
        connect(timer, &TickTimer::tickEnded, this, [&] {
            const int test = w.log.ticks.last().test;
            QVERIFY(w.form.Text2[0]->toPlainText().contains(test == 6 ? "ANALOGICAS" : "DIGITALES"));
            QCOMPARE(w.form.Picture3->picturePath(), folder + QStringLiteral("/test%1.jpg").arg(test));
            QCOMPARE(w.form.Picture3->showsPicture(), withPictures);
            w.form.Text2[0]->clear();
            w.form.Picture3->LoadPicture(QString());
        });
    ScreenReaderListener listener;
    w.form.Command3_Click();
    w.runToEnd();
    QCOMPARE(listener.readOut, w.form.List2->lines());
    QVERIFY(listener.changed.contains(QStringLiteral("Salida 7: marcada")));

    for (const Tick& tick : w.log.ticks) {
        const int j = ticks[tick.test - 1]++;
        const bool last = j == kTicksPerTest[tick.test - 1] - 1;
        const QByteArray where = QStringLiteral("test %1, tick %2").arg(tick.test).arg(j + 1).toLatin1();
        QVERIFY2(tick.trace == tickTrace(tick.test, j % 8), where + ": " + tick.trace.join(u' ').toLatin1());
        QVERIFY2(tick.list1 == progressLines(tick.test, j, last), where);
        const QStringList list2 = verdicts(last ? tick.test : tick.test - 1);
        QVERIFY2(tick.list2 ==
                     (tick.test == 6 && last ? list2 + QStringList{"FUNCIONAMIENTO DE LA TARJETA CORRECTO"} : list2),
                 where);
        QVERIFY2(tick.runningAfter == (!last ? tick.test : tick.test < 6 ? tick.test + 1 : 0), where);
    }
    QCOMPARE(ticks, kTicksPerTest);
    // A tick that outlasts its timer's interval is followed by the next one at once, so the sequence
    // takes exactly what its waits and first intervals add up to: 500 + 8 x 1900, 16 x 500 + 50,
    // 32 x 50 + 50, 500 + 6 x 600, 500 + 4 x 600 and 100 + 10 x 400 ms.
    QCOMPARE(w.rig.clock.elapsedMs(), qint64(15700 + 8050 + 1650 + 4100 + 2900 + 4100));
    QVERIFY(!w.rig.clock.hasAlarms());
    // Test 6 writes nothing: test 5's last pattern stays on, and so do its indicators.
    QCOMPARE(w.rig.sim.relays(), 240);
    QCOMPARE(lit(w.form.Picture1), QStringList({"4", "5", "6", "7"}));
    QCOMPARE(lit(w.form.Picture2), QStringList({"0", "1", "2", "3"}));
}

void TestSequence::faultyCards_data() {
    QTest::addColumn<QString>("fault");
    QTest::addColumn<int>("failingOutput");
    QTest::newRow("inputs 1 and 6 crossed") << "cruzados:1,6" << 1;
    QTest::newRow("input 5 stuck at 0") << "fija:5=0" << 0;
    QTest::newRow("input 7 broken, the last output") << "roto:7" << 7;
}

// A wrong connection fails both checks of its test 1 tick: the pair twice, the tick still runs to
// its end, then the chain stops there with every relay off.
void TestSequence::faultyCards() {
    QFETCH(QString, fault);
    QFETCH(int, failingOutput);
    CardFaults faults;
    QVERIFY(!addFault(faults, fault));
    WindowRig w(faults);
    w.form.Command3_Click();
    w.runToEnd();
    QCOMPARE(w.log.ticks.size(), failingOutput + 1);
    QCOMPARE(w.log.ticks.last().test, 1);
    QCOMPARE(w.log.ticks.last().trace, tickTrace(1, failingOutput));
    QCOMPARE(w.form.List1->lines(), passLines(failingOutput));
    QCOMPARE(w.form.List2->lines(), kErrorPair + kErrorPair);
    QCOMPARE(w.rig.sim.relays(), 0);
}

namespace {

// A voltage as the value boxes show it, with the decimal separator of the user's locale.
QString shown(const char* volts) {
    return QString::fromLatin1(volts).replace(u'.', QLocale::system().decimalPoint());
}

}  // namespace

void TestSequence::readings_data() {
    QTest::addColumn<int>("input");
    QTest::addColumn<std::vector<int>>("readings");  // one a tick; the last one holds
    QTest::addColumn<QString>("lastText");
    QTest::addColumn<QString>("correct");  // in the first tick and the tenth
    QTest::newRow("231 passes") << 3 << std::vector<int>{231} << shown("4.51171875") << "11";
    QTest::newRow("230 fails") << 3 << std::vector<int>{230} << shown("4.4921875") << "00";
    QTest::newRow("0, lamp dark") << 1 << std::vector<int>{0} << QStringLiteral("0") << "00";
    QTest::newRow("1, lamp lit") << 2 << std::vector<int>{1} << shown("0.01953125") << "00";
    QTest::newRow("fails in ticks 1 to 9, passes in 10")
        << 2 << std::vector<int>{0, 0, 0, 0, 0, 0, 0, 0, 0, 255} << shown("4.98046875") << "01";
    QTest::newRow("passes in ticks 1 to 9, fails in 10")
        << 4 << std::vector<int>{255, 255, 255, 255, 255, 255, 255, 255, 255, 230} << shown("4.4921875") << "10";
}

// Only the tenth tick's readings decide the verdict; test 6 never touches the outputs.
void TestSequence::readings() {
    QFETCH(int, input);
    QFETCH(std::vector<int>, readings);
    QFETCH(QString, lastText);
    QFETCH(QString, correct);
    CardFaults faults;
    faults.analogReadings[input - 1] = readings;
    WindowRig w(faults);
    w.rig.card.WriteOutputs(36);
    w.form.Command7_Click();
    w.runToEnd();
    QCOMPARE(w.log.ticks.size(), 10);
    for (int tick : {0, 9}) {
        std::array<bool, 4> rows{true, true, true, true};
        rows[input - 1] = correct[tick / 9] == u'1';
        QCOMPARE(w.log.ticks[tick].list1, analogRows(9 - tick, rows));
    }
    for (int other = 1; other <= 4; ++other) {
        QCOMPARE(w.form.Text3[other]->toPlainText(), other == input ? lastText : shown("4.98046875"));
        QCOMPARE(w.form.Shape3[other - 1]->isLit(), other != input || lastText != "0");
    }
    QCOMPARE(w.form.List2->lines(), correct.endsWith(u'1')
                                        ? QStringList({"TEST 6 CORRECTO", "FUNCIONAMIENTO DE LA TARJETA CORRECTO"})
                                        : kErrorPair);
    QCOMPARE(w.rig.recorder.outputBytes(), QList<int>{36});
}

// Two windows, each on its own card and clock, run in turns of 5 ms: neither counts the other's
// steps, and both reach the verdict of a good card.
void TestSequence::twoWindowsAtOnce() {
    WindowRig first, second;
    first.form.Command3_Click();
    second.form.Command3_Click();
    for (int turn = 0; turn < 20'000 && !(idle(first.form) && idle(second.form)); ++turn)
        for (WindowRig* w : {&first, &second}) w->rig.clock.advance(5);
    for (WindowRig* w : {&first, &second})
        QCOMPARE(w->form.List2->lines(), verdicts(6) + QStringList{"FUNCIONAMIENTO DE LA TARJETA CORRECTO"});
}

QTEST_MAIN(TestSequence)
#include "test_sequence.moc"
