#include <QLineEdit>
#include <QPointer>
#include <QtTest>

#include "app/form1.h"
#include "app/navigator.h"
#include "manual/form2.h"
#include "tests/support/test_window.h"
#include "widgets/lamp.h"
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

    PictureFolder pictures;
    CardRig rig;
    QList<std::pair<int, QStringList>> ended;
    Navigator navigator;
};

// Windows that are unloaded go once the event loop gets to them.
void processUnloads() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void verifyMenuIsBack(Program& program) {
    QVERIFY(program.menu().isVisible());
    QVERIFY(program.menu().isEnabled());
    QVERIFY(program.navigator.form2() == nullptr);
}

}  // namespace

class TestNavigation : public QObject {
    Q_OBJECT
private slots:
    void startWritesNothing();
    void menuToPanel();
    void leavingThePanel_data();
    void leavingThePanel();
    void secondVisitStartsAfresh();
    void endingTheProgram_data();
    void endingTheProgram();
    void leavingTheTestWindowDuringAWait_data();
    void leavingTheTestWindowDuringAWait();
};

void TestNavigation::startWritesNothing() {
    Program program;
    QVERIFY(program.rig.recorder.trace().isEmpty());
    QVERIFY(program.menu().isVisible());
    QVERIFY(program.menu().isEnabled());
    QVERIFY(program.navigator.form2() == nullptr);
    QVERIFY(program.ended.isEmpty());
}

void TestNavigation::menuToPanel() {
    Program program;
    Form2& panel = program.enterPanel();

    // The relays are switched off before the monitors read anything.
    QCOMPARE(program.rig.recorder.trace(), kWriteZero);
    QVERIFY(!program.menu().isVisible());
    QVERIFY(!program.menu().isEnabled());
    QVERIFY(panel.isVisible());
    QVERIFY(panel.isEnabled());
    QVERIFY(panel.Timer1->isActive());
    QVERIFY(panel.Timer2->isActive());
    QCOMPARE(panel.Text4->text(), QStringLiteral("Text4"));
    QVERIFY(program.ended.isEmpty());
}

void TestNavigation::leavingThePanel_data() {
    QTest::addColumn<bool>("throughFrame");
    QTest::newRow("VOLVER AL MENU ANTERIOR") << false;
    QTest::newRow("window frame") << true;
}

// Both ways switch every relay off, stop the monitors and bring the menu back.
void TestNavigation::leavingThePanel() {
    QFETCH(bool, throughFrame);

    Program program;
    QPointer<Form2> panel = &program.enterPanel();
    panel->Encender_Todas->click();
    QPointer<TickTimer> timer1 = panel->Timer1;
    QPointer<TickTimer> timer2 = panel->Timer2;
    program.rig.recorder.clear();

    if (throughFrame)
        QVERIFY(!panel->close());
    else
        panel->Command1->click();

    QCOMPARE(program.rig.recorder.trace(), kWriteZero);
    QVERIFY(!timer1->isActive());
    QVERIFY(!timer2->isActive());
    QVERIFY(!panel->isVisible());
    verifyMenuIsBack(program);
    processUnloads();
    QVERIFY(panel.isNull());
    QVERIFY(timer1.isNull());
    QVERIFY(timer2.isNull());
    verifyMenuIsBack(program);
    QVERIFY(program.ended.isEmpty());
}

void TestNavigation::secondVisitStartsAfresh() {
    Program program;
    Form2& first = program.enterPanel();
    first.Encender_Apagar[2]->click();
    first.Encender_Apagar[5]->click();
    program.rig.clock.advance(100);
    QCOMPARE(first.Text4->text(), QStringLiteral("219"));
    first.Command1->click();
    processUnloads();
    program.rig.recorder.clear();

    Form2& second = program.enterPanel();

    QCOMPARE(program.rig.recorder.trace(), kWriteZero);
    QVERIFY(second.isVisible());
    QVERIFY(second.isEnabled());
    QVERIFY(second.Timer1->isActive());
    QVERIFY(second.Timer2->isActive());
    QCOMPARE(second.Text4->text(), QStringLiteral("Text4"));
    for (int n = 0; n < 8; ++n) {
        QVERIFY(!second.Shape2[n]->isLit());
        QVERIFY(!second.Shape1[n]->isLit());
        QCOMPARE(second.Encender_Apagar[n]->caption(),
                 n % 2 ? QStringLiteral("Encender ") : QStringLiteral("Encender"));
    }
    QCOMPARE(int(second.OutputsFromIndicators()), 0);
}

void TestNavigation::endingTheProgram_data() {
    QTest::addColumn<QString>("way");
    QTest::addColumn<QStringList>("written");

    // The menu never drives the card: the outputs are already off whenever it is on screen.
    QTest::newRow("menu SALIR DEL PROGRAMA") << "menu button" << QStringList();
    QTest::newRow("menu window frame") << "menu frame" << QStringList();
    QTest::newRow("panel SALIR DEL PROGRAMA") << "panel button" << kWriteZero;
}

void TestNavigation::endingTheProgram() {
    QFETCH(QString, way);
    QFETCH(QStringList, written);

    Program program;
    QPointer<Form2> panel;
    if (way == u"panel button") {
        panel = &program.enterPanel();
        panel->Encender_Apagar[1]->click();
        program.rig.recorder.clear();
        panel->Salir->click();
    } else if (way == u"menu button") {
        program.menu().Command3->click();
    } else {
        program.menu().close();
    }

    QCOMPARE(program.ended.size(), 1);
    QCOMPARE(program.ended[0].first, 0);
    // Whatever is written is written before the program ends, and nothing after.
    QCOMPARE(program.ended[0].second, written);
    QCOMPARE(program.rig.recorder.trace(), written);
    if (panel) {
        QVERIFY(!panel->Timer1->isActive());
        QVERIFY(!panel->Timer2->isActive());
    }
}

void TestNavigation::leavingTheTestWindowDuringAWait_data() {
    QTest::addColumn<QString>("way");
    QTest::addColumn<int>("test");
    QTest::addColumn<int>("ticksBefore");
    QTest::addColumn<int>("intoTickMs");
    const QList<std::tuple<const char*, int, int, int>> waits{
        {"test 1, 100 ms", 1, 2, 50}, {"test 1, 500 ms", 1, 2, 300}, {"test 2, 50 ms", 2, 3, 470},
        {"test 3, 50 ms", 3, 5, 20},  {"test 4, 50 ms", 4, 1, 20},   {"test 4, 500 ms", 4, 1, 300},
        {"test 5, 50 ms", 5, 1, 20},  {"test 5, 500 ms", 5, 1, 300}, {"test 6, analog read", 6, 2, 120}};
    for (const auto& [name, test, ticksBefore, intoTickMs] : waits)
        QTest::addRow("VOLVER in %s", name) << "Command2" << test << ticksBefore << intoTickMs;
    QTest::newRow("window frame in test 4, 500 ms") << "frame" << 4 << 1 << 300;
    QTest::newRow("SALIR in test 1, 500 ms") << "Salir" << 1 << 2 << 300;
}

// The tick is given up at its wait, then the relays go off with no test timer running (the analog
// test's dies with the window), and nothing of the tick runs again, also once the window is gone.
void TestNavigation::leavingTheTestWindowDuringAWait() {
    QFETCH(QString, way);
    QFETCH(int, test);
    QFETCH(int, ticksBefore);
    QFETCH(int, intoTickMs);
    Program program;
    program.menu().Command2->click();
    QPointer<Form3> form = program.navigator.form3();
    form->Command3_Click();
    TickLog log(*form, program.rig.clock, program.rig.recorder);
    program.rig.clock.runUntil([&] {
        return std::count_if(log.ticks.begin(), log.ticks.end(), [&](const Tick& t) { return t.test == test; }) ==
               ticksBefore;
    });
    program.rig.clock.advance(intoTickMs);
    QVERIFY(testTimers(*form)[test - 1]->tickRunning());
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
    else
        QVERIFY(!form->close());

    QCOMPARE(program.rig.recorder.trace(), kWriteZero);
    // SALIR stops no timer of its own: they end with the program, right after the write.
    const QString running = QString::number(way == "Salir" || test == 6 ? test : 0);
    QCOMPARE(runningAtWrites, QStringList({running, running}));
    if (way != "Salir") {
        processUnloads();
        QVERIFY(form.isNull());
        verifyMenuIsBack(program);
    }
    QVERIFY(!program.rig.clock.hasAlarms());
    program.rig.clock.advance(5000);
    QCOMPARE(program.rig.recorder.trace(), kWriteZero);
}

QTEST_MAIN(TestNavigation)
#include "test_navigation.moc"
