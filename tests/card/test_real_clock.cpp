// The real clock's alarms, in real time: never before their deadline, in deadline order whatever
// the order they were set in (one set from inside another's call included, even when the event
// loop comes late to them all), and none once cancelled.
#include <QtTest>

#include "card/clock.h"

class TestRealClock : public QObject {
    Q_OBJECT
private slots:
    void alarmsKeepTheirDeadlines() {
        RealClock clock;
        const qint64 start = clock.nowNs();
        QList<std::pair<int, qint64>> fired;  // (which, how late in ns)
        std::vector<Clock::Alarm> alarms;
        auto at = [&](int which, qint64 afterUs) {
            const qint64 deadline = start + afterUs * 1000;
            alarms.push_back(clock.alarmAt(deadline, [&, which, deadline] {
                fired.append({which, clock.nowNs() - deadline});
                if (which == 2) alarms.push_back(clock.alarmAt(start + 3'000'000, [&] { fired.append({9, 0}); }));
            }));
        };
        for (const auto& [which, afterUs] : {std::pair{3, 4500}, {1, 1500}, {4, 6100}, {2, 2250}, {5, 5000}})
            at(which, afterUs);
        alarms[4].cancel();  // which 5
        QTRY_COMPARE_WITH_TIMEOUT(fired.size(), 5, 2000);
        QTest::qWait(10);
        QList<int> order;
        for (const auto& [which, lateNs] : fired) {
            order << which;
            QVERIFY2(lateNs >= 0, qPrintable(QString("alarm %1 went off %2 ns early").arg(which).arg(-lateNs)));
        }
        QCOMPARE(order, (QList<int>{1, 2, 9, 3, 4}));
    }
};

QTEST_MAIN(TestRealClock)
#include "test_real_clock.moc"
