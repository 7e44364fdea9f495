#include <QtTest>

#include "tests/support/card_rig.h"

// The exact register traffic of each card operation, with the time between the operations, read
// back from scripted status values.
class TestCardOperations : public QObject {
    Q_OBJECT
private slots:
    void writeOutputsIsTwoWrites();
    void digitalRead_data();
    void digitalRead();
    void analogRead_data();
    void analogRead();
    void anotherSequenceDuringAnAnalogWait_data();
    void anotherSequenceDuringAnAnalogWait();
    void waitIsCountedFromTheLastOperation();
    void waitOnALostPortEndsAtOnce();
};

namespace {

const QStringList kSelectMask1{"out 890 5", "out 888 1", "out 890 8"};

struct LostPort : Port {
    void PortOut(qint16, qint16) override {}
    qint16 PortIn(qint16) override { return 0; }
    bool lost() const override { return true; }
};

}  // namespace

void TestCardOperations::writeOutputsIsTwoWrites() {
    CardRig rig(std::nullopt);
    for (int value : {0, 255, 8}) rig.card.WriteOutputs(qint16(value));
    QCOMPARE(rig.recorder.trace(),
             QStringList({"out 890 7", "out 888 0", "out 890 7", "out 888 255", "out 890 7", "out 888 8"}));
}

void TestCardOperations::digitalRead_data() {
    QTest::addColumn<int>("low");
    QTest::addColumn<int>("high");
    QTest::addColumn<int>("inputs");
    QTest::newRow("all lines high") << 120 << 120 << 0;
    QTest::newRow("ignored bits only") << 135 << 135 << 255;
    QTest::newRow("inputs 0 and 7 at 0") << 8 << 64 << 126;
    QTest::newRow("upper byte all ones") << int(qint16(0xFF08)) << 0 << 254;
}

void TestCardOperations::digitalRead() {
    QFETCH(int, low);
    QFETCH(int, high);
    QFETCH(int, inputs);
    CardRig rig(std::nullopt);
    rig.recorder.scriptStatus({qint16(low), qint16(high)});
    QCOMPARE(int(rig.card.ReadDigitalInputs()), inputs);
    QCOMPARE(rig.recorder.trace(), QStringList({"out 890 3", QStringLiteral("in 889 %1").arg(low), "out 890 1",
                                                QStringLiteral("in 889 %1").arg(high)}));
}

void TestCardOperations::analogRead_data() {
    QTest::addColumn<int>("low");
    QTest::addColumn<int>("high");
    QTest::addColumn<int>("raw");
    QTest::addColumn<double>("volts");
    QTest::newRow("full scale") << 120 << 120 << 255 << 4.98046875;
    QTest::newRow("one step") << 8 << 0 << 1 << 0.01953125;
    QTest::newRow("half scale") << 0 << 64 << 128 << 2.5;
    QTest::newRow("ignored bits") << 135 << 135 << 0 << 0.0;
}

// The mask is written before each nibble, and each status read comes 50 ms after its control code.
void TestCardOperations::analogRead() {
    QFETCH(int, low);
    QFETCH(int, high);
    QFETCH(int, raw);
    QFETCH(double, volts);
    CardRig rig(std::nullopt);
    rig.recorder.scriptStatus({qint16(low), qint16(high)});
    QCOMPARE(rig.readAnalog(1), raw);
    QCOMPARE(Card::RawToVolts(qint16(raw)), volts);
    const QStringList expected =
        kSelectMask1 + QStringList{"out 890 2", "sleep 50", QStringLiteral("in 889 %1").arg(low)} + kSelectMask1 +
        QStringList{"out 890 0", "sleep 50", QStringLiteral("in 889 %1").arg(high)};
    QCOMPARE(rig.recorder.trace(), expected);
}

void TestCardOperations::anotherSequenceDuringAnAnalogWait_data() {
    QTest::addColumn<int>("atMs");
    QTest::addColumn<QList<qint16>>("statuses");
    QTest::addColumn<QStringList>("interrupted");  // the read's steps up to the other sequence, and that one
    QTest::newRow("write in the first wait")
        << 20 << QList<qint16>{8, 64} << kSelectMask1 + QStringList{"out 890 2", "sleep 20", "out 890 7", "out 888 9"};
    QTest::newRow("digital read in the second wait")
        << 70 << QList<qint16>{0, 0, 0, 8, 64}
        << kSelectMask1 + QStringList{"out 890 2", "sleep 50", "in 889 0"} + kSelectMask1 +
               QStringList{"out 890 0", "sleep 20", "out 890 3", "in 889 0", "out 890 1", "in 889 0"};
}

// The status read never follows another sequence's control code: the channel is read again from the
// start, with both of its waits in full.
void TestCardOperations::anotherSequenceDuringAnAnalogWait() {
    QFETCH(int, atMs);
    QFETCH(QList<qint16>, statuses);
    QFETCH(QStringList, interrupted);
    CardRig rig(std::nullopt);
    for (qint16 status : statuses) rig.recorder.scriptStatus({status});
    const Clock::Alarm other = rig.clock.alarmAt(atMs * kNsPerMs, [&] {
        if (statuses.size() == 2)
            rig.card.WriteOutputs(9);
        else
            rig.card.ReadDigitalInputs();
    });
    QCOMPARE(rig.readAnalog(1), 0x81);
    const QStringList expected = interrupted + QStringList{"sleep 30"} + kSelectMask1 +
                                 QStringList{"out 890 2", "sleep 50", "in 889 8"} + kSelectMask1 +
                                 QStringList{"out 890 0", "sleep 50", "in 889 64"};
    QCOMPARE(rig.recorder.trace(), expected);
}

// Whatever runs between a port operation and the wait after it does not make the wait longer.
void TestCardOperations::waitIsCountedFromTheLastOperation() {
    CardRig rig(std::nullopt);
    bool done = false;
    auto sequence = [](CardRig& r, bool& finished) -> Task<> {
        r.card.WriteOutputs(1);
        r.clock.advance(30);  // a slow repaint before the wait begins
        co_await r.card.Sleep(100);
        r.card.ReadDigitalInputs();
        finished = true;
    };
    Task<> task = sequence(rig, done);
    task.start([] {});
    rig.clock.advance(69);
    QVERIFY(!done);
    rig.clock.advance(1);
    QVERIFY(done);
    QCOMPARE(rig.recorder.trace().mid(2, 2), QStringList({"sleep 100", "out 890 3"}));
}

void TestCardOperations::waitOnALostPortEndsAtOnce() {
    VirtualClock clock;
    LostPort port;
    Card card(port, clock);
    QVERIFY(card.Sleep(500).await_ready());
    int raw = -1;
    auto read = [](Card& c, int& result) -> Task<> { result = co_await c.ReadAnalogChannel(1); };
    Task<> task = read(card, raw);
    task.start([] {});
    QCOMPARE(raw, 0);
    QCOMPARE(clock.elapsedMs(), 0);
}

QTEST_GUILESS_MAIN(TestCardOperations)
#include "test_card_operations.moc"
