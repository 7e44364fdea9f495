#include <QtTest>

#include <cerrno>

#include <poll.h>
#include <unistd.h>

#include "card/call_within.h"

// A claim given up never takes the port later. The port's stand-in is a pipe: a read waiting on it,
// once given up, must not take a byte written afterwards.
class TestCallWithin : public QObject {
    Q_OBJECT
private slots:
    void givenUp_data() {
        QTest::addColumn<bool>("waiting");        // the byte has not come when the call starts
        QTest::addColumn<bool>("ignoresSignal");  // it waits again after EINTR, as in a sleep no signal ends
        QTest::addColumn<int>("result");          // -1: left to end on its thread
        QTest::newRow("ends in time") << false << false << 0;
        QTest::newRow("interrupted at its limit") << true << false << ETIMEDOUT;
        QTest::newRow("left, when it cannot be interrupted") << true << true << -1;
    }
    void givenUp();
};

void TestCallWithin::givenUp() {
    QFETCH(bool, waiting);
    QFETCH(bool, ignoresSignal);
    int ends[2];
    QVERIFY(::pipe(ends) == 0);
    if (!waiting) QCOMPARE(::write(ends[1], "a", 1), 1);
    std::atomic<int> leftWith = -1;
    char byte = 0;
    QElapsedTimer timer;
    timer.start();
    const auto read = [&] {
        ssize_t got = 0;
        while ((got = ::read(ends[0], &byte, 1)) < 0 && errno == EINTR && ignoresSignal) {
        }
        return got == 1 ? 0 : errno;
    };
    QTEST(callWithin(read, 20, 30, [&](int ended) { leftWith = ended; }).value_or(-1), "result");
    if (waiting) QVERIFY2(timer.elapsed() >= 20 && timer.elapsed() < 500, qPrintable(QString::number(timer.elapsed())));

    QCOMPARE(::write(ends[1], "b", 1), 1);
    pollfd readable{ends[0], POLLIN, 0};
    char mine = 0;
    if (ignoresSignal)  // the call took the byte on its own thread, and was told so
        QTRY_VERIFY(leftWith == 0 && byte == 'b');
    else  // nothing of the given-up call is still waiting
        QVERIFY(::poll(&readable, 1, 1000) == 1 && ::read(ends[0], &mine, 1) == 1 && mine == 'b' && leftWith == -1);
    ::close(ends[0]);
    ::close(ends[1]);
}

QTEST_GUILESS_MAIN(TestCallWithin)
#include "test_call_within.moc"
