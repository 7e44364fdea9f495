#include <random>

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
#include "widgets/wrap_button.h"

namespace {

// Records what the panel asks of the program, and how the panel looked at that moment.
class RecordingNavigation : public Navigation {
public:
    struct Call {
        QString what;
        QStringList traceSoFar;
        bool panelVisible = false;
        bool panelEnabled = false;
        bool timer1Active = false;
        bool timer2Active = false;
        QWidget* window = nullptr;
    };

    explicit RecordingNavigation(const RecordingPort& recorder) : recorder_(recorder) {}
    void watch(Form2* panel) { panel_ = panel; }

    void showMenu() override { record(QStringLiteral("showMenu"), nullptr); }
    void unload(QWidget* window) override { record(QStringLiteral("unload"), window); }
    void endProgram() override { record(QStringLiteral("endProgram"), nullptr); }

    QStringList names() const {
        QStringList result;
        for (const Call& call : calls) result << call.what;
        return result;
    }

    QList<Call> calls;

private:
    void record(const QString& what, QWidget* window) {
        calls << Call{what,
                      recorder_.trace(),
                      panel_->isVisible(),
                      panel_->isEnabled(),
                      panel_->Timer1->isActive(),
                      panel_->Timer2->isActive(),
                      window};
    }

    const RecordingPort& recorder_;
    Form2* panel_ = nullptr;
};

// A panel on a card, as the program opens it.
struct Panel {
    explicit Panel(CardRig& rig) : navigation(rig.recorder), form(rig.card, navigation) {
        navigation.watch(&form);
        form.Form_Load();
    }

    RecordingNavigation navigation;
    Form2 form;
};

const QStringList kWriteZero{QStringLiteral("out 890 7"), QStringLiteral("out 888 0")};

QStringList writes(const QList<int>& bytes) {
    QStringList trace;
    for (int byte : bytes) trace << QStringLiteral("out 890 7") << QStringLiteral("out 888 %1").arg(byte);
    return trace;
}

int litMask(const std::array<Lamp*, 8>& lamps) {
    int mask = 0;
    for (int n = 0; n < 8; ++n)
        if (lamps[n]->isLit()) mask |= 1 << n;
    return mask;
}

// The toggle sequences below: an output number clicks that output's button.
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

// Each designed line on a line of its own, none wrapped and none below the box's edge.
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
QString voltageText(const char* withPoint) {
    return QString::fromLatin1(withPoint).replace(u'.', QLocale::system().decimalPoint());
}

}  // namespace

class TestForm2 : public QObject {
    Q_OBJECT
private slots:
    void design();
    void helpTexts();
    void formLoadWritesZero();
    void toggles_data();
    void toggles();
    void lastWriteFollowsTheLamps();
    void digitalMonitorOnSimulatedCard_data();
    void digitalMonitorOnSimulatedCard();
    void digitalMonitorDecodesInputByte_data();
    void digitalMonitorDecodesInputByte();
    void analogMonitor_data();
    void analogMonitor();
    void analogMonitorFollowsEachReading();
    void analogMonitorShowsEachChannelBeforeReadingTheNext();
    void volverLeavesInOrder();
    void salirWritesZeroThenEnds();
    void closingTheFrameLeavesLikeVolver();
};

void TestForm2::design() {
    CardRig rig;
    RecordingNavigation navigation(rig.recorder);
    Form2 form(rig.card, navigation);

    QCOMPARE(form.windowTitle(), QStringLiteral("Control Manual de la Tarjeta"));
    QCOMPARE(form.size(), QSize(660, 389));
    QCOMPARE(form.Frame1->title(), QStringLiteral("SALIDAS DIGITALES"));
    QCOMPARE(form.Frame2->title(), QStringLiteral("ENTRADAS DIGITALES"));
    QCOMPARE(form.Frame3->title(), QStringLiteral("ENTRADAS ANALOGICAS - Tension"));
    // Row n of each array is output, input or channel n.
    for (int n = 0; n < 8; ++n) {
        QCOMPARE(form.Shape2[n]->parentWidget(), form.Frame1);
        QCOMPARE(form.Shape2[n]->geometry(), QRect(16, 24 + 24 * n, 17, 17));
        QCOMPARE(form.Encender_Apagar[n]->geometry(), QRect(104, 24 + 24 * n, 81, 17));
        QCOMPARE(form.Encender_Apagar[n]->caption(), n % 2 ? QStringLiteral("Encender ") : QStringLiteral("Encender"));
        QCOMPARE(form.Shape1[n]->parentWidget(), form.Frame2);
        QCOMPARE(form.Shape1[n]->geometry(), QRect(8, 24 + 32 * n, 17, 17));
        QCOMPARE(form.Label1[n]->text(), QStringLiteral("Entrada %1").arg(n));
        QVERIFY(!form.Shape2[n]->isLit());
        QVERIFY(!form.Shape1[n]->isLit());
    }
    for (int k = 0; k < 4; ++k) {
        QCOMPARE(form.Text2[k]->parentWidget(), form.Frame3);
        QCOMPARE(form.Text2[k]->geometry(), QRect(128, 24 + 24 * k, 89, 19));
        QCOMPARE(form.Label1[8 + k]->text(), QStringLiteral("Entrada %1").arg(k + 1));
        QVERIFY(form.Text2[k]->text().isEmpty());
        QVERIFY(!form.Shape3[k]->isLit());
    }
    QCOMPARE(form.Text4->text(), QStringLiteral("Text4"));
    QCOMPARE(form.Command1->caption(), QStringLiteral("VOLVER AL MENU ANTERIOR"));
    QCOMPARE(form.Command1->geometry(), QRect(400, 312, 97, 49));
    QCOMPARE(form.Salir->caption(), QStringLiteral("SALIR DEL PROGRAMA"));

    for (QTimer* timer : {form.Timer1, form.Timer2}) {
        QVERIFY(timer->isActive());
        QCOMPARE(timer->interval(), 100);
        QCOMPARE(timer->timerType(), Qt::PreciseTimer);
    }
    // Building the window touches nothing: the card is first written by Form_Load.
    QVERIFY(rig.recorder.trace().isEmpty());
}

// The trailing blanks are part of the texts.
void TestForm2::helpTexts() {
    CardRig rig;
    RecordingNavigation navigation(rig.recorder);
    Form2 form(rig.card, navigation);

    QCOMPARE(form.Text1->toPlainText().split(u'\n'),
             QStringList({QStringLiteral("Se puede comprobar visualmente, cual es la conexion que falla. Cuando "),
                          QStringLiteral("una salida esta activada, su entrada, debe estar desactivada, y al "),
                          QStringLiteral("reves."), QString()}));
    QCOMPARE(form.Text3->toPlainText().split(u'\n'),
             QStringList({QStringLiteral("Se puede comprobar visualmente, si la entrada "),
                          QStringLiteral("analogica falla. Al enviar una señal por uno de "),
                          QStringLiteral("los canales, este debe encenderse y dar un "),
                          QStringLiteral("valor de tension menor que +5 V"), QString()}));

    form.show();
    verifyLinesShowWhole(form.Text1);
    verifyLinesShowWhole(form.Text3);
}

void TestForm2::formLoadWritesZero() {
    CardRig rig;
    Panel panel(rig);
    QCOMPARE(rig.recorder.trace(), kWriteZero);
}

void TestForm2::toggles_data() {
    QTest::addColumn<QStringList>("actions");
    QTest::addColumn<QList<int>>("written");
    QTest::addColumn<int>("lit");

    QTest::newRow("toggle 3 on") << QStringList{"3"} << QList<int>{8} << 0x08;
    QTest::newRow("toggle 3 on and off") << QStringList{"3", "3"} << QList<int>{8, 0} << 0x00;
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

    QCOMPARE(rig.recorder.trace(), writes(written));
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

// A long run of clicks against a model of the relays: every write is the byte the lamps show.
void TestForm2::lastWriteFollowsTheLamps() {
    CardRig rig;
    Panel panel(rig);
    std::minstd_rand random(7);
    int relays = 0;
    for (int i = 0; i < 300; ++i) {
        const int choice = static_cast<int>(random() % 10);
        if (choice < 8) {
            click(panel.form, QString::number(choice));
            relays ^= 1 << choice;
        } else {
            click(panel.form, choice == 8 ? kAllOn : kAllOff);
            relays = choice == 8 ? 255 : 0;
        }
        QCOMPARE(rig.recorder.outputBytes().last(), relays);
        QCOMPARE(int(panel.form.OutputsFromIndicators()), relays);
        QCOMPARE(litMask(panel.form.Shape2), relays);
    }
    QCOMPARE(rig.recorder.outputBytes().size(), 301);
}

void TestForm2::digitalMonitorOnSimulatedCard_data() {
    QTest::addColumn<CardFaults>("faults");
    QTest::addColumn<int>("output");
    QTest::addColumn<int>("inputs");

    CardFaults working;
    QTest::newRow("working card, all off") << working << -1 << 255;
    QTest::newRow("working card, output 3 on") << working << 3 << 247;
    QTest::newRow("working card, output 0 on") << working << 0 << 254;
    QTest::newRow("working card, output 7 on") << working << 7 << 127;
    CardFaults broken;
    broken.inputSource[3] = -1;
    QTest::newRow("broken wire 3, output 3 on") << broken << 3 << 255;
    CardFaults crossed;
    std::swap(crossed.inputSource[2], crossed.inputSource[5]);
    QTest::newRow("wires 2 and 5 crossed, output 2 on") << crossed << 2 << 223;
    CardFaults stuck;
    stuck.stuckInput[4] = 0;
    QTest::newRow("input 4 stuck at 0, all off") << stuck << -1 << 239;
}

// One tick after the switch, as the timer would deliver it: lamp n lit exactly when input n reads 1.
void TestForm2::digitalMonitorOnSimulatedCard() {
    QFETCH(CardFaults, faults);
    QFETCH(int, output);
    QFETCH(int, inputs);

    CardRig rig(faults);
    Panel panel(rig);
    rig.clock.advance(100);
    panel.form.Timer1_Timer();
    if (output >= 0) panel.form.Encender_Apagar[output]->click();
    rig.clock.advance(100);
    panel.form.Timer1_Timer();

    QCOMPARE(panel.form.Text4->text(), QString::number(inputs));
    QCOMPARE(litMask(panel.form.Shape1), inputs);
    // The monitor only reads.
    QCOMPARE(rig.recorder.outputBytes(), output >= 0 ? QList<int>({0, 1 << output}) : QList<int>({0}));
}

void TestForm2::digitalMonitorDecodesInputByte_data() {
    QTest::addColumn<qint16>("low");
    QTest::addColumn<qint16>("high");
    QTest::addColumn<int>("inputs");

    QTest::newRow("all lines low") << qint16(0) << qint16(0) << 255;
    QTest::newRow("all lines high") << qint16(120) << qint16(120) << 0;
    QTest::newRow("inputs 0 and 7 read 0") << qint16(8) << qint16(64) << 126;
    QTest::newRow("inputs 0 to 3 read 0") << qint16(120) << qint16(0) << 240;
    QTest::newRow("undriven status bits only") << qint16(135) << qint16(135) << 255;
    QTest::newRow("upper byte set") << qint16(-248) << qint16(0) << 254;
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
    port.clear();
    form.Timer1_Timer();

    QCOMPARE(port.trace(), QStringList({QStringLiteral("out 890 3"), QStringLiteral("in 889 %1").arg(low),
                                        QStringLiteral("out 890 1"), QStringLiteral("in 889 %1").arg(high)}));
    QCOMPARE(form.Text4->text(), QString::number(inputs));
    QCOMPARE(litMask(form.Shape1), inputs);
}

void TestForm2::analogMonitor_data() {
    QTest::addColumn<QList<int>>("readings");
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<QList<bool>>("lit");

    QTest::newRow("0, 1, 255, 128") << QList<int>{0, 1, 255, 128} << QStringList{"0", "0.01953125", "4.98046875", "2.5"}
                                    << QList<bool>{false, true, true, true};
    QTest::newRow("255, 128, 1, 0") << QList<int>{255, 128, 1, 0} << QStringList{"4.98046875", "2.5", "0.01953125", "0"}
                                    << QList<bool>{true, true, true, false};
    QTest::newRow("16, 0, 0, 255") << QList<int>{16, 0, 0, 255} << QStringList{"0.3125", "0", "0", "4.98046875"}
                                   << QList<bool>{true, false, false, true};
}

void TestForm2::analogMonitor() {
    QFETCH(QList<int>, readings);
    QFETCH(QStringList, texts);
    QFETCH(QList<bool>, lit);

    CardFaults faults;
    for (int k = 0; k < 4; ++k) faults.analogReadings[k] = {readings[k]};
    CardRig rig(faults);
    Panel panel(rig);
    panel.form.Timer2_Timer();

    for (int k = 0; k < 4; ++k) {
        QCOMPARE(panel.form.Text2[k]->text(), voltageText(qPrintable(texts[k])));
        QCOMPARE(panel.form.Shape3[k]->isLit(), lit[k]);
    }
    QCOMPARE(rig.recorder.outputBytes(), QList<int>({0}));
}

// Each tick shows the reading it takes: a channel that drops to 0 goes dark.
void TestForm2::analogMonitorFollowsEachReading() {
    CardFaults faults;
    faults.analogReadings[2] = {255, 0, 1};
    CardRig rig(faults);
    Panel panel(rig);

    const QList<std::pair<const char*, bool>> ticks{{"4.98046875", true}, {"0", false}, {"0.01953125", true}};
    for (const auto& [text, lit] : ticks) {
        panel.form.Timer2_Timer();
        QCOMPARE(panel.form.Text2[2]->text(), voltageText(text));
        QCOMPARE(panel.form.Shape3[2]->isLit(), lit);
        QCOMPARE(panel.form.Text2[0]->text(), voltageText("4.98046875"));
    }
}

// Channels 0 to 3 in order, each selected, waited on and shown before the next is read; the card's
// wait hook sees what the screen would show during each wait.
void TestForm2::analogMonitorShowsEachChannelBeforeReadingTheNext() {
    CardRig rig;
    Panel panel(rig);
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
    for (int mask : {1, 2, 4, 8}) {
        for (int readCode : {2, 0}) {
            expected << QStringLiteral("out 890 5") << QStringLiteral("out 888 %1").arg(mask)
                     << QStringLiteral("out 890 8") << QStringLiteral("out 890 %1").arg(readCode)
                     << QStringLiteral("sleep 50");
            expected << QStringLiteral("in 889 *");
        }
    }
    QStringList trace = rig.recorder.trace();
    for (QString& op : trace)
        if (op.startsWith(QStringLiteral("in 889 "))) op = QStringLiteral("in 889 *");
    QCOMPARE(trace, expected);
    QCOMPARE(rig.clock.elapsedMs() - started, 400);

    const QString full = voltageText("4.98046875");
    QCOMPARE(shownAtWaits.size(), 8);
    for (int wait = 0; wait < 8; ++wait) {
        const int channel = wait / 2;
        for (int k = 0; k < 4; ++k) QCOMPARE(shownAtWaits[wait][k], k < channel ? full : QString());
    }
}

void TestForm2::volverLeavesInOrder() {
    CardRig rig;
    Panel panel(rig);
    panel.form.show();
    panel.form.Encender_Todas->click();
    rig.recorder.clear();

    panel.form.Command1->click();

    QCOMPARE(panel.navigation.names(), QStringList({"showMenu", "unload"}));
    const auto& atMenu = panel.navigation.calls[0];
    QCOMPARE(atMenu.traceSoFar, kWriteZero);
    QVERIFY(!atMenu.panelVisible);
    QVERIFY(!atMenu.panelEnabled);
    QVERIFY(!atMenu.timer1Active);
    QCOMPARE(panel.navigation.calls[1].window, &panel.form);
    QCOMPARE(rig.recorder.trace(), kWriteZero);
}

void TestForm2::salirWritesZeroThenEnds() {
    CardRig rig;
    Panel panel(rig);
    panel.form.show();
    panel.form.Encender_Apagar[4]->click();
    rig.recorder.clear();

    panel.form.Salir->click();

    QCOMPARE(panel.navigation.names(), QStringList({"endProgram"}));
    QCOMPARE(panel.navigation.calls[0].traceSoFar, kWriteZero);
    QCOMPARE(rig.recorder.trace(), kWriteZero);
}

void TestForm2::closingTheFrameLeavesLikeVolver() {
    CardRig rig;
    Panel panel(rig);
    panel.form.show();
    panel.form.Encender_Apagar[6]->click();
    rig.recorder.clear();

    QVERIFY(!panel.form.close());

    QCOMPARE(panel.navigation.names(), QStringList({"showMenu", "unload"}));
    QCOMPARE(panel.navigation.calls[0].traceSoFar, kWriteZero);
    QVERIFY(!panel.navigation.calls[0].panelVisible);
    QVERIFY(!panel.navigation.calls[0].timer1Active);
    QCOMPARE(panel.navigation.calls[1].window, &panel.form);
    // A panel already left is not left a second time.
    panel.form.close();
    QCOMPARE(panel.navigation.calls.size(), 2);
    QCOMPARE(rig.recorder.trace(), kWriteZero);
}

QTEST_MAIN(TestForm2)
#include "test_form2.moc"
