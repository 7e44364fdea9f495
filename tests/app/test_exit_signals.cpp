#include <QtTest>

#include <csignal>

#include "app/exit_signals.h"
#include "app/navigator.h"
#include "autotest/form3.h"
#include "manual/form2.h"
#include "tests/support/test_window.h"

// A signal ends the program between two handlers, switching the relays off when a check window
// is open.
class TestExitSignals : public QObject {
    Q_OBJECT
private slots:
    void signalReachesTheEventLoop_data();
    void signalReachesTheEventLoop();
    void relaysOffOnSignal_data();
    void relaysOffOnSignal();
};

void TestExitSignals::signalReachesTheEventLoop_data() {
    QTest::addColumn<int>("signal");
    QTest::newRow("SIGINT") << SIGINT;
    QTest::newRow("SIGTERM") << SIGTERM;
    QTest::newRow("SIGHUP") << SIGHUP;
}

void TestExitSignals::signalReachesTheEventLoop() {
    QFETCH(int, signal);
    std::signal(signal, SIG_IGN);  // whatever handled the signal before comes back afterwards
    {
        QList<int> received;
        ExitSignals exitSignals([&](int number) { received << number; });
        std::raise(signal);
        QVERIFY(received.isEmpty());  // nothing runs inside the signal handler itself
        QTRY_COMPARE(received, QList<int>{signal});
    }
    QVERIFY(std::signal(signal, SIG_DFL) == SIG_IGN);
}

void TestExitSignals::relaysOffOnSignal_data() {
    QTest::addColumn<int>("signal");
    QTest::addColumn<QString>("window");
    for (const auto& [name, number] : {std::pair{"SIGINT", SIGINT}, {"SIGTERM", SIGTERM}, {"SIGHUP", SIGHUP}}) {
        QTest::addRow("%s on the menu", name) << number << "menu";
        QTest::addRow("%s on the manual panel", name) << number << "manual";
        QTest::addRow("%s during a test", name) << number << "test";
    }
}

void TestExitSignals::relaysOffOnSignal() {
    QFETCH(int, signal);
    QFETCH(QString, window);
    CardRig rig;
    QList<int> ended;
    Navigator navigator(rig.card, rig.clock, CARDCHECK_PICTURE_DIR, [&](int status) { ended << status; });
    navigator.start();
    if (window == "manual") {
        Form2& panel = navigator.showForm2();
        panel.Encender_Todas_Click();
    } else if (window == "test") {
        Form3& tests = navigator.showForm3();
        tests.Command3_Click();
        rig.clock.advance(2500);  // test 1's second tick waits with output 1 on
    }
    rig.recorder.clear();

    ExitSignals exitSignals([&](int number) { navigator.endOnSignal(number); });
    std::raise(signal);
    QTRY_COMPARE(ended, QList<int>{128 + signal});
    const QStringList expected = window == "menu" ? QStringList{} : QStringList{"out 890 7", "out 888 0"};
    QCOMPARE(rig.recorder.trace(), expected);
    if (window == "test") QVERIFY(idle(*navigator.form3()));
    if (window == "manual") QVERIFY(!navigator.form2()->Timer1->isActive() && !navigator.form2()->Timer2->isActive());
    QVERIFY(!rig.clock.hasAlarms());
}

QTEST_MAIN(TestExitSignals)
#include "test_exit_signals.moc"
