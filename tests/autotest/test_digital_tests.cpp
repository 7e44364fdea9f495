#include <QtTest>

#include "chain_driver.h"

// Tests 1 to 5, the digital tests: a tick that finds wrong inputs, and what the window shows while
// a tick waits.
class TestDigitalTests : public QObject {
    Q_OBJECT
private slots:
    void failingTick_data();
    void failingTick();
    void whatEachWaitShows_data();
    void whatEachWaitShows();
};

namespace {

const QString kEarlier = QStringLiteral("line of an earlier tick");
const QString kAllCorrect = QStringLiteral("Todas las Entradas correctas");
const QString kFirstFour = QStringLiteral("Las 4 primeras Entradas son correctas");
const QString kLastFour = QStringLiteral("Las 4 ultimas Entradas son correctas");

}  // namespace

void TestDigitalTests::failingTick_data() {
    QTest::addColumn<int>("test");
    QTest::addColumn<int>("step");
    QTest::addColumn<int>("round");
    QTest::addColumn<QList<int>>("reads");  // the input bytes the tick reads, in order
    QTest::addColumn<QStringList>("list1");
    QTest::addColumn<int>("errorPairs");
    // Test 1 checks each output twice; a relay that chatters fails only one of the checks.
    QTest::newRow("test 1, first check of output 4")
        << 1 << 4 << 0 << QList<int>{255, 255, 239, 255} << QStringList{kEarlier} << 1;
    QTest::newRow("test 1, second check of output 7")
        << 1 << 7 << 0 << QList<int>{127, 255, 255, 255} << QStringList{kEarlier, passLine(7)} << 1;
    // The first pass of test 2 still ends and empties List1, but nothing follows.
    QTest::newRow("test 2, first pass, output 7") << 2 << 7 << 0 << QList<int>{255} << QStringList() << 1;
    QTest::newRow("test 2, second pass, output 7") << 2 << 7 << 1 << QList<int>{255} << QStringList{kEarlier} << 1;
    QTest::newRow("test 3, last pass, output 7") << 3 << 7 << 3 << QList<int>{255} << QStringList() << 1;
    // A wrong first phase still lets the second one run, write, show and read.
    QTest::newRow("test 4, input 3 wrong in phase A")
        << 4 << 0 << 0 << QList<int>{8, 255} << QStringList{kEarlier} << 1;
    QTest::newRow("test 4, last tick, input 0 wrong in phase B")
        << 4 << 5 << 0 << QList<int>{0, 254} << QStringList{kEarlier, kAllCorrect} << 1;
    QTest::newRow("test 4, both phases") << 4 << 0 << 0 << QList<int>{4, 247} << QStringList{kEarlier} << 2;
    // The first line names inputs 0 to 3, but it needs all eight right.
    QTest::newRow("test 5, input 6 wrong in phase A")
        << 5 << 0 << 0 << QList<int>{176, 15} << QStringList{kEarlier, kLastFour} << 1;
    QTest::newRow("test 5, last tick, input 1 wrong in phase B")
        << 5 << 3 << 0 << QList<int>{240, 13} << QStringList{kEarlier, kFirstFour} << 1;
}

// A failing tick from the state the earlier ticks left: it runs to its end, adds the failure pair
// for each wrong check, stops its test with no verdict and no next test.
void TestDigitalTests::failingTick() {
    QFETCH(int, test);
    QFETCH(int, step);
    QFETCH(int, round);
    QFETCH(QList<int>, reads);
    QFETCH(QStringList, list1);
    QFETCH(int, errorPairs);
    PictureFolder pictures;
    ScriptedWindow w(pictures.path());
    w.scriptInputs(reads);
    testTimers(w.form)[test - 1]->start();
    for (const QString& line : verdicts(test - 1)) w.form.List2->AddItem(line);
    w.form.List1->AddItem(kEarlier);
    TestStep = static_cast<qint16>(step);
    TestRound = static_cast<qint16>(round);

    const std::array<void (Form3::*)(), 5> ticks{&Form3::Timer1_Timer, &Form3::Timer2_Timer, &Form3::Timer3_Timer,
                                                 &Form3::Timer4_Timer, &Form3::Timer5_Timer};
    (w.form.*ticks[test - 1])();

    QCOMPARE(compactTrace(w.port.trace()), tickTrace(test, step));
    QCOMPARE(w.form.List1->lines(), list1);
    QStringList list2 = verdicts(test - 1);
    for (int i = 0; i < errorPairs; ++i) list2 += kErrorPair;
    QCOMPARE(w.form.List2->lines(), list2);
    QCOMPARE(runningTest(w.form), 0);
    // The tick still counts; the end of a curtain's pass starts the next one.
    QCOMPARE(TestStep, qint16(step == 7 && test != 1 ? 0 : step + 1));
}

void TestDigitalTests::whatEachWaitShows_data() {
    QTest::addColumn<int>("test");
    QTest::addColumn<int>("tick");
    QTest::addColumn<QStringList>("seen");
    const QString all = "0 1 2 3 4 5 6 7";
    const QString allBut2 = "0 1 3 4 5 6 7";
    QTest::newRow("test 1, output 2") << 1 << 3 << QStringList{"[] [" + all + "] 2",      "[2] [" + allBut2 + "] 3",
                                                               "[2] [" + allBut2 + "] 3", "[] [" + all + "] 3",
                                                               "[] [" + all + "] 3",      "[2] [" + allBut2 + "] 3",
                                                               "[2] [" + allBut2 + "] 3"};
    QTest::newRow("test 4") << 4 << 1
                            << QStringList{"[7] [0 1 2 3 4 5 6] 0", "[" + all + "] [] 1", "[" + all + "] [] 1"};
    QTest::newRow("test 5") << 5 << 1
                            << QStringList{"[] [" + all + "] 0", "[0 1 2 3] [4 5 6 7] 1", "[0 1 2 3] [4 5 6 7] 1"};
}

// The window is repainted before every wait, so each wait shows the lit outputs, the lit inputs and
// List1 as the tick has set them so far: an output indicator follows a write only after its settle
// wait.
void TestDigitalTests::whatEachWaitShows() {
    QFETCH(int, test);
    QFETCH(int, tick);
    QFETCH(QStringList, seen);
    WindowRig w;
    ChainDriver driver(w.form, w.rig);
    w.form.Command3_Click();
    driver.runUntilTest(test);
    for (int i = 1; i < tick; ++i) driver.fire();
    QStringList shown;
    w.rig.card.setBeforeWait([&] {
        shown << QStringLiteral("[%1] [%2] %3")
                     .arg(lit(w.form.Picture1).join(u' '), lit(w.form.Picture2).join(u' '))
                     .arg(w.form.List1->count());
    });
    QCOMPARE(driver.fire().test, test);
    QCOMPARE(shown, seen);
}

QTEST_MAIN(TestDigitalTests)
#include "test_digital_tests.moc"
