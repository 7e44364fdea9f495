#include <QtTest>

#include "card/card.h"
#include "card/tick_timer.h"

// A timer whose ticks wait: they never overlap, one firing during a tick gives one tick right after
// it, and a tick given up never goes on.
class TestTickTimer : public QObject {
    Q_OBJECT
private slots:
    void ticksNeverOverlap_data();
    void ticksNeverOverlap();
};

void TestTickTimer::ticksNeverOverlap_data() {
    QTest::addColumn<int>("tickMs");
    QTest::addColumn<bool>("giveUp");  // at 1000 ms, rather than only stop the timer
    QTest::addColumn<QStringList>("ticks");
    QStringList everyInterval;
    for (int start = 100; start <= 1000; start += 100)
        everyInterval << QStringLiteral("%1-%2").arg(start).arg(start + 30);
    QTest::newRow("short ticks, every interval") << 30 << false << everyInterval;
    // Seven firings come during the first three ticks; each tick brings one more, at once.
    QTest::newRow("long ticks, back to back")
        << 250 << false << QStringList{"100-350", "350-600", "600-850", "850-1100"};
    QTest::newRow("given up at its wait") << 250 << true << QStringList{"100-350", "350-600", "600-850", "850-"};
}

// Stopped at 1000 ms: a tick that runs goes on to its end, and no other starts.
void TestTickTimer::ticksNeverOverlap() {
    QFETCH(int, tickMs);
    QFETCH(bool, giveUp);
    QFETCH(QStringList, ticks);
    VirtualClock clock;
    QStringList seen;
    TickTimer timer(
        clock, 100,
        [&]() -> Task<> {
            seen << QString::number(clock.elapsedMs()) + u'-';
            co_await Card::Wait(clock, clock.nowNs() + tickMs * kNsPerMs, false);
            seen.last() += QString::number(clock.elapsedMs());
        },
        nullptr);
    timer.start();
    clock.advance(1000);
    timer.stop();
    if (giveUp) timer.giveUp();
    clock.runUntil([] { return false; });
    QCOMPARE(seen, ticks);
    QVERIFY(!clock.hasAlarms());
    QVERIFY(!timer.tickRunning());
}

QTEST_GUILESS_MAIN(TestTickTimer)
#include "test_tick_timer.moc"
