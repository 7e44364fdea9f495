#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTextBlock>
#include <QtTest>
#include <csignal>

#include "app/exit_signals.h"
#include "app/form1.h"
#include "app/navigator.h"
#include "app/start_up.h"
#include "assets/pictures.h"
#include "manual/form2.h"
#include "tests/support/screen_reader_listener.h"
#include "tests/support/test_window.h"
#include "widgets/lamp.h"
#include "widgets/picture_box.h"
#include "widgets/wrap_button.h"

namespace {

const QStringList kWriteZero{QStringLiteral("out 890 7"), QStringLiteral("out 888 0")};

// The program as main() runs it, on a simulated card, with the end of the program recorded
// together with what had been written by then.
struct Program {
    Program()
        : navigator(rig.card, rig.clock, pictures.path(),
                    [this](int status) { ended << std::pair(status, rig.recorder.trace()); }) {
        navigator.start();
    }

    Form1& menu() { return *navigator.form1(); }
    Form2& enterPanel() {
        menu().Command1->click();
        return *navigator.form2();
    }
    void verifyMenuIsBack() {
        QVERIFY(menu().isVisible() && menu().isEnabled());
        QVERIFY(!navigator.form2() && !navigator.form3());
        QVERIFY(ended.isEmpty());
    }

    PictureFolder pictures;
    CardRig rig;
    QList<std::pair<int, QStringList>> ended;
    Navigator navigator;
};

// The menu's first frame on screen: grabbed as soon as its first paint has been handed to the screen.
struct FirstFrame : QObject {
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* menu = qobject_cast<Form1*>(watched);
        if (!menu || event->type() != QEvent::Paint || painted) return false;
        painted = true;
        QMetaObject::invokeMethod(
            this, [this, menu] { frame = menu->screen()->grabWindow(menu->winId()).toImage(); }, Qt::QueuedConnection);
        return false;
    }
    bool painted = false;
    QImage frame;
};

// Windows that are unloaded go once the event loop gets to them.
void processUnloads() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

}  // namespace

class TestNavigation : public QObject {
    Q_OBJECT
private slots:
    void menuWholeInItsFirstPaint();
    void leavingThePanelDuringAnAnalogWait_data();
    void leavingThePanelDuringAnAnalogWait();
    void endingTheProgram_data();
    void endingTheProgram();
    void leavingTheTestWindowDuringAWait_data();
    void leavingTheTestWindowDuringAWait();
    void lostPort();
    void keyboardAndScreenReader_data();
    void keyboardAndScreenReader();
};

// Nothing of the menu waits for a later paint: its first frame is the one it keeps, with the wiring
// picture in it, and the instructions fitted to their box at the widest stretch of the font that
// keeps every line whole.
void TestNavigation::menuWholeInItsFirstPaint() {
    FirstFrame first;
    qApp->installEventFilter(&first);
    Program program;
    QTRY_VERIFY(!first.frame.isNull());
    qApp->removeEventFilter(&first);
    Form1& menu = program.menu();
    QTest::qWait(200);
    QCOMPARE(first.frame, menu.screen()->grabWindow(menu.winId()).toImage());

    const QPoint pictureAt = menu.Picture1->mapTo(&menu, menu.Picture1->contentsRect().topLeft());
    QCOMPARE(first.frame.copy(QRect(pictureAt, kWiringPictureSize)).convertToFormat(QImage::Format_RGB32),
             builtInWiringPicture());

    const QPlainTextEdit* box = menu.Text1;
    const double room = box->viewport()->width() - 2 * box->document()->documentMargin() - 1;
    verifyLinesShowWhole(box);
    if (box->font().stretch() < 100) {
        QFont wider = box->font();
        wider.setStretch(wider.stretch() + 1);
        const QFontMetricsF metrics(wider);
        double widest = 0;
        for (const QString& line : box->toPlainText().split(u'\n'))
            widest = std::max(widest, metrics.horizontalAdvance(line));
        QVERIFY2(widest > room, "a wider font would have fitted");
    }
}

void TestNavigation::leavingThePanelDuringAnAnalogWait_data() {
    QTest::addColumn<QString>("way");
    for (const char* way : {"VOLVER AL MENU ANTERIOR", "window frame", "Escape"}) QTest::newRow(way) << way;
}

// Every way switches every relay off, ends the monitors with the panel and brings the menu back; the
// next visit starts afresh from the panel's design.
void TestNavigation::leavingThePanelDuringAnAnalogWait() {
    QFETCH(QString, way);
    Program program;
    QPointer<Form2> panel = &program.enterPanel();
    QVERIFY(!program.menu().isVisible() && !program.menu().isEnabled() && panel->isVisible() && panel->isEnabled());
    panel->Encender_Apagar[2]->click();
    panel->Encender_Apagar[5]->click();
    program.rig.clock.advance(120);
    QCOMPARE(panel->Text4->text(), QStringLiteral("219"));
    program.rig.recorder.clear();

    if (way == "window frame")
        QVERIFY(!panel->close());
    else if (way == "Escape")
        QTest::keyPress(panel->focusWidget(), Qt::Key_Escape);
    else
        panel->Command1->click();
    QCOMPARE(program.rig.recorder.trace(), kWriteZero);
    program.verifyMenuIsBack();
    processUnloads();
    QVERIFY(panel.isNull());
    QVERIFY(!program.rig.clock.hasAlarms());

    Form2& second = program.enterPanel();
    QCOMPARE(program.rig.recorder.trace(), kWriteZero + kWriteZero);
    QCOMPARE(second.Text4->text(), QStringLiteral("Text4"));
    QCOMPARE(int(second.OutputsFromIndicators()), 0);
    QCOMPARE(second.Encender_Apagar[5]->caption(), QStringLiteral("Encender "));  // as designed
}

void TestNavigation::leavingTheTestWindowDuringAWait_data() {
    QTest::addColumn<QString>("way");
    QTest::addColumn<WaitKind>("wait");
    for (const WaitKind& wait : kWaitKinds) QTest::addRow("VOLVER in %s", wait.name) << "Command2" << wait;
    QTest::newRow("window frame in test 4, 500 ms") << "frame" << kWaitKinds[5];
    QTest::newRow("Escape in test 6, analog read") << "Escape" << kWaitKinds[8];
    QTest::newRow("SALIR in test 1, 500 ms") << "Salir" << kWaitKinds[1];
}

// The tick is given up at its wait, then the relays go off with no test timer running (the analog
// test's dies with the window), and nothing of the tick runs again, also once the window is gone.
void TestNavigation::leavingTheTestWindowDuringAWait() {
    QFETCH(QString, way);
    QFETCH(WaitKind, wait);
    Program program;
    program.menu().Command2->click();
    QPointer<Form3> form = program.navigator.form3();
    TickLog log(*form, program.rig.recorder);
    WindowRig::runInto(*form, program.rig.clock, log, wait);
    QVERIFY(testTimers(*form)[wait.test - 1]->tickRunning());
    program.rig.recorder.clear();
    QStringList runningAtWrites;
    program.rig.recorder.beforeWrite = [&] {
        const auto timers = testTimers(*form);
        const bool ticking = std::any_of(timers.begin(), timers.end(), [](TickTimer* t) { return t->tickRunning(); });
        runningAtWrites << QString::number(runningTest(*form)) + (ticking ? " ticking" : "");
    };

    if (way == "Command2")
        form->Command2->click();
    else if (way == "Salir")
        form->Salir->click();
    else if (way == "Escape")
        QTest::keyPress(form->focusWidget(), Qt::Key_Escape);
    else
        QVERIFY(!form->close());

    QCOMPARE(program.rig.recorder.trace(), kWriteZero);
    // SALIR stops no timer of its own: they end with the program, right after the write.
    const QString running = QString::number(way == "Salir" || wait.test == 6 ? wait.test : 0);
    QCOMPARE(runningAtWrites, QStringList({running, running}));
    QVERIFY(idle(*form));
    if (way != "Salir") {
        processUnloads();
        QVERIFY(form.isNull());
        program.verifyMenuIsBack();
    }
    QVERIFY(!program.rig.clock.hasAlarms());
    program.rig.clock.advance(5000);
    QCOMPARE(program.rig.recorder.trace(), kWriteZero);
}

// Inside the failed port operation the windows only leave the screen; the end comes from the
// event loop.
void TestNavigation::lostPort() {
    Program program;
    Form2& panel = program.enterPanel();
    QList<int> ended;
    leaveOnLostPort("puerto perdido", [&](int status) { ended << status; });
    QVERIFY(!panel.Timer1->isActive() && !panel.Timer2->isActive());
    QVERIFY(!panel.isVisible() && !program.menu().isVisible());
    QVERIFY(ended.isEmpty());
    QTRY_COMPARE(ended, QList<int>{2});
}

void TestNavigation::endingTheProgram_data() {
    QTest::addColumn<QString>("where");
    QTest::addColumn<int>("signal");  // 0: SALIR DEL PROGRAMA, or the menu's frame
    QTest::addColumn<bool>("frame");
    QTest::newRow("menu SALIR DEL PROGRAMA") << "menu" << 0 << false;
    QTest::newRow("menu window frame") << "menu" << 0 << true;
    QTest::newRow("panel SALIR DEL PROGRAMA") << "panel" << 0 << false;
    for (const auto& [name, number] : {std::pair{"SIGINT", SIGINT}, {"SIGTERM", SIGTERM}, {"SIGHUP", SIGHUP}})
        for (const char* where : {"menu", "panel", "test"})
            QTest::addRow("%s on the %s", name, where) << where << number << false;
}

// The menu never drives the card: the outputs are already off whenever it is on screen. Whatever
// is written is written before the program ends, and nothing after. A signal ends the program
// between two handlers, and the handler that was there before comes back afterwards.
void TestNavigation::endingTheProgram() {
    QFETCH(QString, where);
    QFETCH(int, signal);
    QFETCH(bool, frame);
    Program program;
    if (where == "panel") {
        program.enterPanel().Encender_Apagar[1]->click();
        program.rig.clock.advance(120);  // the analog monitor waits on its converter
    } else if (where == "test") {
        program.menu().Command2->click();
        program.navigator.form3()->Command3_Click();
        program.rig.clock.advance(2500);  // test 1's second tick waits with output 1 on
    }
    program.rig.recorder.clear();
    if (signal) std::signal(signal, SIG_IGN);
    {
        ExitSignals exitSignals([&](int number) { program.navigator.endOnSignal(number); });
        if (signal) {
            std::raise(signal);
            QVERIFY(program.ended.isEmpty());  // nothing runs inside the signal handler itself
            QTRY_VERIFY(!program.ended.isEmpty());
        } else if (frame) {
            program.menu().close();
        } else {
            (where == "menu" ? program.menu().Command3 : program.navigator.form2()->Salir)->click();
        }
    }
    if (signal) QVERIFY(std::signal(signal, SIG_DFL) == SIG_IGN);
    const QStringList written = where == "menu" ? QStringList() : kWriteZero;
    QCOMPARE(program.ended, (QList<std::pair<int, QStringList>>{{signal ? 128 + signal : 0, written}}));
    program.rig.clock.advance(1000);
    QCOMPARE(program.rig.recorder.trace(), written);
    QVERIFY(!program.rig.clock.hasAlarms());
}

void TestNavigation::keyboardAndScreenReader_data() {
    QTest::addColumn<int>("form");
    QTest::addColumn<QString>("buttons");  // by name, as Tab reaches them from the one focused at opening
    QTest::newRow("menu") << 1 << "COMPROBACION MANUAL|COMPROBACION AUTOMATICA|SALIR DEL PROGRAMA";
    QString panel;
    for (int n = 0; n < 8; ++n) panel += QStringLiteral("Encender salida %1|").arg(n);
    QTest::newRow("panel") << 2 << panel + "Encender Todas|Apagar Todas|VOLVER AL MENU ANTERIOR|SALIR DEL PROGRAMA";
    QTest::newRow("test window") << 3
                                 << "SALIR DEL PROGRAMA|INICIAR TEST|INICIAR TEST ANALOGICO|VOLVER AL MENU ANTERIOR";
}

// Every control says what it is, not only the frame it is in. Tab goes round the whole window, the
// editable wiring text included, and reaches every button once; Enter presses the first.
void TestNavigation::keyboardAndScreenReader() {
    QFETCH(int, form);
    QFETCH(QString, buttons);
    Program program;
    if (form > 1) (form == 2 ? program.menu().Command1 : program.menu().Command2)->click();
    QWidget* shown = QList<QWidget*>{&program.menu(), program.navigator.form2(), program.navigator.form3()}[form - 1];
    for (QWidget* control : shown->findChildren<QWidget*>()) {
        const auto* frame = qobject_cast<QGroupBox*>(control->parentWidget());
        const QString name = ScreenReaderListener::spoken(control);
        if (control->parentWidget() == shown || frame)  // not a part of a control
            QVERIFY2(!name.isEmpty() && !(frame && name == frame->title()), control->metaObject()->className());
    }
    QVERIFY(QTest::qWaitForWindowActive(shown));
    QWidget* first = QApplication::focusWidget();
    QStringList reached;
    for (int tabs = 0; tabs < 40 && (tabs == 0 || QApplication::focusWidget() != first); ++tabs) {
        if (qobject_cast<WrapButton*>(QApplication::focusWidget()))
            reached << ScreenReaderListener::spoken(QApplication::focusWidget());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    QCOMPARE(QApplication::focusWidget(), first);
    QCOMPARE(reached.join(u'|'), buttons);
    QSignalSpy pressed(static_cast<WrapButton*>(first), &QAbstractButton::clicked);
    QTest::keyPress(first, Qt::Key_Enter, Qt::KeypadModifier);
    QCOMPARE(pressed.count(), 1);
}

QTEST_MAIN(TestNavigation)
#include "test_navigation.moc"
