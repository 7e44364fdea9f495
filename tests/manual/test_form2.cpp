#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextLayout>
#include <QtTest>

#include "card/tick_timer.h"
#include "manual/form2.h"
#include "tests/support/screen_reader_listener.h"
#include "tests/support/test_window.h"
#include "widgets/lamp.h"
#include "widgets/wrap_button.h"

namespace {

// A panel on a card, built and, unless told otherwise, loaded as the program opens it.
struct Panel {
    explicit Panel(CardRig& rig, bool load = true) : form(rig.card, rig.clock, navigation) {
        if (load) form.Form_Load();
    }

    FakeNavigation navigation;
    Form2 form;
};

int litMask(const std::array<Lamp*, 8>& lamps) {
    int mask = 0;
    for (int n = 0; n < 8; ++n)
        if (lamps[n]->isLit()) mask |= 1 << n;
    return mask;
}

// In the toggle sequences an output number clicks that output's button.
const QString kAllOn = QStringLiteral("Encender Todas");
const QString kAllOff = QStringLiteral("Apagar Todas");

void click(Form2& form, const QString& action) {
    if (action == kAllOn)
        form.Encender_Todas->click();
    else if (action == kAllOff)
        form.Apagar->click();
    else
        form.Encender_Apagar[action.toInt()]->click();
}

// The voltage text carries the user's decimal separator.
QString voltageText(const QString& withPoint) {
    return QString(withPoint).replace(u'.', QLocale::system().decimalPoint());
}

}  // namespace

class TestForm2 : public QObject {
    Q_OBJECT
private slots:
    void helpTexts();
    void toggles_data();
    void toggles();
    void monitorsTakeTurns();
    void clickDuringAnAnalogWait_data();
    void clickDuringAnAnalogWait();
};

// Each designed line of the help texts shows whole, on a line of its own.
void TestForm2::helpTexts() {
    CardRig rig;
    Panel panel(rig);
    panel.form.show();
    verifyLinesShowWhole(panel.form.Text1);
    verifyLinesShowWhole(panel.form.Text3);
}

void TestForm2::toggles_data() {
    QTest::addColumn<QStringList>("actions");
    QTest::addColumn<QList<int>>("written");
    QTest::addColumn<int>("lit");

    QTest::newRow("toggle 3 on") << QStringList{"3"} << QList<int>{8} << 0x08;
    QTest::newRow("toggle 1 (designed 'Encender ') on and off") << QStringList{"1", "1"} << QList<int>{2, 0} << 0x00;
    QTest::newRow("toggles 0 then 7") << QStringList{"0", "7"} << QList<int>{1, 129} << 0x81;
    QTest::newRow("all on, then toggle 0") << QStringList{kAllOn, "0"} << QList<int>{255, 254} << 0xFE;
    QTest::newRow("all on, then all off") << QStringList{kAllOn, kAllOff} << QList<int>{255, 0} << 0x00;
    QTest::newRow("toggles 2 and 6, all on, toggle 6")
        << QStringList{"2", "6", kAllOn, "6"} << QList<int>{4, 68, 255, 191} << 0xBF;
    QTest::newRow("all on twice, toggle 7 twice")
        << QStringList{kAllOn, kAllOn, "7", "7"} << QList<int>{255, 255, 127, 255} << 0xFF;
}

// Each click writes the whole byte at once and reads nothing; captions follow the lamps, a button
// never touched keeps its designed caption, and the input monitor shows each input opposite its output.
void TestForm2::toggles() {
    QFETCH(QStringList, actions);
    QFETCH(QList<int>, written);
    QFETCH(int, lit);

    CardRig rig;
    Panel panel(rig);
    rig.clock.advance(100);  // every input lamp lit: each must go dark by itself when its output is on
    QCOMPARE(litMask(panel.form.Shape1), 255);
    rig.recorder.clear();
    for (const QString& action : actions) click(panel.form, action);

    QCOMPARE(rig.recorder.outputBytes(), written);
    QCOMPARE(rig.recorder.trace().size(), 2 * written.size());
    rig.clock.advance(200);  // the channel read the clicks came into is read again first
    QCOMPARE(litMask(panel.form.Shape1), 255 - lit);
    QCOMPARE(panel.form.Text4->text(), QString::number(255 - lit));
    QCOMPARE(litMask(panel.form.Shape2), lit);
    QCOMPARE(int(panel.form.OutputsFromIndicators()), lit);
    const bool allTouched = actions.contains(kAllOn) || actions.contains(kAllOff);
    for (int n = 0; n < 8; ++n) {
        const bool touched = allTouched || actions.contains(QString::number(n));
        const QString designed = n % 2 ? QStringLiteral("Encender ") : QStringLiteral("Encender");
        const QString expected = lit >> n & 1 ? QStringLiteral("Apagar")
                                 : touched    ? QStringLiteral("Encender")
                                              : designed;
        QCOMPARE(panel.form.Encender_Apagar[n]->caption(), expected);
    }
}

// Channels 0 to 3 in order, each read whole and shown before the next; the digital monitor reads
// between two channel reads, never inside one; neither monitor writes an output.
void TestForm2::monitorsTakeTurns() {
    const QList<int> readings{0, 1, 255, 128};
    const QStringList texts{"0", "0.01953125", "4.98046875", "2.5"};
    CardFaults faults;
    for (int k = 0; k < 4; ++k) faults.analogReadings[k] = {readings[k]};
    CardRig rig(faults);
    Panel panel(rig);
    QStringList shown;
    for (int k = 0; k < 4; ++k) {
        rig.clock.runUntil([&] { return !panel.form.Text2[k]->text().isEmpty(); });
        shown << QStringLiteral("%1 at %2 ms").arg(panel.form.Text2[k]->text()).arg(rig.clock.elapsedMs());
        QVERIFY(k == 3 || panel.form.Text2[k + 1]->text().isEmpty());
    }
    QStringList expected;
    for (int k = 0; k < 4; ++k) expected << QStringLiteral("%1 at %2 ms").arg(voltageText(texts[k])).arg(200 + 100 * k);
    QCOMPARE(shown, expected);
    for (int k = 0; k < 4; ++k) QCOMPARE(panel.form.Shape3[k]->isLit(), readings[k] != 0);
    rig.clock.advance(100);
    QCOMPARE(compactTrace(rig.recorder.trace()).mid(0, 12),
             QStringList({"W0", "S100", "R", "A1", "R", "A2", "R", "A4", "R", "A8", "R", "A1"}));
}

void TestForm2::clickDuringAnAnalogWait_data() {
    QTest::addColumn<int>("atMs");
    QTest::addColumn<QStringList>("interrupted");  // channel 0's steps before the click
    const QStringList select{"out 890 5", "out 888 1", "out 890 8"};
    QTest::newRow("first wait") << 120 << select + QStringList{"out 890 2", "S20"};
    QTest::newRow("second wait") << 170
                                 << select + QStringList{"out 890 2", "S50", "in"} + select +
                                        QStringList{"out 890 0", "S20"};
}

// A click writes at once; the channel waiting on its converter is read again from its control code.
// A screen reader hears of the output lamp at once, of the input lamp at its next tick, and no more.
void TestForm2::clickDuringAnAnalogWait() {
    QFETCH(int, atMs);
    QFETCH(QStringList, interrupted);
    CardRig rig;
    Panel panel(rig);
    rig.clock.advance(atMs);
    ScreenReaderListener listener;
    panel.form.Encender_Apagar[3]->click();
    QCOMPARE(ScreenReaderListener::spoken(panel.form.Encender_Apagar[3]), QStringLiteral("Apagar salida 3"));
    rig.clock.advance(450 - atMs);
    const QStringList expected =
        QStringList({"W0", "S100", "R"}) + interrupted + QStringList{"W8", "S30", "A1", "R", "A2"};
    QCOMPARE(compactTrace(rig.recorder.trace()).mid(0, expected.size()), expected);
    QCOMPARE(panel.form.Text2[0]->text(), voltageText("4.98046875"));
    QCOMPARE(litMask(panel.form.Shape1), 255 - 8);
    QCOMPARE(listener.changed.filter(QRegularExpression("^(Salida|Entrada) 3")),
             QStringList({"Salida 3: encendida", "Entrada 3: inactiva"}));
    QVERIFY(QAccessible::queryAccessibleInterface(panel.form.Shape2[3])->state().checked);
}

QTEST_MAIN(TestForm2)
#include "test_form2.moc"
