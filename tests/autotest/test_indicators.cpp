#include <QtTest>

#include "tests/support/test_window.h"

// Reading the inputs back, judging them against the outputs, and the two rows of indicators.
class TestIndicators : public QObject {
    Q_OBJECT
private slots:
    void inputIndicatorsShowTheByte_data();
    void inputIndicatorsShowTheByte();
    void showOutputs_data();
    void showOutputs();
    void crossIsReadFromItsFileEachTime();
};

void TestIndicators::inputIndicatorsShowTheByte_data() {
    QTest::addColumn<int>("inputs");
    QTest::addColumn<QStringList>("lit");
    QTest::newRow("255") << 255 << QStringList({"0", "1", "2", "3", "4", "5", "6", "7"});
    QTest::newRow("0") << 0 << QStringList();
    QTest::newRow("254") << 254 << QStringList({"1", "2", "3", "4", "5", "6", "7"});
    QTest::newRow("183") << 183 << QStringList({"0", "1", "2", "4", "5", "7"});
}

// Every indicator is set on every read: the complement read first leaves nothing behind.
void TestIndicators::inputIndicatorsShowTheByte() {
    QFETCH(int, inputs);
    QFETCH(QStringList, lit);
    WindowRig w{CardRig::Scripted()};
    w.rig.recorder.scriptInputs({255 - inputs, inputs});
    w.form.ReadAndShowInputs();
    QCOMPARE(int(w.form.ReadAndShowInputs()), inputs);
    QCOMPARE(::lit(w.form.Picture2), lit);
    for (int n = 0; n < 8; ++n) {
        const bool on = lit.contains(QString::number(n));
        QCOMPARE(w.form.Picture2[n]->picturePath(), on ? w.pictures.path() + "/cruz.gif" : QString());
        QCOMPARE(w.form.Picture2[n]->showsPicture(), on);
    }
    QVERIFY(::lit(w.form.Picture1).isEmpty());
}

void TestIndicators::showOutputs_data() {
    QTest::addColumn<int>("value");
    QTest::addColumn<QStringList>("lit");
    QTest::newRow("8") << 8 << QStringList({"3"});
    QTest::newRow("128") << 128 << QStringList({"7"});
    QTest::newRow("0") << 0 << QStringList();
    QTest::newRow("3") << 3 << QStringList();
    QTest::newRow("255") << 255 << QStringList();
}

// Only a value that switches one output on lights its indicator; every call sets all eight.
void TestIndicators::showOutputs() {
    QFETCH(int, value);
    QFETCH(QStringList, lit);
    WindowRig w{CardRig::Scripted()};
    w.form.ShowOutputs(2);
    w.form.ShowOutputs(qint16(value));
    QCOMPARE(::lit(w.form.Picture1), lit);
    for (int n = 0; n < 8; ++n) QCOMPARE(w.form.Picture1[n]->showsPicture(), lit.contains(QString::number(n)));
    QVERIFY(w.rig.recorder.trace().isEmpty());
}

// Nothing is held between calls: a new cross on disk shows at the next lit indicator.
void TestIndicators::crossIsReadFromItsFileEachTime() {
    WindowRig w{CardRig::Scripted()};
    w.form.ShowOutputs(1);
    QCOMPARE(w.form.Picture1[0]->pixmap().size(), QSize(7, 5));
    QImage other(3, 9, QImage::Format_RGB32);
    other.fill(Qt::black);
    QVERIFY(other.save(w.pictures.path() + "/cruz.gif", "PNG"));
    w.form.ShowOutputs(1);
    QCOMPARE(w.form.Picture1[0]->pixmap().size(), QSize(3, 9));
}

QTEST_MAIN(TestIndicators)
#include "test_indicators.moc"
