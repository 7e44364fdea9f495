#include <QtTest>

#include <csignal>

#include "app/exit_signals.h"
#include "app/navigator.h"
#include "manual/form2.h"
#include "tests/support/test_window.h"

// A signal ends the program between two handlers, switching the relays off when a check window
// is open; the handlers that were there before come back afterwards.
class TestExitSignals : public QObject {
    Q_OBJECT
private slots:
    void relaysOffOnSignal_data();
    void relaysOffOnSignal();
};

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
        navigator.showForm2().Encender_Todas_Click();
        rig.clock.advance(120);  // the analog monitor waits on its converter
    } else if (window == "test") {
        navigator.showForm3().Command3_Click();
        rig.clock.advance(2500);  // test 1's second tick waits with output 1 on
    }
    rig.recorder.clear();

    std::signal(signal, SIG_IGN);
    {
        ExitSignals exitSignals([&](int number) { navigator.endOnSignal(number); });
        std::raise(signal);
        QVERIFY(ended.isEmpty());  // nothing runs inside the signal handler itself
        QTRY_COMPARE(ended, QList<int>{128 + signal});
    }
    QVERIFY(std::signal(signal, SIG_DFL) == SIG_IGN);
    const QStringList expected = window == "menu" ? QStringList{} : QStringList{"out 890 7", "out 888 0"};
    QCOMPARE(rig.recorder.trace(), expected);
    QVERIFY(!rig.clock.hasAlarms());
}

QTEST_MAIN(TestExitSignals)
#include "test_exit_signals.moc"
