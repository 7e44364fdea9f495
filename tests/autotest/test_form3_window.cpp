#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QtTest>

#include "assets/pictures.h"
#include "tests/support/test_window.h"
#include "widgets/lamp.h"
#include "widgets/twips.h"
#include "widgets/wrap_button.h"

// The test window as designed and as loaded, and its start buttons during every kind of wait.
class TestForm3Window : public QObject {
    Q_OBJECT
private slots:
    void load();
    void startButtonsDuringAWait_data();
    void startButtonsDuringAWait();
};

// A window loaded again after a run starts from nothing: counters, lists, timers; the card untouched.
// Until the first test runs, the window shows its built-in TEST picture.
void TestForm3Window::load() {
    const QImage builtIn(QString::fromLatin1(kTestLabelResource));
    QVERIFY2(!builtIn.isNull(), "the built-in TEST 1 picture is missing from the program");
    WindowRig w;
    w.form.List1->AddItem("left over");
    w.form.List2->AddItem("left over");
    w.form.TestStep = 5;
    w.form.TestRound = 2;
    w.form.Form_Load();
    QCOMPARE(w.form.TestStep, qint16(0));
    QCOMPARE(w.form.TestRound, qint16(0));
    QVERIFY(w.form.List1->lines().isEmpty() && w.form.List2->lines().isEmpty());
    QVERIFY(idle(w.form));
    QVERIFY(w.rig.recorder.trace().isEmpty());
    QCOMPARE(w.form.Picture3->pixmap().toImage().convertToFormat(QImage::Format_RGB32),
             builtIn.convertToFormat(QImage::Format_RGB32));
}

void TestForm3Window::startButtonsDuringAWait_data() {
    QTest::addColumn<WaitKind>("wait");
    QTest::addColumn<QString>("button");
    for (const char* button : {"Command3", "Command7"})
        for (const WaitKind& wait : kWaitKinds) QTest::addRow("%s in %s", button, wait.name) << wait << button;
}

// A start button gives up the tick at its wait, starts its own test afresh, and leaves the relays as
// they are; nothing of the given-up tick runs afterwards.
void TestForm3Window::startButtonsDuringAWait() {
    QFETCH(WaitKind, wait);
    QFETCH(QString, button);
    WindowRig w;
    w.runInto(wait);
    const int test = wait.test;
    QVERIFY(testTimers(w.form)[test - 1]->tickRunning());
    QCOMPARE(lit(w.form.Picture1).join(QString()), QString::fromLatin1(wait.outputsLit));
    const int relays = w.rig.sim.relays();
    w.rig.recorder.clear();

    if (button == "Command3")
        w.form.Command3_Click();
    else
        w.form.Command7_Click();

    QCOMPARE(runningTest(w.form), button == "Command3" ? 1 : 6);
    QVERIFY(!testTimers(w.form)[test - 1]->tickRunning());
    QCOMPARE(w.form.TestStep, qint16(0));
    QCOMPARE(w.form.TestRound, qint16(0));
    QVERIFY(w.form.List1->lines().isEmpty() && w.form.List2->lines().isEmpty());
    QCOMPARE(w.rig.sim.relays(), relays);
    // The first tick of the restarted test is all that comes next: nothing of the old one.
    const qsizetype ticks = w.log.ticks.size();
    w.rig.clock.runUntil([&] { return w.log.ticks.size() > ticks; });
    QCOMPARE(w.log.ticks.last().test, button == "Command3" ? 1 : 6);
    const QStringList expected =
        QStringList{button == "Command3" ? "S500" : "S100"} + tickTrace(w.log.ticks.last().test, 0);
    QCOMPARE(compactTrace(w.rig.recorder.trace()).mid(0, expected.size()), expected);
}

QTEST_MAIN(TestForm3Window)
#include "test_form3_window.moc"
