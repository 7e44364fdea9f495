#include <QtTest>

#include "chain_driver.h"

// Reading the inputs back, judging them against the outputs, and the two rows of indicators.
class TestIndicators : public QObject {
    Q_OBJECT
private slots:
    void inputIndicatorsShowTheByte_data();
    void inputIndicatorsShowTheByte();
    void readIsTheDigitalReadSequence();
    void noIndicatorKeepsAnEarlierState();
    void inputMismatch_data();
    void inputMismatch();
    void showOutputs_data();
    void showOutputs();
    void crossIsReadFromItsFileEachTime();
    void missingCrossShowsNothing();
};

namespace {

// The two status values that make the card's digital read give this input byte.
void scriptInputs(RecordingPort& port, int inputs) {
    port.scriptStatus({static_cast<qint16>((~inputs & 15) << 3), static_cast<qint16>((~(inputs >> 4) & 15) << 3)});
}

struct ScriptedWindow {
    explicit ScriptedWindow(const QString& folder) : card(port, port), form(card, navigation, folder) {
        form.Form_Load();
    }
    RecordingPort port;
    Card card;
    FakeNavigation navigation;
    Form3 form;
};

}  // namespace

void TestIndicators::inputIndicatorsShowTheByte_data() {
    QTest::addColumn<int>("inputs");
    QTest::addColumn<QStringList>("lit");
    QTest::newRow("255") << 255 << QStringList({"0", "1", "2", "3", "4", "5", "6", "7"});
    QTest::newRow("0") << 0 << QStringList();
    QTest::newRow("254") << 254 << QStringList({"1", "2", "3", "4", "5", "6", "7"});
    QTest::newRow("183") << 183 << QStringList({"0", "1", "2", "4", "5", "7"});
    QTest::newRow("15") << 15 << QStringList({"0", "1", "2", "3"});
    QTest::newRow("128") << 128 << QStringList({"7"});
}

void TestIndicators::inputIndicatorsShowTheByte() {
    QFETCH(int, inputs);
    QFETCH(QStringList, lit);
    PictureFolder pictures;
    ScriptedWindow w(pictures.path());
    scriptInputs(w.port, inputs);
    QCOMPARE(int(w.form.ReadAndShowInputs()), inputs);
    QCOMPARE(::lit(w.form.Picture2), lit);
    for (int n = 0; n < 8; ++n) {
        PictureBox* indicator = w.form.Picture2[n];
        const bool on = lit.contains(QString::number(n));
        QCOMPARE(indicator->picturePath(), on ? pictures.path() + "/cruz.gif" : QString());
        QCOMPARE(indicator->showsPicture(), on);
    }
    QVERIFY(::lit(w.form.Picture1).isEmpty());
}

void TestIndicators::readIsTheDigitalReadSequence() {
    PictureFolder pictures;
    ScriptedWindow w(pictures.path());
    w.port.scriptStatus({8, 64});
    w.form.ReadAndShowInputs();
    QCOMPARE(w.port.trace(), QStringList({"out 890 3", "in 889 8", "out 890 1", "in 889 64"}));
}

void TestIndicators::noIndicatorKeepsAnEarlierState() {
    PictureFolder pictures;
    ScriptedWindow w(pictures.path());
    scriptInputs(w.port, 0b10101010);
    w.form.ReadAndShowInputs();
    scriptInputs(w.port, 0b01010101);
    w.form.ReadAndShowInputs();
    QCOMPARE(lit(w.form.Picture2), QStringList({"0", "2", "4", "6"}));
}

void TestIndicators::inputMismatch_data() {
    QTest::addColumn<int>("inputs");
    QTest::addColumn<int>("outputs");
    QTest::addColumn<bool>("mismatch");
    QTest::newRow("output 0 on, input 0 follows") << 254 << 1 << false;
    QTest::newRow("output 0 on, input 0 does not follow") << 255 << 1 << true;
    QTest::newRow("all on") << 0 << 255 << false;
    QTest::newRow("all off") << 255 << 0 << false;
    QTest::newRow("outputs 4 to 7") << 15 << 240 << false;
    QTest::newRow("outputs 0 to 3") << 240 << 15 << false;
    QTest::newRow("output 3, input 6 wrong") << 183 << 8 << true;
    QTest::newRow("output 3") << 247 << 8 << false;
    QTest::newRow("output 7, inputs read as if off") << 255 << 128 << true;
    QTest::newRow("all on, one input stuck at 1") << 4 << 255 << true;
}

void TestIndicators::inputMismatch() {
    QFETCH(int, inputs);
    QFETCH(int, outputs);
    QFETCH(bool, mismatch);
    QCOMPARE(Form3::InputMismatch(qint16(inputs), qint16(outputs)), mismatch);
}

void TestIndicators::showOutputs_data() {
    QTest::addColumn<int>("value");
    QTest::addColumn<QStringList>("lit");
    QTest::newRow("8") << 8 << QStringList({"3"});
    QTest::newRow("1") << 1 << QStringList({"0"});
    QTest::newRow("128") << 128 << QStringList({"7"});
    QTest::newRow("0") << 0 << QStringList();
    QTest::newRow("3") << 3 << QStringList();
    QTest::newRow("255") << 255 << QStringList();
}

void TestIndicators::showOutputs() {
    QFETCH(int, value);
    QFETCH(QStringList, lit);
    PictureFolder pictures;
    ScriptedWindow w(pictures.path());
    w.form.ShowOutputs(255 - 2);  // something else lit first: every call sets all eight
    w.form.ShowOutputs(2);
    w.form.ShowOutputs(qint16(value));
    QCOMPARE(::lit(w.form.Picture1), lit);
    for (int n = 0; n < 8; ++n) QCOMPARE(w.form.Picture1[n]->showsPicture(), lit.contains(QString::number(n)));
    QVERIFY(w.port.trace().isEmpty());
}

// Nothing is held between calls: a new cross on disk shows at the next lit indicator.
void TestIndicators::crossIsReadFromItsFileEachTime() {
    PictureFolder pictures;
    ScriptedWindow w(pictures.path());
    w.form.ShowOutputs(1);
    QCOMPARE(w.form.Picture1[0]->pixmap().size(), QSize(7, 5));
    QImage other(3, 9, QImage::Format_RGB32);
    other.fill(Qt::black);
    QVERIFY(other.save(pictures.path() + "/cruz.gif", "PNG"));
    w.form.ShowOutputs(1);
    QCOMPARE(w.form.Picture1[0]->pixmap().size(), QSize(3, 9));
}

// Without its cross the window still reads and judges: the indicators just show nothing.
void TestIndicators::missingCrossShowsNothing() {
    QTemporaryDir empty;
    ScriptedWindow w(empty.path());
    scriptInputs(w.port, 247);
    QCOMPARE(int(w.form.ReadAndShowInputs()), 247);
    w.form.ShowOutputs(8);
    QCOMPARE(lit(w.form.Picture1), QStringList({"3"}));
    for (int n = 0; n < 8; ++n) {
        QVERIFY(!w.form.Picture1[n]->showsPicture());
        QVERIFY(!w.form.Picture2[n]->showsPicture());
    }
}

QTEST_MAIN(TestIndicators)
#include "test_indicators.moc"
