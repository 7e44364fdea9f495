#include <QtTest>

#include "card/registers.h"
#include "tests/support/card_rig.h"

// The simulated card read back through the card operations, the way the windows use it.
class TestSimulatedCard : public QObject {
    Q_OBJECT
private slots:
    void goodCardReadsComplement_data();
    void goodCardReadsComplement();
    void relaysKeepThroughOtherCodes();
    void readWithoutSettleWaitIsStale();
    void analogWithoutWaitReadsWrong();
    void fullScaleOnEveryChannel();
    void ignoredStatusBitsCarryNoise();
    void faults_data();
    void faults();
    void analogReadingsChangePerRead();
};

void TestSimulatedCard::goodCardReadsComplement_data() {
    QTest::addColumn<int>("outputs");
    for (int value : {0, 1, 8, 128, 255, 15, 240, 0x5A}) QTest::addRow("%d", value) << value;
}

void TestSimulatedCard::goodCardReadsComplement() {
    QFETCH(int, outputs);
    CardRig rig;
    rig.card.WriteOutputs(qint16(outputs));
    rig.clock.advance(SimulatedCard::kRelaySettleMs);
    QCOMPARE(int(rig.card.ReadDigitalInputs()), 255 - outputs);
}

void TestSimulatedCard::relaysKeepThroughOtherCodes() {
    CardRig rig;
    rig.card.WriteOutputs(0x81);
    rig.readAnalog(4);  // leaves a channel mask in the data register
    rig.card.ReadDigitalInputs();
    QCOMPARE(rig.sim.relays(), 0x81);
    QCOMPARE(int(rig.card.ReadDigitalInputs()), 255 - 0x81);
}

void TestSimulatedCard::readWithoutSettleWaitIsStale() {
    CardRig rig;
    rig.card.WriteOutputs(4);
    rig.clock.advance(100);
    rig.card.WriteOutputs(8);
    QCOMPARE(int(rig.card.ReadDigitalInputs()), 255 - 4);  // relay 3 still moving
    rig.clock.advance(SimulatedCard::kRelaySettleMs);
    QCOMPARE(int(rig.card.ReadDigitalInputs()), 255 - 8);
}

void TestSimulatedCard::analogWithoutWaitReadsWrong() {
    CardRig rig;
    Port& port = rig.recorder;
    auto nibbleWithoutWait = [&](qint16 code) {
        port.PortOut(ControlPort, CtrlSelectBegin);
        port.PortOut(DataPort, 1);
        port.PortOut(ControlPort, CtrlSelectEnd);
        port.PortOut(ControlPort, code);
        return Card::StatusNibble(port.PortIn(StatusPort));
    };
    QCOMPARE(int(nibbleWithoutWait(CtrlAnalogLow)), 0);
    QCOMPARE(int(nibbleWithoutWait(CtrlAnalogHigh)), 0);
    QCOMPARE(int(rig.readAnalog(1)), 255);
}

void TestSimulatedCard::fullScaleOnEveryChannel() {
    CardRig rig;
    for (int channel = 0; channel < 4; ++channel) QCOMPARE(int(rig.readAnalog(Card::ChannelMask(channel))), 255);
}

void TestSimulatedCard::ignoredStatusBitsCarryNoise() {
    CardRig rig;
    int ignoredBitsSeen = 0;
    for (int i = 0; i < 50; ++i) {
        rig.card.ReadDigitalInputs();
        ignoredBitsSeen |= rig.recorder.PortIn(StatusPort) & 0x87;
    }
    QCOMPARE(ignoredBitsSeen, 0x87);
    QCOMPARE(int(rig.card.ReadDigitalInputs()), 255);
}

void TestSimulatedCard::faults_data() {
    QTest::addColumn<QString>("fault");
    QTest::addColumn<int>("outputs");
    QTest::addColumn<int>("inputs");
    QTest::newRow("broken wire, output on") << "roto:2" << 4 << 255;
    QTest::newRow("broken wire, output off") << "roto:2" << 0 << 255;
    QTest::newRow("crossed, output 2 on") << "cruzados:2,4" << 4 << 255 - 16;
    QTest::newRow("crossed, output 4 on") << "cruzados:2,4" << 16 << 255 - 4;
    QTest::newRow("crossed, other output") << "cruzados:2,4" << 1 << 254;
    QTest::newRow("stuck at 0, output off") << "fija:5=0" << 0 << 255 - 32;
    QTest::newRow("stuck at 1, output on") << "fija:5=1" << 255 << 32;
}

void TestSimulatedCard::faults() {
    QFETCH(QString, fault);
    QFETCH(int, outputs);
    QFETCH(int, inputs);
    CardFaults faults;
    QVERIFY(!addFault(faults, fault));
    CardRig rig(faults);
    rig.card.WriteOutputs(qint16(outputs));
    rig.clock.advance(SimulatedCard::kRelaySettleMs);
    QCOMPARE(int(rig.card.ReadDigitalInputs()), inputs);
}

void TestSimulatedCard::analogReadingsChangePerRead() {
    CardFaults faults;
    QVERIFY(!addFault(faults, "analogica:2=230,231,0"));
    CardRig rig(faults);
    QList<int> readings;
    for (int i = 0; i < 4; ++i) readings << rig.readAnalog(Card::ChannelMask(1));
    QCOMPARE(readings, QList<int>({230, 231, 0, 0}));
    QCOMPARE(int(rig.readAnalog(Card::ChannelMask(0))), 255);
}

QTEST_GUILESS_MAIN(TestSimulatedCard)
#include "test_simulated_card.moc"
