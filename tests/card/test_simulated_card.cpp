#include <QtTest>
#include "card/card_faults.h"

#include "card/registers.h"
#include "tests/support/card_rig.h"

// The simulated card read back through the card operations, the way the windows use it.
class TestSimulatedCard : public QObject {
    Q_OBJECT
private slots:
    void digitalInputs_data();
    void digitalInputs();
    void relaysTakeTimeAndKeepThroughOtherCodes();
    void converterNeedsItsWait();
    void analogReadingsChangePerRead();
    void wellFormed();
    void malformed_data();
    void malformed();
};

void TestSimulatedCard::digitalInputs_data() {
    QTest::addColumn<QString>("fault");
    QTest::addColumn<int>("outputs");
    QTest::addColumn<int>("inputs");
    for (int value : {0, 1, 128, 255, 15, 0x5A}) QTest::addRow("good card, %d", value) << "" << value << 255 - value;
    QTest::newRow("broken wire, output on") << "roto:2" << 4 << 255;
    QTest::newRow("crossed, output 2 on") << "cruzados:2,4" << 4 << 255 - 16;
    QTest::newRow("crossed, other output") << "cruzados:2,4" << 1 << 254;
    QTest::newRow("stuck at 0, output off") << "fija:5=0" << 0 << 255 - 32;
    QTest::newRow("stuck at 1, output on") << "fija:5=1" << 255 << 32;
}

// Status bits the card does not drive carry noise, which the program must mask off.
void TestSimulatedCard::digitalInputs() {
    QFETCH(QString, fault);
    QFETCH(int, outputs);
    QFETCH(int, inputs);
    CardFaults faults;
    QVERIFY(fault.isEmpty() || !addFault(faults, fault));
    CardRig rig(faults);
    rig.card.WriteOutputs(qint16(outputs));
    rig.clock.advance(SimulatedCard::kRelaySettleMs);
    int noise = 0;
    for (int i = 0; i < 20; ++i) {
        QCOMPARE(int(rig.card.ReadDigitalInputs()), inputs);
        noise |= rig.recorder.PortIn(StatusPort) & 0x87;
    }
    QCOMPARE(noise, 0x87);
}

void TestSimulatedCard::relaysTakeTimeAndKeepThroughOtherCodes() {
    CardRig rig;
    rig.card.WriteOutputs(4);
    rig.clock.advance(100);
    rig.card.WriteOutputs(0x81);
    QCOMPARE(int(rig.card.ReadDigitalInputs()), 255 - 4);  // the relays still moving
    QCOMPARE(rig.readAnalog(4), 255);                      // leaves a channel mask in the data register
    QCOMPARE(rig.sim.relays(), 0x81);
    QCOMPARE(int(rig.card.ReadDigitalInputs()), 255 - 0x81);
}

void TestSimulatedCard::converterNeedsItsWait() {
    CardRig rig;
    Port& port = rig.recorder;
    for (qint16 code : {CtrlAnalogLow, CtrlAnalogHigh}) {
        for (qint16 value : {CtrlSelectBegin, qint16(1), CtrlSelectEnd, code})
            port.PortOut(value == 1 ? DataPort : ControlPort, value);
        QCOMPARE(int(Card::StatusNibble(port.PortIn(StatusPort))), 0);
    }
}

void TestSimulatedCard::analogReadingsChangePerRead() {
    CardFaults faults;
    QVERIFY(!addFault(faults, "analogica:2=230,231,0"));
    CardRig rig(faults);
    QList<int> readings;
    for (int i = 0; i < 4; ++i) readings << rig.readAnalog(Card::ChannelMask(1));
    QCOMPARE(readings, QList<int>({230, 231, 0, 0}));
    QCOMPARE(rig.readAnalog(Card::ChannelMask(0)), 255);
}

void TestSimulatedCard::wellFormed() {
    CardFaults faults;
    for (const char* text : {"roto:3", "cruzados:2,4", "fija:6=1", "analogica:2=200", "analogica:4=0, 0,255"})
        QVERIFY2(!addFault(faults, QString::fromLatin1(text)), text);
    CardFaults expected;
    expected.inputSource = {0, 1, 4, -1, 2, 5, 6, 7};
    expected.stuckInput[6] = 1;
    expected.analogReadings[1] = {200};
    expected.analogReadings[3] = {0, 0, 255};
    QVERIFY(faults == expected);
}

void TestSimulatedCard::malformed_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("hint");
    QTest::newRow("unknown kind") << "quemado:1"
                                  << "los fallos conocidos";
    QTest::newRow("input out of range") << "roto:8"
                                        << "roto:N";
    QTest::newRow("crossed with itself") << "cruzados:3,3"
                                         << "cruzados:A,B";
    QTest::newRow("stuck at 2") << "fija:1=2"
                                << "fija:N=V";
    QTest::newRow("analog reading 256") << "analogica:1=256"
                                        << "analogica:K=R";
}

void TestSimulatedCard::malformed() {
    QFETCH(QString, text);
    QFETCH(QString, hint);
    CardFaults faults;
    faults.inputSource[0] = -1;
    const CardFaults before = faults;
    const auto error = addFault(faults, text);
    QVERIFY(error);
    QVERIFY2(error->contains(text) && error->contains(hint), qPrintable(*error));
    QVERIFY(faults == before);
}

QTEST_GUILESS_MAIN(TestSimulatedCard)
#include "test_simulated_card.moc"
