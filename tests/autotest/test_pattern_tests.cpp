#include <QtTest>

#include "chain_driver.h"

// Tests 4 and 5: all outputs together, then the two halves in turn; two checked phases a tick.
class TestPatternTests : public QObject {
    Q_OBJECT
private slots:
    void goodCard_data();
    void goodCard();
    void whatATickShowsAtEachWait_data();
    void whatATickShowsAtEachWait();
    void mismatches_data();
    void mismatches();
};

namespace {

const QString kAllCorrect = QStringLiteral("Todas las Entradas correctas");
const QString kFirstFour = QStringLiteral("Las 4 primeras Entradas son correctas");
const QString kLastFour = QStringLiteral("Las 4 ultimas Entradas son correctas");

QStringList repeated(const QStringList& lines, int times) {
    QStringList all;
    for (int i = 0; i < times; ++i) all += lines;
    return all;
}

CardFaults stuck(std::initializer_list<std::pair<int, int>> inputs) {
    CardFaults faults;
    for (auto [input, value] : inputs) faults.stuckInput[input] = value;
    return faults;
}

CardFaults crossed(int a, int b) {
    CardFaults faults;
    faults.inputSource[a] = b;
    faults.inputSource[b] = a;
    return faults;
}

// The state in which test 3's hand-over leaves the window for test 4, or test 4's for test 5.
void handedOverTo(WindowRig& w, int test) {
    w.form.Command3_Click();
    w.form.Timer1->stop();
    for (int passed = 1; passed < test; ++passed) w.form.List2->AddItem(QStringLiteral("TEST %1 CORRECTO").arg(passed));
    (test == 4 ? w.form.Timer4 : w.form.Timer5)->start();
}

}  // namespace

void TestPatternTests::goodCard_data() {
    QTest::addColumn<int>("test");
    QTest::addColumn<int>("cycles");
    QTest::addColumn<QStringList>("tickTrace");
    QTest::addColumn<QStringList>("linesPerTick");
    QTest::addColumn<QString>("description");
    QTest::newRow("test 4") << 4 << 6 << QStringList({"W255", "S50", "R", "S500", "W0", "S50", "R"})
                            << QStringList({kAllCorrect})
                            << "COMPROBANDO SALIDAS Y ENTRADAS DIGITALES. Se activan y desactivan todas las "
                               "salidas por rele al tiempo";
    QTest::newRow("test 5") << 5 << 4 << QStringList({"W15", "S50", "R", "S500", "W240", "S50", "R"})
                            << QStringList({kFirstFour, kLastFour})
                            << "COMPROBANDO SALIDAS Y ENTRADAS DIGITALES. Se alternan las 4 primeras salidas por "
                               "rele, con las 4 ultimas";
}

// Reached through the whole chain from " INICIAR     TEST ", as the user reaches them.
void TestPatternTests::goodCard() {
    QFETCH(int, test);
    QFETCH(int, cycles);
    QFETCH(QStringList, tickTrace);
    QFETCH(QStringList, linesPerTick);
    QFETCH(QString, description);
    WindowRig w;
    ChainDriver driver(w.form, w.rig);
    w.form.Command3_Click();
    QCOMPARE(driver.runUntilTest(test).last().list1, QStringList());
    QCOMPARE(TestStep, qint16(0));

    for (int j = 0; j < cycles; ++j) {
        const Tick tick = driver.fire();
        const bool last = j == cycles - 1;
        const QByteArray where = QStringLiteral("tick %1").arg(j + 1).toLatin1();
        QCOMPARE(tick.test, test);
        QVERIFY2(tick.trace == tickTrace, where + ": " + tick.trace.join(u' ').toLatin1());
        QVERIFY2(tick.list1 == (last ? QStringList() : repeated(linesPerTick, j + 1)), where);
        QVERIFY2(tick.list2 == verdicts(last ? test : test - 1), where);
        QVERIFY2(tick.runningAfter == (last ? test + 1 : test), where);
        QVERIFY2(tick.step == (last ? 0 : j + 1), where);
        QVERIFY2(w.form.Text2[0]->toPlainText() == description, where);
        QVERIFY2(w.form.Picture3->picturePath() == w.pictures.path() + QStringLiteral("/test%1.jpg").arg(test), where);
    }
    // The outputs are left as the last phase wrote them.
    QCOMPARE(w.rig.sim.relays(), test == 4 ? 0 : 240);
    QCOMPARE(lit(w.form.Picture1), test == 4 ? QStringList() : QStringList({"4", "5", "6", "7"}));
}

void TestPatternTests::whatATickShowsAtEachWait_data() {
    QTest::addColumn<int>("test");
    QTest::addColumn<QStringList>("seen");
    QTest::newRow("test 4") << 4
                            << QStringList({"outputs [] inputs [0 1 2 3 4 5 6 7]",
                                            "outputs [0 1 2 3 4 5 6 7] inputs []",
                                            "outputs [0 1 2 3 4 5 6 7] inputs []"});
    QTest::newRow("test 5") << 5
                            << QStringList({"outputs [] inputs [0 1 2 3 4 5 6 7]", "outputs [0 1 2 3] inputs [4 5 6 7]",
                                            "outputs [0 1 2 3] inputs [4 5 6 7]"});
}

// Before each wait the window is repainted; the indicators follow a pattern only after its
// settle wait.
void TestPatternTests::whatATickShowsAtEachWait() {
    QFETCH(int, test);
    QFETCH(QStringList, seen);
    WindowRig w;
    ChainDriver driver(w.form, w.rig);
    handedOverTo(w, test);
    w.form.ShowOutputs(0);
    w.rig.card.WriteOutputs(0);
    w.form.ReadAndShowInputs();
    QStringList shown;
    w.rig.card.setBeforeWait([&] {
        shown << QStringLiteral("outputs [%1] inputs [%2]")
                     .arg(lit(w.form.Picture1).join(u' '), lit(w.form.Picture2).join(u' '));
    });
    driver.fire();
    QCOMPARE(shown, seen);
}

void TestPatternTests::mismatches_data() {
    QTest::addColumn<int>("test");
    QTest::addColumn<CardFaults>("faults");
    QTest::addColumn<int>("stepBefore");
    QTest::addColumn<QStringList>("list1");
    QTest::addColumn<int>("errorPairs");
    // Phase B still runs after a wrong phase A: its write, indicators and read are all there.
    QTest::newRow("test 4, phase A, first tick") << 4 << stuck({{3, 1}}) << 0 << QStringList() << 1;
    QTest::newRow("test 4, phase B, first tick") << 4 << stuck({{3, 0}}) << 0 << QStringList({kAllCorrect}) << 1;
    QTest::newRow("test 4, both phases") << 4 << stuck({{2, 1}, {3, 0}}) << 0 << QStringList() << 2;
    // A mismatch first found in the last tick: no verdict, no test 5, and List1 keeps its lines.
    QTest::newRow("test 4, sixth tick") << 4 << stuck({{0, 1}}) << 5 << repeated({kAllCorrect}, 5) << 1;
    // The first line names inputs 0 to 3, but it needs all eight right.
    QTest::newRow("test 5, input 6 wrong in phase A") << 5 << stuck({{6, 0}}) << 0 << QStringList({kLastFour}) << 1;
    QTest::newRow("test 5, input 1 wrong in phase B") << 5 << stuck({{1, 0}}) << 0 << QStringList({kFirstFour}) << 1;
    QTest::newRow("test 5, halves crossed") << 5 << crossed(3, 4) << 0 << QStringList() << 2;
    QTest::newRow("test 5, fourth tick") << 5 << stuck({{7, 1}}) << 3
                                         << repeated({kFirstFour, kLastFour}, 3) + QStringList{kFirstFour} << 1;
}

void TestPatternTests::mismatches() {
    QFETCH(int, test);
    QFETCH(CardFaults, faults);
    QFETCH(int, stepBefore);
    QFETCH(QStringList, list1);
    QFETCH(int, errorPairs);
    WindowRig w(faults);
    ChainDriver driver(w.form, w.rig);
    handedOverTo(w, test);
    const QStringList linesBefore = list1.mid(0, test == 4 ? stepBefore : 2 * stepBefore);
    for (const QString& line : linesBefore) w.form.List1->AddItem(line);
    TestStep = static_cast<qint16>(stepBefore);

    const Tick tick = driver.fire();

    QCOMPARE(tick.trace, test == 4 ? QStringList({"W255", "S50", "R", "S500", "W0", "S50", "R"})
                                   : QStringList({"W15", "S50", "R", "S500", "W240", "S50", "R"}));
    QCOMPARE(tick.list1, list1);
    QCOMPARE(tick.list2, verdicts(test - 1) + repeated(kErrorPair, errorPairs));
    QCOMPARE(tick.runningAfter, 0);
    QCOMPARE(int(tick.step), stepBefore + 1);
    QCOMPARE(lit(w.form.Picture1), test == 4 ? QStringList() : QStringList({"4", "5", "6", "7"}));
    QCOMPARE(tick.sequenceEnded, 1);
    QCOMPARE(driver.fire().test, 0);
}

QTEST_MAIN(TestPatternTests)
#include "test_pattern_tests.moc"
