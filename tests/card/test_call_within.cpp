#include <QtTest>

#include <cerrno>

#include <poll.h>
#include <unistd.h>

#include "card/call_within.h"

// A claim given up never takes the port later. The stand-in for the port is a pipe: a read that
// waits on it, given up, must not take a byte written afterwards.
class TestCallWithin : public QObject {
    Q_OBJECT
private slots:
    void givenUp_data();
    void givenUp();
};

void TestCallWithin::givenUp_data() {
    QTest::addColumn<bool>("waiting");        // the call waits for a byte that has not come
    QTest::addColumn<bool>("ignoresSignal");  // it goes back to waiting after EINTR, as no signal could stop it
    QTest::addColumn<int>("result");          // -1: left to end on its thread
    QTest::newRow("ends in time") << false << false << 0;
    QTest::newRow("interrupted at its limit") << true << false << ETIMEDOUT;
    QTest::newRow("left, when it cannot be interrupted") << true << true << -1;
}

void TestCallWithin::givenUp() {
    QFETCH(bool, waiting);
    QFETCH(bool, ignoresSignal);
    int pipeEnds[2];
    QVERIFY(::pipe(pipeEnds) == 0);
    if (!waiting) QCOMPARE(::write(pipeEnds[1], "a", 1), 1);
    std::atomic<int> leftWith = -1;
    char byte = 0;
    QElapsedTimer timer;
    timer.start();
    const auto result = callWithin(
        [&] {
            ssize_t read = 0;
            while ((read = ::read(pipeEnds[0], &byte, 1)) < 0 && errno == EINTR && ignoresSignal) {
            }
            return read == 1 ? 0 : errno;
        },
        20, 30, [&](int ended) { leftWith = ended; });
    QTEST(result.value_or(-1), "result");
    if (waiting) QVERIFY2(timer.elapsed() >= 20 && timer.elapsed() < 500, qPrintable(QString::number(timer.elapsed())));

    QCOMPARE(::write(pipeEnds[1], "b", 1), 1);
    if (ignoresSignal) {
        QTRY_COMPARE(leftWith.load(), 0);  // the call took the byte, on its own thread, and was told so
        QCOMPARE(byte, 'b');
    } else {
        pollfd readable{pipeEnds[0], POLLIN, 0};
        QCOMPARE(::poll(&readable, 1, 1000), 1);
        char mine = 0;
        QCOMPARE(::read(pipeEnds[0], &mine, 1), 1);  // nothing of the given-up call is still waiting
        QCOMPARE(mine, 'b');
        QCOMPARE(leftWith.load(), -1);
    }
    ::close(pipeEnds[0]);
    ::close(pipeEnds[1]);
}

QTEST_GUILESS_MAIN(TestCallWithin)
#include "test_call_within.moc"
