#include <QtTest>

#include "card/card.h"
#include "card/recording_port.h"
#include "card/voltage_text.h"

// The exact register traffic of each card operation, read back from scripted status values.
class TestCardOperations : public QObject {
    Q_OBJECT
private slots:
    void writeOutputsIsTwoWrites_data();
    void writeOutputsIsTwoWrites();
    void digitalReadSequence();
    void digitalDecoding_data();
    void digitalDecoding();
    void analogReadSequence();
    void analogDecoding_data();
    void analogDecoding();
    void hookRunsBeforeEveryWait();
    void voltageText_data();
    void voltageText();
};

void TestCardOperations::writeOutputsIsTwoWrites_data() {
    QTest::addColumn<int>("value");
    QTest::newRow("all off") << 0;
    QTest::newRow("all on") << 255;
    QTest::newRow("output 3") << 8;
}

void TestCardOperations::writeOutputsIsTwoWrites() {
    QFETCH(int, value);
    RecordingPort port;
    Card card(port, port);
    card.WriteOutputs(static_cast<qint16>(value));
    QCOMPARE(port.trace(), QStringList({"out 890 7", QStringLiteral("out 888 %1").arg(value)}));
    QCOMPARE(port.outputBytes(), QList<int>{value});
}

void TestCardOperations::digitalReadSequence() {
    RecordingPort port;
    Card card(port, port);
    port.scriptStatus({8, 64});
    card.ReadDigitalInputs();
    QCOMPARE(port.trace(), QStringList({"out 890 3", "in 889 8", "out 890 1", "in 889 64"}));
}

void TestCardOperations::digitalDecoding_data() {
    QTest::addColumn<int>("low");
    QTest::addColumn<int>("high");
    QTest::addColumn<int>("inputs");
    QTest::newRow("all lines low") << 0 << 0 << 255;
    QTest::newRow("all lines high") << 120 << 120 << 0;
    QTest::newRow("ignored bits only") << 135 << 135 << 255;
    QTest::newRow("inputs 0 and 7 at 0") << 8 << 64 << 126;
    QTest::newRow("low nibble high") << 120 << 0 << 240;
    QTest::newRow("upper byte all ones") << int(qint16(0xFF08)) << 0 << 254;
}

void TestCardOperations::digitalDecoding() {
    QFETCH(int, low);
    QFETCH(int, high);
    QFETCH(int, inputs);
    RecordingPort port;
    Card card(port, port);
    port.scriptStatus({qint16(low), qint16(high)});
    QCOMPARE(int(card.ReadDigitalInputs()), inputs);
}

void TestCardOperations::analogReadSequence() {
    RecordingPort port;
    Card card(port, port);
    port.scriptStatus({8, 64});
    card.ReadAnalogChannel(Card::ChannelMask(0));
    const QStringList expected{"out 890 5", "out 888 1", "out 890 8", "out 890 2", "sleep 50", "in 889 8",
                               "out 890 5", "out 888 1", "out 890 8", "out 890 0", "sleep 50", "in 889 64"};
    QCOMPARE(port.trace(), expected);

    port.clear();
    card.ReadAnalogChannel(Card::ChannelMask(3));
    QCOMPARE(port.trace().at(1), QStringLiteral("out 888 8"));
    QCOMPARE(port.trace().at(7), QStringLiteral("out 888 8"));
}

void TestCardOperations::analogDecoding_data() {
    QTest::addColumn<int>("low");
    QTest::addColumn<int>("high");
    QTest::addColumn<int>("raw");
    QTest::addColumn<double>("volts");
    QTest::newRow("full scale") << 120 << 120 << 255 << 4.98046875;
    QTest::newRow("zero") << 0 << 0 << 0 << 0.0;
    QTest::newRow("one step") << 8 << 0 << 1 << 0.01953125;
    QTest::newRow("sixteen") << 0 << 8 << 16 << 0.3125;
    QTest::newRow("half scale") << 0 << 64 << 128 << 2.5;
    QTest::newRow("ignored bits") << 135 << 135 << 0 << 0.0;
}

void TestCardOperations::analogDecoding() {
    QFETCH(int, low);
    QFETCH(int, high);
    QFETCH(int, raw);
    QFETCH(double, volts);
    RecordingPort port;
    Card card(port, port);
    port.scriptStatus({qint16(low), qint16(high)});
    const qint16 read = card.ReadAnalogChannel(1);
    QCOMPARE(int(read), raw);
    QCOMPARE(Card::RawToVolts(read), volts);
    QVERIFY(Card::RawToVolts(read) < 5);
}

void TestCardOperations::hookRunsBeforeEveryWait() {
    RecordingPort port;
    Card card(port, port);
    QStringList seen;
    card.setBeforeWait([&] { seen << QStringLiteral("hook after %1 ops").arg(port.trace().size()); });
    card.ReadAnalogChannel(2);
    // Before each 50 ms wait: once the control code is written, before the sleep is recorded.
    QCOMPARE(seen, QStringList({"hook after 4 ops", "hook after 10 ops"}));
    card.WriteOutputs(1);
    card.ReadDigitalInputs();
    QCOMPARE(seen.size(), 2);
}

void TestCardOperations::voltageText_data() {
    QTest::addColumn<QString>("localeName");
    QTest::addColumn<int>("raw");
    QTest::addColumn<QString>("text");
    for (const auto& [name, point] : {std::pair{"C", "."}, std::pair{"es_ES", ","}}) {
        const QString p = QString::fromLatin1(point);
        QTest::addRow("%s 0", name) << name << 0 << "0";
        QTest::addRow("%s 1", name) << name << 1 << "0" + p + "01953125";
        QTest::addRow("%s 128", name) << name << 128 << "2" + p + "5";
        QTest::addRow("%s 231", name) << name << 231 << "4" + p + "51171875";
        QTest::addRow("%s 255", name) << name << 255 << "4" + p + "98046875";
    }
}

void TestCardOperations::voltageText() {
    QFETCH(QString, localeName);
    QFETCH(int, raw);
    QFETCH(QString, text);
    QCOMPARE(VoltageText(Card::RawToVolts(qint16(raw)), QLocale(localeName)), text);
}

QTEST_GUILESS_MAIN(TestCardOperations)
#include "test_card_operations.moc"
