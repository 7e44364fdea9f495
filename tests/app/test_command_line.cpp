#include <QtTest>

#include "app/command_line.h"

class TestCommandLine : public QObject {
    Q_OBJECT
private slots:
    void accepted_data();
    void accepted();
    void helpAndVersion();
};

void TestCommandLine::accepted_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("device");
    QTest::addColumn<bool>("simulate");
    QTest::addColumn<bool>("headless");
    QTest::addColumn<int>("brokenInput");
    QTest::newRow("no option") << QStringList{} << "/dev/parport0" << false << false << -1;
    QTest::newRow("second port") << QStringList{"--port", "/dev/parport1"} << "/dev/parport1" << false << false << -1;
    QTest::newRow("simulated") << QStringList{"--simulate"} << "/dev/parport0" << true << false << -1;
    QTest::newRow("headless on a port") << QStringList{"--auto", "--port=/dev/parport2"} << "/dev/parport2" << false
                                        << true << -1;
    QTest::newRow("simulated with a fault")
        << QStringList{"--simulate", "--auto", "--fault", "roto:5"} << "/dev/parport0" << true << true << 5;
}

void TestCommandLine::accepted() {
    QFETCH(QStringList, arguments);
    QFETCH(QString, device);
    QFETCH(bool, simulate);
    QFETCH(bool, headless);
    QFETCH(int, brokenInput);
    const ParsedCommandLine parsed = parseCommandLine(QStringList{"cardcheck"} + arguments);
    QVERIFY2(parsed.options, qPrintable(parsed.text));
    QCOMPARE(parsed.options->device, device);
    QCOMPARE(parsed.options->simulate, simulate);
    QCOMPARE(parsed.options->headless, headless);
    for (int n = 0; n < 8; ++n) QCOMPARE(parsed.options->faults.inputSource[n], n == brokenInput ? -1 : n);
}

void TestCommandLine::helpAndVersion() {
    const ParsedCommandLine help = parseCommandLine({"cardcheck", "--help"});
    QVERIFY(!help.options);
    QCOMPARE(help.exitStatus, 0);
    for (const char* option :
         {"--port", "--simulate", "--fault", "--auto", "--ports", "--help", "--version", "cruzados:A,B", "ausente"})
        QVERIFY2(help.text.contains(QLatin1String(option)), option);
    QVERIFY(help.text.indexOf("cruzados:A,B") > help.text.indexOf("--auto"));  // the faults below the options

    const ParsedCommandLine version = parseCommandLine({"cardcheck", "--version"});
    QCOMPARE(version.exitStatus, 0);
    QCOMPARE(version.text, QStringLiteral("cardcheck " CARDCHECK_VERSION "\n"));
}

QTEST_GUILESS_MAIN(TestCommandLine)
#include "test_command_line.moc"
