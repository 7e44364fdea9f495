#include <sys/stat.h>

#include <QtTest>

#include "assets/check_picture.h"
#include "assets/wiring_picture.h"
#include "record/wording.h"

// The program as a user starts it: exit statuses and what it prints.
class TestProgram : public QObject {
    Q_OBJECT
private slots:
    void exitStatuses_data();
    void exitStatuses();
    void reportOfFailedCard();
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
    QTest::newRow("stray argument") << QStringList{"tarjeta"} << 2 << ""
                                    << "Argumento no esperado: tarjeta";
    QTest::newRow("malformed fault") << QStringList{"--simulate", "--fault", "roto:9"} << 2 << ""
                                     << "Fallo no válido \"roto:9\"";
    QTest::newRow("Qt's own words") << QStringList{"--simulate=x"} << 2 << ""
                                    << "Valor inesperado tras «--simulate».";
    QTest::newRow("missing port") << QStringList{"--port", "/nonexistent"} << 2 << ""
                                  << "/nonexistent: no existe ese dispositivo";
    QTest::newRow("not a port") << QStringList{"--port", "/dev/null"} << 2 << ""
                                << "/dev/null: no es un puerto paralelo";
    QTest::newRow("ports, none on this computer")
        << QStringList{"--ports"} << 0 << "no tiene ningún puerto paralelo que el núcleo conozca"
        << "";
    QTest::newRow("headless, missing port") << QStringList{"--auto", "--port", "/nonexistent"} << 2 << ""
                                            << "modprobe parport_pc ppdev";
    // The report's folder is checked before the port is opened.
    QTest::newRow("report on a folder") << QStringList{"--auto", "--simulate", "--report", "/tmp"} << 2 << ""
                                        << "No se puede escribir el informe en /tmp: es una carpeta";
    QTest::newRow("picture on a folder") << QStringList{"--auto", "--port", "/nonexistent", "--picture", "/tmp"} << 2
                                         << ""
                                         << "No se puede escribir la imagen en /tmp: es una carpeta";
    QTest::newRow("report in a missing folder")
        << QStringList{"--auto", "--port", "/nonexistent", "--report", "/nonexistent/r.json"} << 2 << ""
        << "No se puede escribir el informe en /nonexistent/r.json: no existe la carpeta /nonexistent";
    // A broken first wire fails in the first tick of test 1, about two and a half seconds in.
    QTest::newRow("headless, broken wire")
        << QStringList{"--auto", "--simulate", "--fault", "roto:0"} << 1
        << "SE HA PRODUCIDO UN ERROR\nCOMPRUEBE LAS CONEXIONES\nSE HA PRODUCIDO UN ERROR\nCOMPRUEBE LAS CONEXIONES\n"
        << "Entrada 0: lee 1, debería leer 0.";
    QTest::newRow("headless, no card") << QStringList{"--auto", "--simulate", "--fault", "ausente"} << 1
                                       << "SE HA PRODUCIDO UN ERROR\nCOMPRUEBE LAS CONEXIONES\nSE HA PRODUCIDO UN "
                                          "ERROR\nCOMPRUEBE LAS CONEXIONES\n"
                                       << "La tarjeta no responde";
}

void TestProgram::exitStatuses() {
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, out);
    QFETCH(QString, err);
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove("DISPLAY");
    environment.remove("QT_QPA_PLATFORM");                         // the headless run must do without a display
    environment.remove("XDG_RUNTIME_DIR");                         // nor does it need a desktop session
    environment.insert("CARDCHECK_PARPORT_PROC", "/nonexistent");  // a computer without parallel ports
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
    if (err.isEmpty())
        QCOMPARE(stdErr, QString());
    else
        QVERIFY2(stdErr.contains(err), qPrintable(stdErr));
}

// The diagnosis on standard error and nothing else, even without a desktop session, the record
// replacing an earlier one whole, by a rename (the earlier file stays as it was until then), and the
// wiring picture with the broken wire marked.
void TestProgram::reportOfFailedCard() {
    QTemporaryDir dir;
    const QString path = dir.filePath("r.json");
    QFile earlier(path);
    QVERIFY(earlier.open(QIODevice::WriteOnly) && earlier.write("{}") == 2);
    earlier.close();
    auto inode = [&] {
        struct stat status {};
        return ::stat(qPrintable(path), &status) == 0 ? status.st_ino : 0;
    };
    const auto earlierInode = inode();
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove("XDG_RUNTIME_DIR");
    program.setProcessEnvironment(environment);
    const QString picture = dir.filePath("conexiones.png");
    program.start(CARDCHECK_EXECUTABLE,
                  {"--auto", "--simulate", "--fault", "roto:0", "--report", path, "--picture", picture});
    QVERIFY(program.waitForFinished(30000));
    QCOMPARE(program.exitCode(), 1);
    QVERIFY(earlier.open(QIODevice::ReadOnly));
    const QJsonObject report = QJsonDocument::fromJson(earlier.readAll()).object();
    QCOMPARE(report["outcome"].toString(), "fail");
    QCOMPARE(report["port"].toString(), "simulated");
    QCOMPARE(report["faults"].toVariant().toStringList(), QStringList{"roto:0"});
    QCOMPARE(report["tests"][0]["test"].toInt(), 1);
    QCOMPARE(report["tests"][0]["failures"][0]["wrong_inputs"].toArray(), QJsonArray{0});
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList({"conexiones.png", "r.json"}));
    QVERIFY(inode() != earlierInode);
    RunRecord record;
    record.tests << TestRecord{1, Outcome::Fail, 0, 0, {FailedCheck{0, 0, 1, 254, 255}}, {}};
    QCOMPARE(QImage(picture), drawWiringPicture(diagnose(record)));
    QCOMPARE(QString::fromUtf8(program.readAllStandardError()), diagnosisLines(record).join('\n') + '\n');
}

QTEST_MAIN(TestProgram)
#include "test_program.moc"
