#include <QtTest>

#include "tests/support/test_window.h"

// Tests 1 to 5, the digital tests: a tick that finds wrong inputs.
class TestDigitalTests : public QObject {
    Q_OBJECT
private slots:
    void failingTick_data();
    void failingTick();
    void indicators_data();
    void indicators();
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
    QTest::newRow("test 5, last tick, input 6 wrong in phase A")
        << 5 << 3 << 0 << QList<int>{176, 15} << QStringList{kEarlier, kLastFour} << 1;
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
    WindowRig w(std::nullopt);
    w.rig.recorder.scriptInputs(reads);
    testTimers(w.form)[test - 1]->start();
    for (const QString& line : verdicts(test - 1)) w.form.List2->AddItem(line);
    w.form.List1->AddItem(kEarlier);
    w.form.TestStep = static_cast<qint16>(step);
    w.form.TestRound = static_cast<qint16>(round);

    w.runToEnd();

    QCOMPARE(w.log.ticks.size(), 1);
    QCOMPARE(w.log.ticks[0].trace, tickTrace(test, step));
    QCOMPARE(w.form.List1->lines(), list1);
    QStringList list2 = verdicts(test - 1);
    for (int i = 0; i < errorPairs; ++i) list2 += kErrorPair;
    QCOMPARE(w.form.List2->lines(), list2);
    // The tick still counts; the end of a curtain's pass starts the next one.
    QCOMPARE(w.form.TestStep, qint16(step == 7 && test != 1 ? 0 : step + 1));
}

void TestDigitalTests::indicators_data() {
    QTest::addColumn<int>("value");
    QTest::addColumn<QStringList>("outputsLit");  // by ShowOutputs(value)
    QTest::addColumn<QStringList>("inputsLit");   // by the input byte value, read back
    QTest::newRow("8") << 8 << QStringList{"3"} << QStringList{"3"};
    QTest::newRow("0") << 0 << QStringList() << QStringList();
    QTest::newRow("3") << 3 << QStringList() << QStringList{"0", "1"};
    QTest::newRow("183") << 183 << QStringList() << QStringList{"0", "1", "2", "4", "5", "7"};
    QTest::newRow("255") << 255 << QStringList() << QStringList{"0", "1", "2", "3", "4", "5", "6", "7"};
}

// Only a value that switches one output on lights its indicator; the input indicators show every bit
// that reads 1. Every call sets all eight: the complement shown first leaves nothing behind.
void TestDigitalTests::indicators() {
    QFETCH(int, value);
    QFETCH(QStringList, outputsLit);
    QFETCH(QStringList, inputsLit);
    WindowRig w(std::nullopt);
    w.rig.recorder.scriptInputs({255 - value, value, value});
    w.form.ShowOutputs(qint16(1 << (value % 8)));
    w.form.ReadAndShowInputs();
    w.form.ShowOutputs(qint16(value));
    QCOMPARE(int(w.form.ReadAndShowInputs()), value);
    QCOMPARE(lit(w.form.Picture1), outputsLit);
    QCOMPARE(lit(w.form.Picture2), inputsLit);
    for (int n = 0; n < 8; ++n) QCOMPARE(w.form.Picture2[n]->showsPicture(), inputsLit.contains(QString::number(n)));
    // Nothing is held between calls: a new cross on disk shows at the next lit indicator.
    QVERIFY(QImage(3, 9, QImage::Format_RGB32).save(w.pictures.path() + "/cruz.gif", "PNG"));
    w.form.ReadAndShowInputs();
    for (int n = 0; n < 8; ++n)
        QCOMPARE(w.form.Picture2[n]->pixmap().size(),
                 inputsLit.contains(QString::number(n)) ? QSize(3, 9) : QSize(0, 0));
}

QTEST_MAIN(TestDigitalTests)
#include "test_digital_tests.moc"
