#include <QSqlQuery>
#include <QtTest>

#include "check/offscreen_check.h"
#include "check/run_recorder.h"
#include "history/check_journal.h"
#include "history/history_database.h"
#include "history/history_reader.h"
#include "tests/support/test_window.h"
#include "widgets/wrap_button.h"

// Every check of the test window kept in the history whatever shows the window, and the cells a
// spreadsheet gets.
class TestHistory : public QObject {
    Q_OBJECT
private slots:
    void windowChecks();
    void unusableHistory_data();
    void unusableHistory();
    void tableGone();
    void unknownMode();
    void csvCells_data();
    void csvCells();
    void listsReadIndexesAlone_data();
    void listsReadIndexesAlone();
};

// The test window records whatever shows it: the whole sequence, the analog test alone, and a check
// cut short when the window goes.
void TestHistory::windowChecks() {
    CardRig rig;
    PictureFolder pictures;
    QTemporaryDir folder;
    const QString path = folder.filePath("historial.sqlite");
    FakeNavigation navigation;
    {
        CheckJournal journal(path, {"", CheckMode::Window, "", {}, {}}, [](const QString&) {});
        auto* form = new Form3(rig.card, rig.clock, navigation, pictures.path());
        keepInJournal(*new RunRecorder(*form, rig.clock), journal);
        form->Form_Load();
        form->Command3->click();
        QVERIFY(rig.clock.runUntil([&] { return idle(*form); }));
        form->Command7->click();
        QVERIFY(rig.clock.runUntil([&] { return idle(*form); }));
        form->Command7->click();
        rig.clock.advance(1000);
        delete form;
    }
    QStringList lines;
    QVERIFY(!HistoryReader(path).forEach(
        {},
        [&](const StoredCheck& check) {
            lines << historyLine(check).mid(QStringLiteral("2026-12-07 10:00:00  ").size()).simplified() + " " +
                         modeWord(check.context.mode);
        },
        0, ColumnSet::Spreadsheet));
    QCOMPARE(lines, QStringList({"sin etiqueta analógica interrumpida ventana",
                                 "sin etiqueta analógica correcta ventana", "sin etiqueta completa correcta ventana"}));
}

void TestHistory::unusableHistory_data() {
    QTest::addColumn<QByteArray>("existing");  // what the file holds before; empty: a file where the folder should be
    QTest::addColumn<QString>("cause");
    QTest::newRow("not a database") << QByteArray("notas de clase\n") << "el archivo no es una base de datos";
    QTest::newRow("folder is a file") << QByteArray() << "no se puede crear la carpeta";
}

// The check runs and ends exactly as without a history, with one warning, and the file is left as it was.
void TestHistory::unusableHistory() {
    QFETCH(QByteArray, existing);
    QTemporaryDir dir;
    QFile file(dir.filePath("archivo"));
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(existing.isEmpty() ? "x" : existing) > 0);
    file.close();
    const QString history = existing.isEmpty() ? file.fileName() + "/historial.sqlite" : file.fileName();
    CardFaults faults;
    addFault(faults, "roto:0");
    CardRig rig(faults);
    PictureFolder pictures;
    QStringList warnings;
    {
        CheckJournal journal(history, {"", CheckMode::Headless, "", {}, {}}, [&](const QString& w) { warnings << w; });
        OffscreenCheck check(rig.card, rig.clock, pictures.path(), {Outcome::Fail, true});
        keepInJournal(check.recorder(), journal);
        check.start();
        QVERIFY(rig.clock.runUntil([&] { return !check.running(); }));
        QCOMPARE(check.record().exitStatus, OffscreenCheck::kTestFailed);
        QCOMPARE(check.record().lines.first(), "SE HA PRODUCIDO UN ERROR");
    }
    QFETCH(QString, cause);
    QCOMPARE(warnings.size(), 1);
    QVERIFY2(warnings[0].startsWith("No se usa el historial " + history + ": " + cause), qPrintable(warnings[0]));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), existing.isEmpty() ? QByteArray("x") : existing);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"archivo"});
}

// A history whose table is gone reads so in Spanish, not in SQLite's words.
void TestHistory::tableGone() {
    QTemporaryDir dir;
    const QString path = dir.filePath("historial.sqlite");
    {
        auto opened = HistoryDatabase::open(path, true);
        QVERIFY(QSqlQuery(std::get<0>(opened)->database()).exec("DROP TABLE checks"));
    }
    HistoryReader reader(path);
    QCOMPARE(reader.forEach({}, [](const StoredCheck&) {}).value_or(QString()),
             "No se puede leer el historial " + path + ": no tiene las tablas de un historial de cardcheck.");
}

// A mode kept by a later program reads as unknown, never as another mode.
void TestHistory::unknownMode() {
    QTemporaryDir dir;
    const QString path = dir.filePath("historial.sqlite");
    {
        auto opened = HistoryDatabase::open(path, true);
        RunRecord record;
        record.started = QDateTime::currentDateTime();
        QVERIFY(
            std::holds_alternative<qint64>(std::get<0>(opened)->insert(record, {"7", CheckMode::Batch, {}, {}, {}})));
        QVERIFY(QSqlQuery(std::get<0>(opened)->database()).exec("UPDATE checks SET mode = 'taller'"));
    }
    HistoryReader reader(path);
    QList<StoredCheck> stored;
    QVERIFY(!reader.forEach(
        {}, [&](const StoredCheck& check) { stored << check; }, 0, ColumnSet::Spreadsheet));
    QCOMPARE(stored.size(), 1);
    QCOMPARE(stored[0].context.mode, CheckMode::Unknown);
    QVERIFY2(QString::fromUtf8(csvRow(stored[0])).contains(";desconocido;"), csvRow(stored[0]).constData());
}

void TestHistory::csvCells_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("cell");
    QTest::newRow("plain, accents") << "Tarjeta Núñez 14"
                                    << "Tarjeta Núñez 14";
    QTest::newRow("separator") << "14;15"
                               << "\"14;15\"";
    QTest::newRow("quotes") << "la \"buena\""
                            << "\"la \"\"buena\"\"\"";
    QTest::newRow("formula") << "=HYPERLINK(\"x\")"
                             << "\"'=HYPERLINK(\"\"x\"\")\"";
    QTest::newRow("plus, minus, at") << "+1;-1@"
                                     << "\"'+1;-1@\"";
    QTest::newRow("minus") << "-5"
                           << "'-5";
    QTest::newRow("at") << "@SUM(A1)"
                        << "'@SUM(A1)";
}

void TestHistory::csvCells() {
    QFETCH(QString, text);
    QTEST(csvCell(text), "cell");
}

// A list and a spreadsheet read an index's pages alone, whatever the filter: a column that no index
// holds would have them read every check's row, documents and all, from the disk.
void TestHistory::listsReadIndexesAlone_data() {
    QTest::addColumn<ColumnSet>("columnSet");
    QTest::addColumn<HistoryFilter>("filter");
    QTest::newRow("list") << ColumnSet::List << HistoryFilter{};
    QTest::newRow("one card's list") << ColumnSet::List << HistoryFilter{"7", {}, {}, {}, {}};
    QTest::newRow("one station's list") << ColumnSet::List << HistoryFilter{{}, {}, {}, {}, "aula"};
    QTest::newRow("some days' list") << ColumnSet::List
                                     << HistoryFilter{{}, {}, QDate(2026, 12, 1), QDate(2026, 12, 7), {}};
    QTest::newRow("spreadsheet") << ColumnSet::Spreadsheet << HistoryFilter{};
}

// The plan of the very statement the reader runs.
void TestHistory::listsReadIndexesAlone() {
    QTemporaryDir folder;
    const QString path = folder.filePath("historial.sqlite");
    auto opened = HistoryDatabase::open(path, true);
    HistoryDatabase& history = *std::get<0>(opened);
    HistoryReader reader(path);
    QFETCH(ColumnSet, columnSet);
    QFETCH(HistoryFilter, filter);
    const std::optional<Selection> selection = reader.selection(filter, 0, columnSet);
    QVERIFY(selection);
    QSqlQuery plan(history.database());
    QVERIFY(plan.prepare("EXPLAIN QUERY PLAN " + selection->sql));
    for (const QVariant& value : selection->values) plan.addBindValue(value);
    QVERIFY(plan.exec());
    QStringList steps;
    while (plan.next()) steps << plan.value(3).toString();
    QVERIFY2(!steps.isEmpty() && steps.first().contains("COVERING INDEX") && !steps.join(' ').contains("TEMP B-TREE"),
             qPrintable(steps.join(" | ")));
}

QTEST_MAIN(TestHistory)
#include "test_history.moc"
