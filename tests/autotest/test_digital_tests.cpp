#include <QtTest>

#include "chain_driver.h"

// Tests 1 to 3: one output at a time, verified after each switch, and their hand-overs.
class TestDigitalTests : public QObject {
    Q_OBJECT
private slots:
    void goodCard_data();
    void goodCard();
    void outputBytes_data();
    void outputBytes();
    void whatTest1ShowsAtEachWait();
    void test1Faults_data();
    void test1Faults();
    void oneVerificationOfATickFails_data();
    void oneVerificationOfATickFails();
    void curtainFaults_data();
    void curtainFaults();
};

namespace {

int power(int k) {
    return 1 << k;
}

// The tick's port traffic with "W<k>" standing for the output value of output k.
QStringList forOutput(const QStringList& pattern, int k) {
    QStringList trace = pattern;
    trace.replaceInStrings("<k>", QString::number(power(k)));
    return trace;
}

QList<int> writtenBytes(const QList<Tick>& ticks) {
    QList<int> bytes;
    for (const Tick& tick : ticks)
        for (const QString& token : tick.trace)
            if (token.startsWith(u'W')) bytes << token.mid(1).toInt();
    return bytes;
}

// A script of status values for the digital reads of one test 1 tick: each pair gives one input
// byte, in the order the tick reads them.
void scriptReads(RecordingPort& port, std::initializer_list<int> inputBytes) {
    for (int inputs : inputBytes)
        port.scriptStatus({static_cast<qint16>((~inputs & 15) << 3), static_cast<qint16>((~(inputs >> 4) & 15) << 3)});
}

CardFaults brokenInput(int n) {
    CardFaults faults;
    faults.inputSource[n] = -1;
    return faults;
}

CardFaults stuckInput(int n, int value) {
    CardFaults faults;
    faults.stuckInput[n] = value;
    return faults;
}

CardFaults crossed(int a, int b) {
    CardFaults faults;
    faults.inputSource[a] = b;
    faults.inputSource[b] = a;
    return faults;
}

}  // namespace

void TestDigitalTests::goodCard_data() {
    QTest::addColumn<int>("test");
    QTest::addColumn<int>("passes");
    QTest::addColumn<QStringList>("tickTrace");
    QTest::addColumn<QString>("description");
    QTest::newRow("test 1") << 1 << 1
                            << QStringList({"W<k>", "S100", "R", "S500", "W0", "S100", "R", "S500", "W<k>", "S100", "R",
                                            "S500", "W0", "S100", "R"})
                            << "COMPROBANDO SALIDAS Y ENTRADAS DIGITALES. Se iran activando y desactivando, dos "
                               "veces, una por una, todas las salidas por rele";
    QTest::newRow("test 2") << 2 << 2 << QStringList({"W<k>", "S50", "R"})
                            << "COMPROBANDO SALIDAS Y ENTRADAS DIGITALES. Las salidas por rele realizan un efecto "
                               "cortina lento";
    QTest::newRow("test 3") << 3 << 4 << QStringList({"W<k>", "S50", "R"})
                            << "COMPROBANDO SALIDAS Y ENTRADAS DIGITALES. Las salidas por rele realizan un efecto "
                               "cortina rapido";
}

// Tick by tick: the port traffic with its waits, both lists, the counters and which timer runs.
void TestDigitalTests::goodCard() {
    QFETCH(int, test);
    QFETCH(int, passes);
    QFETCH(QStringList, tickTrace);
    QFETCH(QString, description);
    WindowRig w;
    ChainDriver driver(w.form, w.rig);
    w.form.Command3_Click();
    const QList<Tick> all = driver.runUntilTest(4);
    const QList<Tick> ticks = ticksOf(all, test);
    QCOMPARE(ticks.size(), 8 * passes);
    QCOMPARE(all.size(), 8 + 16 + 32);

    for (int j = 0; j < ticks.size(); ++j) {
        const Tick& tick = ticks[j];
        const int k = j % 8;
        const bool last = j == ticks.size() - 1;
        const QByteArray where = QStringLiteral("tick %1").arg(j + 1).toLatin1();
        QVERIFY2(tick.trace == forOutput(tickTrace, k), where + ": " + tick.trace.join(u' ').toLatin1());
        // The pass lines of the current pass; the list is emptied at the end of every pass.
        QVERIFY2(tick.list1 == (k == 7 ? QStringList() : passLines(k + 1)), where);
        QVERIFY2(tick.list2 == verdicts(last ? test : test - 1), where);
        QVERIFY2(tick.runningAfter == (last ? test + 1 : test), where);
        QVERIFY2(tick.step == (j + 1) % 8, where);
        const int finishedPasses = last ? 0 : (j + 1) / 8;
        QVERIFY2(tick.round == (test == 1 ? 0 : finishedPasses), where);
        QVERIFY2(tick.sequenceEnded == 0, where);
    }
    QCOMPARE(ticks.first().list2, verdicts(test - 1));

    // The window still shows the last tick's description and picture.
    w.form.Command3_Click();
    driver.runUntilTest(test);
    driver.fire();
    QCOMPARE(w.form.Text2[0]->toPlainText(), description);
    QCOMPARE(w.form.Picture3->picturePath(), w.pictures.path() + QStringLiteral("/test%1.jpg").arg(test));
    QVERIFY(w.form.Picture3->showsPicture());
}

void TestDigitalTests::outputBytes_data() {
    QTest::addColumn<int>("test");
    QTest::addColumn<QList<int>>("bytes");
    QList<int> test1;
    QList<int> walk;
    for (int k = 0; k < 8; ++k) {
        test1 << power(k) << 0 << power(k) << 0;
        walk << power(k);
    }
    QTest::newRow("test 1") << 1 << test1;
    QTest::newRow("test 2") << 2 << walk + walk;
    QTest::newRow("test 3") << 3 << walk + walk + walk + walk;
}

void TestDigitalTests::outputBytes() {
    QFETCH(int, test);
    QFETCH(QList<int>, bytes);
    WindowRig w;
    ChainDriver driver(w.form, w.rig);
    w.form.Command3_Click();
    const QList<Tick> ticks = driver.runUntilTest(4);
    QCOMPARE(writtenBytes(ticksOf(ticks, test)), bytes);
    QCOMPARE(bytes.mid(0, 8),
             test == 1 ? QList<int>({1, 0, 1, 0, 2, 0, 2, 0}) : QList<int>({1, 2, 4, 8, 16, 32, 64, 128}));
    // Test 1 leaves every relay off; the curtains leave output 7 on for the next test.
    if (test == 3) QCOMPARE(w.rig.sim.relays(), 128);
}

// The window is repainted before every wait: each wait shows what the tick has set so far. The
// output indicator lights only once the settle wait has passed.
void TestDigitalTests::whatTest1ShowsAtEachWait() {
    WindowRig w;
    ChainDriver driver(w.form, w.rig);
    w.form.Command3_Click();
    driver.fire();
    driver.fire();
    QStringList seen;
    w.rig.card.setBeforeWait([&] {
        seen << QStringLiteral("outputs [%1] inputs [%2] lines %3")
                    .arg(lit(w.form.Picture1).join(u' '), lit(w.form.Picture2).join(u' '))
                    .arg(w.form.List1->count());
    });
    driver.fire();  // output 2
    const QString allInputs = "0 1 2 3 4 5 6 7";
    const QString allBut2 = "0 1 3 4 5 6 7";
    QCOMPARE(seen, QStringList(
                       {"outputs [] inputs [" + allInputs + "] lines 2", "outputs [2] inputs [" + allBut2 + "] lines 3",
                        "outputs [2] inputs [" + allBut2 + "] lines 3", "outputs [] inputs [" + allInputs + "] lines 3",
                        "outputs [] inputs [" + allInputs + "] lines 3", "outputs [2] inputs [" + allBut2 + "] lines 3",
                        "outputs [2] inputs [" + allBut2 + "] lines 3"}));
    QVERIFY(lit(w.form.Picture1).isEmpty());
    QCOMPARE(lit(w.form.Picture2).join(u' '), allInputs);
}

void TestDigitalTests::test1Faults_data() {
    QTest::addColumn<CardFaults>("faults");
    QTest::addColumn<int>("failingOutput");
    QTest::newRow("input 2 broken") << brokenInput(2) << 2;
    QTest::newRow("input 2 stuck at 1") << stuckInput(2, 1) << 2;
    QTest::newRow("input 5 stuck at 0") << stuckInput(5, 0) << 0;
    QTest::newRow("inputs 3 and 4 crossed") << crossed(3, 4) << 3;
    QTest::newRow("input 7 broken, the last output") << brokenInput(7) << 7;
}

// A connection that fails both verifications of its tick: the pair twice, the chain stops there,
// every relay off, no verdict of its own and no test 2.
void TestDigitalTests::test1Faults() {
    QFETCH(CardFaults, faults);
    QFETCH(int, failingOutput);
    WindowRig w(faults);
    ChainDriver driver(w.form, w.rig);
    w.form.Command3_Click();
    const QList<Tick> ticks = driver.run();
    QCOMPARE(ticks.size(), failingOutput + 1);
    QCOMPARE(ticks.last().test, 1);
    QCOMPARE(w.form.List1->lines(), passLines(failingOutput));
    QCOMPARE(w.form.List2->lines(), kErrorPair + kErrorPair);
    QCOMPARE(runningTest(w.form), 0);
    QCOMPARE(TestStep, qint16(failingOutput + 1));
    QCOMPARE(w.rig.sim.relays(), 0);
    // The failing tick still runs to its end.
    QCOMPARE(ticks.last().trace.size(), 15);
    QCOMPARE(ticks.last().sequenceEnded, 1);
}

void TestDigitalTests::oneVerificationOfATickFails_data() {
    QTest::addColumn<int>("output");
    QTest::addColumn<bool>("firstFails");
    QTest::addColumn<QStringList>("list1");
    QTest::newRow("second of output 7") << 7 << false << QStringList({passLine(7)});
    QTest::newRow("first of output 7") << 7 << true << QStringList();
    QTest::newRow("second of output 4") << 4 << false << QStringList({passLine(4)});
}

// The reads of one tick scripted: a relay that chatters fails only one of the two checks.
void TestDigitalTests::oneVerificationOfATickFails() {
    QFETCH(int, output);
    QFETCH(bool, firstFails);
    QFETCH(QStringList, list1);
    PictureFolder pictures;
    RecordingPort port;
    Card card(port, port);
    FakeNavigation navigation;
    Form3 form(card, navigation, pictures.path());
    form.Form_Load();
    form.Command3_Click();
    TestStep = static_cast<qint16>(output);
    const int good = 255 - power(output);
    scriptReads(port, {firstFails ? 255 : good, 255, firstFails ? good : 255, 255});

    form.Timer1_Timer();

    QCOMPARE(form.List1->lines(), list1);
    QCOMPARE(form.List2->lines(), kErrorPair);
    QCOMPARE(runningTest(form), 0);
    QCOMPARE(TestStep, qint16(output + 1));
}

void TestDigitalTests::curtainFaults_data() {
    QTest::addColumn<int>("test");
    QTest::addColumn<CardFaults>("faults");
    QTest::addColumn<int>("stepBefore");
    QTest::addColumn<int>("roundBefore");
    QTest::addColumn<QStringList>("list1");
    QTest::addColumn<int>("stepAfter");
    QTest::addColumn<int>("roundAfter");
    // Output 7 in the first pass of test 2: the pass still ends and counts, but nothing follows.
    QTest::newRow("test 2, first pass, output 7") << 2 << brokenInput(7) << 7 << 0 << QStringList() << 0 << 1;
    QTest::newRow("test 2, second pass, output 7") << 2 << brokenInput(7) << 7 << 1 << passLines(7) << 0 << 1;
    QTest::newRow("test 2, output 3") << 2 << crossed(3, 6) << 3 << 1 << passLines(3) << 4 << 1;
    QTest::newRow("test 3, last pass, output 7") << 3 << brokenInput(7) << 7 << 3 << QStringList() << 0 << 4;
    QTest::newRow("test 3, second pass, output 2") << 3 << stuckInput(2, 1) << 2 << 1 << passLines(2) << 3 << 1;
}

// One failing tick of a curtain, from the state its earlier ticks left: the failure pair, no
// verdict, no next test, and the failing output left on.
void TestDigitalTests::curtainFaults() {
    QFETCH(int, test);
    QFETCH(CardFaults, faults);
    QFETCH(int, stepBefore);
    QFETCH(int, roundBefore);
    QFETCH(QStringList, list1);
    QFETCH(int, stepAfter);
    QFETCH(int, roundAfter);
    WindowRig w(faults);
    ChainDriver driver(w.form, w.rig);
    QTimer* timer = test == 2 ? w.form.Timer2 : w.form.Timer3;
    timer->start();
    for (const QString& line : verdicts(test - 1)) w.form.List2->AddItem(line);
    for (int k = 0; k < stepBefore; ++k) w.form.List1->AddItem(passLine(k));
    TestStep = static_cast<qint16>(stepBefore);
    TestRound = static_cast<qint16>(roundBefore);

    const Tick tick = driver.fire();

    QCOMPARE(tick.trace, QStringList({QStringLiteral("W%1").arg(power(stepBefore)), "S50", "R"}));
    QCOMPARE(tick.list1, list1);
    QCOMPARE(tick.list2, verdicts(test - 1) + kErrorPair);
    QCOMPARE(tick.runningAfter, 0);
    QCOMPARE(int(tick.step), stepAfter);
    QCOMPARE(int(tick.round), roundAfter);
    QCOMPARE(w.rig.sim.relays(), power(stepBefore));
    QCOMPARE(lit(w.form.Picture1), QStringList({QString::number(stepBefore)}));
    QCOMPARE(driver.fire().test, 0);
}

QTEST_MAIN(TestDigitalTests)
#include "test_digital_tests.moc"
