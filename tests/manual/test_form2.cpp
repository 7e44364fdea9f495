#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextLayout>
#include <QTimer>
#include <QtTest>

#include "manual/form2.h"
#include "tests/support/card_rig.h"
#include "widgets/lamp.h"
#include "widgets/navigation.h"
#include "widgets/twips.h"
#include "widgets/wrap_button.h"

namespace {

// Records what the panel asks of the program: what had been written by then and, on the way back to
// the menu, how the panel was.
class RecordingNavigation : public Navigation {
public:
    explicit RecordingNavigation(const RecordingPort& recorder) : recorder_(recorder) {}

    void showMenu() override { record(QStringLiteral("showMenu"), true); }
    void unload(QWidget* window) override { record(window == panel ? "unload panel" : "unload another window", true); }
    void endProgram() override { record(QStringLiteral("endProgram"), false); }

    const Form2* panel = nullptr;
    QStringList calls;

private:
    void record(const QString& what, bool withPanel) {
        QString call = what + " after " + recorder_.trace().join(u',');
        if (withPanel)
            call += QStringLiteral(" (%1, %2, Timer1 %3)")
                        .arg(panel->isVisible() ? "visible" : "hidden", panel->isEnabled() ? "enabled" : "disabled",
                             panel->Timer1->isActive() ? "on" : "off");
        calls << call;
    }

    const RecordingPort& recorder_;
};

// A panel on a card, built and, unless told otherwise, loaded as the program opens it.
struct Panel {
    explicit Panel(CardRig& rig, bool load = true) : navigation(rig.recorder), form(rig.card, navigation) {
        navigation.panel = &form;
        if (load) form.Form_Load();
    }

    RecordingNavigation navigation;
    Form2 form;
};

const QStringList kWriteZero{QStringLiteral("out 890 7"), QStringLiteral("out 888 0")};

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

// None of the lines wrapped, and none below the box's edge.
void verifyLinesShowWhole(QPlainTextEdit* box) {
    for (QTextBlock block = box->document()->begin(); block.isValid(); block = block.next()) {
        if (block.text().isEmpty()) continue;
        QTextCursor lineEnd(block);
        lineEnd.movePosition(QTextCursor::EndOfBlock);
        QVERIFY2(block.layout()->lineCount() == 1, qPrintable(block.text()));
        QVERIFY2(box->cursorRect(lineEnd).bottom() <= box->viewport()->height(), qPrintable(block.text()));
    }
}

// The voltage text carries the user's decimal separator.
QString voltageText(const QString& withPoint) {
    return QString(withPoint).replace(u'.', QLocale::system().decimalPoint());
}

}  // namespace

class TestForm2 : public QObject {
    Q_OBJECT
private slots:
    void design();
    void toggles_data();
    void toggles();
    void digitalMonitorDecodesInputByte_data();
    void digitalMonitorDecodesInputByte();
    void analogMonitor_data();
    void analogMonitor();
    void leaving_data();
    void leaving();
};

// As designed, and as built: the monitors running, the card not yet touched.
void TestForm2::design() {
    CardRig rig;
    Panel panel(rig, false);
    Form2& form = panel.form;

    QCOMPARE(QStringList({form.windowTitle(), form.Frame1->title(), form.Frame2->title(), form.Frame3->title(),
                          form.Command1->caption(), form.Salir->caption(), form.Label2[7]->text(),
                          form.Label1[7]->text(), form.Label1[8]->text(), form.Label1[11]->text()}),
             QStringList({"Control Manual de la Tarjeta", "SALIDAS DIGITALES", "ENTRADAS DIGITALES",
                          "ENTRADAS ANALOGICAS - Tension", "VOLVER AL MENU ANTERIOR", "SALIR DEL PROGRAMA", "Salida 7",
                          "Entrada 7", "Entrada 1", "Entrada 4"}));
    QCOMPARE(form.size(), QSize(660, 389));
    // The last row of each column: the right frame, and the rows' pitch.
    const QList<std::tuple<QWidget*, QWidget*, QRect>> places{
        {form.Shape2[7], form.Frame1, twipsRect(240, 2880, 255, 255)},
        {form.Encender_Apagar[7], form.Frame1, twipsRect(1560, 2880, 1215, 255)},
        {form.Shape1[7], form.Frame2, twipsRect(120, 3720, 255, 255)},
        {form.Label1[11], form.Frame3, twipsRect(840, 1440, 975, 255)},
        {form.Text2[3], form.Frame3, twipsRect(1920, 1440, 1335, 285)},
        {form.Shape3[3], form.Frame3, twipsRect(360, 1440, 255, 255)}};
    for (const auto& [widget, frame, place] : places) {
        QCOMPARE(widget->parentWidget(), frame);
        QCOMPARE(widget->geometry(), place);
    }
    for (QTimer* timer : {form.Timer1, form.Timer2}) {
        QVERIFY(timer->isActive());
        QCOMPARE(timer->interval(), 100);
        QCOMPARE(timer->timerType(), Qt::PreciseTimer);
    }
    // Building the window touches nothing: the card is first written by Form_Load.
    QVERIFY(rig.recorder.trace().isEmpty());
    form.Form_Load();
    QCOMPARE(rig.recorder.trace(), kWriteZero);

    // The help texts, trailing blanks included, each designed line shown whole on a line of its own.
    QCOMPARE(form.Text1->toPlainText().split(u'\n'),
             QStringList({"Se puede comprobar visualmente, cual es la conexion que falla. Cuando ",
                          "una salida esta activada, su entrada, debe estar desactivada, y al ", "reves.", ""}));
    QCOMPARE(form.Text3->toPlainText().split(u'\n'),
             QStringList({"Se puede comprobar visualmente, si la entrada ",
                          "analogica falla. Al enviar una señal por uno de ",
                          "los canales, este debe encenderse y dar un ", "valor de tension menor que +5 V", ""}));
    form.show();
    verifyLinesShowWhole(form.Text1);
    verifyLinesShowWhole(form.Text3);
}

void TestForm2::toggles_data() {
    QTest::addColumn<QStringList>("actions");
    QTest::addColumn<QList<int>>("written");
    QTest::addColumn<int>("lit");

    QTest::newRow("toggle 3 on") << QStringList{"3"} << QList<int>{8} << 0x08;
    QTest::newRow("toggle 1 (designed 'Encender ') on and off") << QStringList{"1", "1"} << QList<int>{2, 0} << 0x00;
    QTest::newRow("toggles 0 then 7") << QStringList{"0", "7"} << QList<int>{1, 129} << 0x81;
    QTest::newRow("all on, then toggle 0") << QStringList{kAllOn, "0"} << QList<int>{255, 254} << 0xFE;
    QTest::newRow("all off with all off") << QStringList{kAllOff} << QList<int>{0} << 0x00;
    QTest::newRow("all on, then all off") << QStringList{kAllOn, kAllOff} << QList<int>{255, 0} << 0x00;
    QTest::newRow("toggles 2 and 6, all on, toggle 6")
        << QStringList{"2", "6", kAllOn, "6"} << QList<int>{4, 68, 255, 191} << 0xBF;
    QTest::newRow("all on twice, toggle 7 twice")
        << QStringList{kAllOn, kAllOn, "7", "7"} << QList<int>{255, 255, 127, 255} << 0xFF;
}

// Each click writes the whole byte once and reads nothing; captions follow the lamps, and a button
// never touched keeps its designed caption.
void TestForm2::toggles() {
    QFETCH(QStringList, actions);
    QFETCH(QList<int>, written);
    QFETCH(int, lit);

    CardRig rig;
    Panel panel(rig);
    rig.recorder.clear();
    for (const QString& action : actions) click(panel.form, action);

    QCOMPARE(rig.recorder.outputBytes(), written);
    QCOMPARE(rig.recorder.trace().size(), 2 * written.size());
    // On a working card the next tick of the input monitor shows every input opposite its output.
    rig.clock.advance(100);
    panel.form.Timer1_Timer();
    QCOMPARE(litMask(panel.form.Shape1), 255 - lit);
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

void TestForm2::digitalMonitorDecodesInputByte_data() {
    QTest::addColumn<qint16>("low");
    QTest::addColumn<qint16>("high");
    QTest::addColumn<int>("inputs");

    QTest::newRow("all lines low") << qint16(0) << qint16(0) << 255;
    QTest::newRow("all lines high") << qint16(120) << qint16(120) << 0;
    QTest::newRow("inputs 0 and 7 read 0") << qint16(8) << qint16(64) << 126;
    QTest::newRow("inputs 0 to 3 read 0") << qint16(120) << qint16(0) << 240;
}

// A first tick lights every lamp, so the second must also darken the lamps it owns.
void TestForm2::digitalMonitorDecodesInputByte() {
    QFETCH(qint16, low);
    QFETCH(qint16, high);
    QFETCH(int, inputs);

    RecordingPort port;
    Card card(port, port);
    RecordingNavigation navigation(port);
    Form2 form(card, navigation);
    port.scriptStatus({0, 0, low, high});
    form.Timer1_Timer();
    QCOMPARE(litMask(form.Shape1), 255);
    form.Timer1_Timer();

    QCOMPARE(form.Text4->text(), QString::number(inputs));
    QCOMPARE(litMask(form.Shape1), inputs);
}

void TestForm2::analogMonitor_data() {
    QTest::addColumn<int>("before");
    QTest::addColumn<QString>("shownBefore");
    QTest::addColumn<QList<int>>("readings");
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<QList<bool>>("lit");

    QTest::newRow("from 255 to 0, 1, 255, 128")
        << 255 << "4.98046875" << QList<int>{0, 1, 255, 128} << QStringList{"0", "0.01953125", "4.98046875", "2.5"}
        << QList<bool>{false, true, true, true};
    QTest::newRow("from 0 to 255, 128, 1, 0")
        << 0 << "0" << QList<int>{255, 128, 1, 0} << QStringList{"4.98046875", "2.5", "0.01953125", "0"}
        << QList<bool>{true, true, true, false};
}

// Channels 0 to 3 in order, each selected, waited on and shown in its box before the next is read:
// the card's wait hook sees what the screen shows during each wait. A channel at 0 goes dark, and
// the monitor writes no output.
void TestForm2::analogMonitor() {
    QFETCH(int, before);
    QFETCH(QString, shownBefore);
    QFETCH(QList<int>, readings);
    QFETCH(QStringList, texts);
    QFETCH(QList<bool>, lit);

    CardFaults faults;
    for (int k = 0; k < 4; ++k) faults.analogReadings[k] = {before, readings[k]};
    CardRig rig(faults);
    Panel panel(rig);
    panel.form.Timer2_Timer();
    QList<QStringList> shownAtWaits;
    rig.card.setBeforeWait([&] {
        QStringList shown;
        for (QLineEdit* text : panel.form.Text2) shown << text->text();
        shownAtWaits << shown;
    });
    rig.recorder.clear();
    const qint64 started = rig.clock.elapsedMs();
    panel.form.Timer2_Timer();

    QStringList expected;
    for (int mask : {1, 2, 4, 8})
        for (int readCode : {2, 0})
            expected << QStringLiteral("out 890 5") << QStringLiteral("out 888 %1").arg(mask)
                     << QStringLiteral("out 890 8") << QStringLiteral("out 890 %1").arg(readCode)
                     << QStringLiteral("sleep 50") << QStringLiteral("in 889 *");
    QStringList trace = rig.recorder.trace();
    for (QString& op : trace)
        if (op.startsWith(QStringLiteral("in 889 "))) op = QStringLiteral("in 889 *");
    QCOMPARE(trace, expected);
    QCOMPARE(rig.clock.elapsedMs() - started, 400);

    QCOMPARE(shownAtWaits.size(), 8);
    for (int wait = 0; wait < 8; ++wait)
        for (int k = 0; k < 4; ++k) QCOMPARE(shownAtWaits[wait][k], voltageText(k < wait / 2 ? texts[k] : shownBefore));
    for (int k = 0; k < 4; ++k) {
        QCOMPARE(panel.form.Text2[k]->text(), voltageText(texts[k]));
        QCOMPARE(panel.form.Shape3[k]->isLit(), lit[k]);
    }
}

void TestForm2::leaving_data() {
    QTest::addColumn<QString>("way");
    QTest::addColumn<QStringList>("calls");
    // Back to the menu the panel is hidden, disabled and its input monitor stopped before the menu
    // shows, and only then unloaded.
    const QStringList toMenu{"showMenu after out 890 7,out 888 0 (hidden, disabled, Timer1 off)",
                             "unload panel after out 890 7,out 888 0 (hidden, disabled, Timer1 off)"};
    QTest::newRow("VOLVER AL MENU ANTERIOR") << "Command1" << toMenu;
    // Closing the frame leaves as VOLVER does, rather than leave the menu hidden and disabled.
    QTest::newRow("window frame") << "frame" << toMenu;
    QTest::newRow("SALIR DEL PROGRAMA") << "Salir" << QStringList{"endProgram after out 890 7,out 888 0"};
}

// Every way out switches the relays off before the program is asked for anything.
void TestForm2::leaving() {
    QFETCH(QString, way);
    QFETCH(QStringList, calls);

    CardRig rig;
    Panel panel(rig);
    panel.form.show();
    panel.form.Encender_Todas->click();
    rig.recorder.clear();

    if (way == "Command1")
        panel.form.Command1->click();
    else if (way == "Salir")
        panel.form.Salir->click();
    else
        QVERIFY(!panel.form.close());
    QCOMPARE(panel.navigation.calls, calls);

    // A panel already left is not left a second time.
    if (way != "Salir") panel.form.close();
    QCOMPARE(panel.navigation.calls, calls);
    QCOMPARE(rig.recorder.trace(), kWriteZero);
}

QTEST_MAIN(TestForm2)
#include "test_form2.moc"
