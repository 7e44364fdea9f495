#include <QtTest>

#include "app/command_line.h"

class TestCommandLine : public QObject {
    Q_OBJECT
private slots:
    void accepted_data();
    void accepted();
    void refused_data();
    void refused();
    void helpAndVersion();
};

void TestCommandLine::accepted_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("device");
    QTest::addColumn<bool>("simulate");
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("brokenInput");
    const int window = int(Mode::Window), headless = int(Mode::Headless);
    QTest::newRow("no option") << QStringList{} << "/dev/parport0" << false << window << -1;
    QTest::newRow("second port") << QStringList{"--port", "/dev/parport1"} << "/dev/parport1" << false << window << -1;
    QTest::newRow("simulated") << QStringList{"--simulate"} << "/dev/parport0" << true << window << -1;
    QTest::newRow("headless on a port") << QStringList{"--auto", "--port=/dev/parport2"} << "/dev/parport2" << false
                                        << headless << -1;
    QTest::newRow("simulated with a fault")
        << QStringList{"--simulate", "--auto", "--fault", "roto:5"} << "/dev/parport0" << true << headless << 5;
    QTest::newRow("station on a port") << QStringList{"--batch", "--port", "/dev/parport1", "--history", "h"}
                                       << "/dev/parport1" << false << int(Mode::Batch) << -1;
    QTest::newRow("one card's list") << QStringList{"--history-list", "--card", "7", "--history", "h"}
                                     << "/dev/parport0" << false << int(Mode::List) << -1;
    QTest::newRow("spreadsheet") << QStringList{"--history-csv", "-", "--card", "7"} << "/dev/parport0" << false
                                 << int(Mode::Csv) << -1;
    QTest::newRow("ports") << QStringList{"--ports"} << "/dev/parport0" << false << int(Mode::Ports) << -1;
    QTest::newRow("sync") << QStringList{"--history-sync", "--station", "p", "--lab-history", "service=l"}
                          << "/dev/parport0" << false << int(Mode::Sync) << -1;
    QTest::newRow("a batch's figures") << QStringList{"--history-stats", "--card",  "L7-*",       "--since",
                                                      "2026-09-01",      "--until", "2026-12-07", "--json"}
                                       << "/dev/parport0" << false << int(Mode::Stats) << -1;
}

void TestCommandLine::accepted() {
    QFETCH(QStringList, arguments);
    QFETCH(QString, device);
    QFETCH(bool, simulate);
    QFETCH(int, mode);
    QFETCH(int, brokenInput);
    const ParsedCommandLine parsed = parseCommandLine(QStringList{"cardcheck"} + arguments);
    QVERIFY2(parsed.options, qPrintable(parsed.text));
    QCOMPARE(parsed.options->device, device);
    QCOMPARE(parsed.options->simulate, simulate);
    QCOMPARE(int(parsed.options->mode), mode);
    for (int n = 0; n < 8; ++n) QCOMPARE(parsed.options->faults.inputSource[n], n == brokenInput ? -1 : n);
}

// Every option that does not belong to the mode chosen is refused, never dropped in silence.
void TestCommandLine::refused_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");
    const QList<std::pair<QStringList, QString>> cases{
        {{"--ports", "--batch"}, "--batch y --ports no se pueden usar juntos."},
        {{"--auto", "--batch"}, "--batch y --auto no se pueden usar juntos."},
        {{"--history-list", "--history-csv", "-"}, "--history-list y --history-csv no se pueden usar juntos."},
        {{"--auto", "--ports"}, "--auto y --ports no se pueden usar juntos."},
        {{"--ports", "--simulate"}, "--simulate no se usa con --ports."},
        {{"--ports", "--card", "7"}, "--card no se usa con --ports."},
        {{"--ports", "--history", "h"}, "--history no se usa con --ports."},
        {{"--history-list", "--simulate"}, "--simulate no se usa con --history-list."},
        {{"--history-csv", "-", "--port", "/dev/parport1"}, "--port no se usa con --history-csv."},
        {{"--history-list", "--no-history"}, "--no-history no se usa con --history-list."},
        {{"--batch", "--card", "7"},
         "--card no se usa con --batch: el número de cada tarjeta se escribe en la ventana."},
        {{"--batch", "--report", "r.json"}, "--report no se usa con --batch."},
        {{"--report", "r.json"}, "--report solo se puede usar con --auto."},
        {{"--fault", "roto:1"}, "--fault solo se puede usar con --simulate."},
        {{"--simulate", "--port", "/dev/parport1"}, "--port y --simulate no se pueden usar juntos."},
        {{"--history", "h", "--no-history"}, "--history y --no-history no se pueden usar juntos."},
        {{"--history-list", "--history-sync"}, "--history-list y --history-sync no se pueden usar juntos."},
        {{"--ports", "--lab-history", "service=l"}, "--lab-history no se usa con --ports."},
        {{"--ports", "--station", "p"}, "--station no se usa con --ports."},
        {{"--history-sync", "--card", "7"}, "--card no se usa con --history-sync."},
        {{"--lab-history", "service=l", "--no-history"}, "--lab-history y --no-history no se pueden usar juntos."},
        {{"--history-stats", "--since", "2026-13-01"},
         "--since necesita una fecha AAAA-MM-DD, como 2026-12-07; «2026-13-01» no lo es."},
        {{"--history-stats", "--until", "7/12/2026"},
         "--until necesita una fecha AAAA-MM-DD, como 2026-12-07; «7/12/2026» no lo es."},
        {{"--history-stats", "--since", "2026-12-08", "--until", "2026-12-07"},
         "--since es posterior a --until: no queda ningún día."},
        {{"--history-list", "--json"}, "--json no se usa con --history-list."},
    };
    for (const auto& [arguments, message] : cases)
        QTest::newRow(qPrintable(arguments.join(u' '))) << arguments << message;
}

void TestCommandLine::refused() {
    QFETCH(QStringList, arguments);
    const ParsedCommandLine parsed = parseCommandLine(QStringList{"cardcheck"} + arguments);
    QVERIFY(!parsed.options);
    QCOMPARE(parsed.exitStatus, 2);
    QTEST(parsed.text.section(u'\n', 0, 0), "message");
}

void TestCommandLine::helpAndVersion() {
    const ParsedCommandLine help = parseCommandLine({"cardcheck", "--help"});
    QVERIFY(!help.options);
    QCOMPARE(help.exitStatus, 0);
    for (const char* option : {"--port", "--simulate", "--fault", "--auto", "--ports", "--help", "--version",
                               "--lab-history", "--station", "--history-sync", "cruzados:A,B", "ausente"})
        QVERIFY2(help.text.contains(QLatin1String(option)), option);
    QVERIFY(help.text.indexOf("cruzados:A,B") > help.text.indexOf("--auto"));  // the faults below the options

    const ParsedCommandLine version = parseCommandLine({"cardcheck", "--version"});
    QCOMPARE(version.exitStatus, 0);
    QCOMPARE(version.text, QStringLiteral("cardcheck " CARDCHECK_VERSION "\n"));
}

QTEST_GUILESS_MAIN(TestCommandLine)
#include "test_command_line.moc"
