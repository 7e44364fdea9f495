#include <csignal>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QtTest>

#include "tests/support/program_run.h"

// The history as the program keeps it and reads it back, for a user at a terminal.
class TestHistoryProgram : public QObject {
    Q_OBJECT
private slots:
    void labelsRefused_data();
    void labelsRefused();
    void twoProgramsAndSpreadsheet();
    void killedCheckReadsInterrupted();
    void firstVersionHistory();
    void figuresOfFirstVersion();
};

namespace {

const QString kBrokenFirstWire = QStringLiteral(
    "SE HA PRODUCIDO UN ERROR\nCOMPRUEBE LAS CONEXIONES\nSE HA PRODUCIDO UN ERROR\nCOMPRUEBE LAS CONEXIONES\n");

QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}

}  // namespace

// A label is refused before the port is touched: the missing port is never reported.
void TestHistoryProgram::labelsRefused_data() {
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("message");
    QTest::newRow("blank") << "   "
                           << "La etiqueta de --card está vacía.";
    QTest::newRow("control character") << "14\t15"
                                       << "no puede llevar caracteres de control";
    QTest::newRow("65 characters") << QString(65, u'ñ') << "tiene más de 64 caracteres";
}

void TestHistoryProgram::labelsRefused() {
    QFETCH(QString, label);
    const ProgramRun refused = runProgram({"--auto", "--port", "/nonexistent", "--card", label});
    QCOMPARE(refused.status, 2);
    QFETCH(QString, message);
    QVERIFY2(refused.err.contains(message) && !refused.err.contains("/nonexistent"), qPrintable(refused.err));
}

// Two programs on one history both record; the spreadsheet gets every label back as it was typed.
void TestHistoryProgram::twoProgramsAndSpreadsheet() {
    QTemporaryDir dir;
    const QString history = dir.filePath("historial.sqlite");
    const QString label = QStringLiteral("=Núñez; \"7\"");
    QProcess first, second;
    first.start(CARDCHECK_EXECUTABLE,
                {"--auto", "--simulate", "--fault", "roto:0", "--history", history, "--card", label});
    second.start(CARDCHECK_EXECUTABLE,
                 {"--auto", "--simulate", "--fault", "roto:0", "--history", history, "--card", "8"});
    QVERIFY(first.waitForFinished(30000) && second.waitForFinished(30000));
    QCOMPARE(first.exitCode(), 1);
    QCOMPARE(second.exitCode(), 1);
    QCOMPARE(QString::fromUtf8(first.readAllStandardOutput()), kBrokenFirstWire);
    const QString warnings = QString::fromUtf8(first.readAllStandardError() + second.readAllStandardError());
    QVERIFY2(!warnings.contains("historial"), qPrintable(warnings));

    const ProgramRun list = runProgram({"--history-list", "--history", history});
    QCOMPARE(list.status, 0);
    QVERIFY2(list.out.count("completa   con fallos: test 1, paso 0: entrada 0\n") == 2, qPrintable(list.out));
    QVERIFY(list.out.contains(label) && list.out.contains("  8 "));
    const ProgramRun csv = runProgram({"--history-csv", "-", "--history", history, "--card", label});
    const QStringList rows = csv.out.split("\r\n", Qt::SkipEmptyParts);
    QCOMPARE(rows.size(), 2);
    QVERIFY(csv.outBytes.startsWith("\xEF\xBB\xBFinicio;fin;tarjeta;tipo;modo;puerto;resultado;test fallido;"));
    QVERIFY2(rows[1].contains(";\"'=Núñez; \"\"7\"\"\";completa;sin ventana;simulada;con fallos;1;0;;"),
             qPrintable(rows[1]));
}

// A check cut short by SIGKILL (as by a crash or a power cut) reads back as interrupted.
void TestHistoryProgram::killedCheckReadsInterrupted() {
    QTemporaryDir dir;
    const QString history = dir.filePath("historial.sqlite");
    QProcess program;
    program.start(CARDCHECK_EXECUTABLE, {"--auto", "--simulate", "--history", history, "--card", "9"});
    QTRY_VERIFY_WITH_TIMEOUT(runProgram({"--history-list", "--history", history}).out.contains("  en curso"), 10000);
    ::kill(pid_t(program.processId()), SIGKILL);
    QVERIFY(program.waitForFinished(5000));
    const ProgramRun list = runProgram({"--history-list", "--history", history});
    QVERIFY2(list.out.endsWith("  9             completa   interrumpida\n"), qPrintable(list.out));
}

// A history kept by the first version of the program lists the same as it did, reading changes
// nothing in it (so a read-only medium does), and the next check brings it up to date.
void TestHistoryProgram::firstVersionHistory() {
    QTemporaryDir dir;
    const QString history = dir.filePath("historial.sqlite");
    QVERIFY(QFile::copy(QStringLiteral(CARDCHECK_TEST_DATA "/history-v1.sqlite"), history));
    const QByteArray list = contents(QStringLiteral(CARDCHECK_TEST_DATA "/history-v1.list"));
    const QByteArray csv = contents(QStringLiteral(CARDCHECK_TEST_DATA "/history-v1.csv"));
    QCOMPARE(runProgram({"--history-list", "--history", history}).outBytes, list);
    QCOMPARE(runProgram({"--history-csv", "-", "--history", history}).outBytes, csv);
    QCOMPARE(contents(history), contents(QStringLiteral(CARDCHECK_TEST_DATA "/history-v1.sqlite")));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"historial.sqlite"});

    QCOMPARE(runProgram({"--auto", "--simulate", "--fault", "roto:0", "--history", history, "--card", "nueva"}).status,
             1);
    const ProgramRun after = runProgram({"--history-list", "--history", history});
    QVERIFY2(after.out.endsWith(QString::fromUtf8(list)), qPrintable(after.out));
    QVERIFY(
        after.out.section(u'\n', 0, 0).endsWith("  nueva         completa   con fallos: test 1, paso 0: entrada 0"));
    QVERIFY(runProgram({"--history-csv", "-", "--history", history}).outBytes.endsWith(csv.mid(csv.indexOf('\n') + 1)));
    {
        QSqlDatabase database = QSqlDatabase::addDatabase("QSQLITE", "v1");
        database.setDatabaseName(history);
        QVERIFY(database.open());
        QSqlQuery version(database);
        QVERIFY(version.exec("PRAGMA user_version") && version.next());
        QCOMPARE(version.value(0).toInt(), 4);
        // The connections each ended check names, from its document: bit i input i broken, 8 + i
        // crossed, 16 + n - 1 analog input n, 20 a silent card.
        QVERIFY(
            version.exec("SELECT group_concat(card || '=' || failed_connections, ' ') FROM (SELECT card, "
                         "failed_connections FROM checks WHERE card LIKE 'T-%' ORDER BY id)"));
        QVERIFY(version.next());
        QCOMPARE(version.value(0).toString(), QString("T-cruzados:3,5=%1 T-ausente=%2 T-roto:3=8 T-fija:6=1=64 "
                                                      "T-analogica:4=230=%3")
                                                  .arg((1 << 11) | (1 << 13))
                                                  .arg(1 << 20)
                                                  .arg(1 << 19));
    }
    QSqlDatabase::removeDatabase("v1");
}

// --history-stats over a history of the first version: brought up to date, its checks' connections
// read from their documents; one that cannot be read ends with status 2, as --history-list does,
// and one not made yet, where nothing has been checked, is no mistake: every figure is nought.
void TestHistoryProgram::figuresOfFirstVersion() {
    QTemporaryDir dir;
    const QString history = dir.filePath("historial.sqlite");
    QVERIFY(QFile::copy(QStringLiteral(CARDCHECK_TEST_DATA "/history-v1.sqlite"), history));
    QFile::setPermissions(history, QFile::ReadOwner | QFile::WriteOwner);
    const ProgramRun run = runProgram({"--history-stats", "--json", "--history", history, "--card", "T-*"});
    QCOMPARE(run.status, 0);
    const QJsonObject figures = QJsonDocument::fromJson(run.outBytes).object();
    QCOMPARE(
        QString("%1 %2 %3").arg(figures["checks"].toInt()).arg(figures["failed"].toInt()).arg(figures["cards"].toInt()),
        "5 5 5");
    QCOMPARE(figures["connections"].toArray().first()["connection"].toString(), "entrada 3");
    QCOMPARE(figures["connections"].toArray().first()["failed_checks"].toInt(), 2);

    QFile notes(dir.filePath("notas.txt"));
    QVERIFY(notes.open(QIODevice::WriteOnly) && notes.write("notas de clase\n") > 0);
    notes.close();
    const ProgramRun unreadable = runProgram({"--history-stats", "--history", notes.fileName()});
    QCOMPARE(unreadable.status, 2);
    QVERIFY2(unreadable.err.contains("el archivo no es una base de datos"), qPrintable(unreadable.err));

    const ProgramRun none = runProgram({"--history-stats", "--json", "--history", dir.filePath("ninguno.sqlite")});
    QCOMPARE(none.status, 0);
    QCOMPARE(QJsonDocument::fromJson(none.outBytes).object()["checks"].toInt(-1), 0);
}

QTEST_GUILESS_MAIN(TestHistoryProgram)
#include "test_history_program.moc"
