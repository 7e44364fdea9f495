#include <QtTest>

// The program as a user starts it: exit statuses and what it prints.
class TestProgram : public QObject {
    Q_OBJECT
private slots:
    void exitStatuses_data();
    void exitStatuses();
};

void TestProgram::exitStatuses_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("err");
    QTest::newRow("help") << QStringList{"--help"} << 0 << "--simulate"
                          << "";
    QTest::newRow("unknown option") << QStringList{"--bogus"} << 2 << ""
                                    << "Uso: cardcheck";
    QTest::newRow("Qt's own words") << QStringList{"--simulate=x"} << 2 << ""
                                    << "Valor inesperado tras «--simulate».";
    QTest::newRow("missing port") << QStringList{"--port", "/nonexistent"} << 2 << ""
                                  << "/nonexistent: no existe ese dispositivo";
    QTest::newRow("not a port") << QStringList{"--port", "/dev/null"} << 2 << ""
                                << "/dev/null: no es un puerto paralelo";
    QTest::newRow("unseen, missing port") << QStringList{"--auto", "--port", "/nonexistent"} << 2 << ""
                                          << "modprobe ppdev";
    // A broken first wire fails in the first tick of test 1, about two and a half seconds in.
    QTest::newRow("unseen, broken wire")
        << QStringList{"--auto", "--simulate", "--fault", "roto:0"} << 1
        << "SE HA PRODUCIDO UN ERROR\nCOMPRUEBE LAS CONEXIONES\nSE HA PRODUCIDO UN ERROR\nCOMPRUEBE LAS CONEXIONES\n"
        << "";
}

void TestProgram::exitStatuses() {
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, out);
    QFETCH(QString, err);
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove("DISPLAY");
    environment.remove("QT_QPA_PLATFORM");  // the unseen run must do without a display
    program.setProcessEnvironment(environment);
    program.start(CARDCHECK_EXECUTABLE, arguments);
    QVERIFY(program.waitForFinished(30000));
    const QString stdOut = QString::fromUtf8(program.readAllStandardOutput());
    const QString stdErr = QString::fromUtf8(program.readAllStandardError());
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QVERIFY2(program.exitCode() == status, qPrintable(stdErr));
    if (arguments.contains("--auto"))
        QCOMPARE(stdOut, out);  // nothing but the verdict lines
    else
        QVERIFY2(stdOut.contains(out), qPrintable(stdOut));
    QVERIFY2(stdErr.contains(err), qPrintable(stdErr));
}

QTEST_GUILESS_MAIN(TestProgram)
#include "test_program.moc"
