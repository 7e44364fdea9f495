#include <QSqlQuery>
#include <QtTest>

#include "app/headless_run.h"
#include "history/check_journal.h"
#include "history/history_database.h"
#include "history/history_export.h"
#include "history/run_recorder.h"
#include "tests/support/test_window.h"
#include "widgets/wrap_button.h"

// Every check kept in the history as it runs and read back as the terminal and a spreadsheet get it.
class TestHistory : public QObject {
    Q_OBJECT
private slots:
    void headlessChecks_data();
    void headlessChecks();
    void windowChecks();
    void csvCells_data();
    void csvCells();
};

namespace {

struct TemporaryHistory {
    QString path() const { return dir.filePath("historial.sqlite"); }
    // Every check as --history-list and the CSV give it, newest first.
    QList<StoredCheck> checks(const QString& card = {}, Reading reading = Reading::List) const {
        auto opened = HistoryDatabase::open(path(), false);
        if (!std::holds_alternative<std::unique_ptr<HistoryDatabase>>(opened)) return {};
        QList<StoredCheck> found;
        forEachCheck(std::get<0>(opened)->database(), card, reading, [&](const StoredCheck& check) { found << check; });
        return found;
    }
    QTemporaryDir dir;
};

QString withoutTime(const QString& line) {
    return line.mid(QStringLiteral("2026-12-07 10:00:00  ").size()).simplified();
}

}  // namespace

void TestHistory::headlessChecks_data() {
    QTest::addColumn<QStringList>("faults");
    QTest::addColumn<int>("signalAtMs");
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("csvTail");  // failed test; wrong inputs; volts
    QTest::newRow("good card") << QStringList{} << 0 << "14 completa correcta"
                               << "sin ventana;simulada;correcta;;;4,9805 4,9805 4,9805 4,9805;1.0.0";
    QTest::newRow("broken wire") << QStringList{"roto:3"} << 0 << "14 completa con fallos: test 1, paso 3: entrada 3"
                                 << "con fallos;1;3;;1.0.0";
    QTest::newRow("crossed wires") << QStringList{"cruzados:3,5"} << 0
                                   << "14 completa con fallos: test 1, paso 3: entradas 3, 5"
                                   << "con fallos;1;3, 5;;1.0.0";
    QTest::newRow("stuck input") << QStringList{"fija:6=1"} << 0 << "14 completa con fallos: test 1, paso 6: entrada 6"
                                 << "con fallos;1;6;;1.0.0";
    QTest::newRow("stuck in the curtain")
        << QStringList{"fija:2=0"} << 0 << "14 completa con fallos: test 1, paso 0: entrada 2"
        << "con fallos;1;2;;1.0.0";
    QTest::newRow("no card on the port") << QStringList{"ausente"} << 0
                                         << "14 completa con fallos: la tarjeta no responde"
                                         << "con fallos;1;0, 1, 3, 4, 5, 7;;1.0.0";
    QTest::newRow("analog input low") << QStringList{"analogica:4=230"} << 0
                                      << "14 completa con fallos: test 6: entrada analógica 4, 4,49 V"
                                      << "con fallos;6;4;4,9805 4,9805 4,9805 4,4922;1.0.0";
    QTest::newRow("stopped by SIGTERM") << QStringList{} << 15700 + 520 << "14 completa interrumpida"
                                        << "interrumpida;;;;1.0.0";
}

// Each check is written when it starts and completed at its end.
void TestHistory::headlessChecks() {
    QFETCH(QStringList, faults);
    QFETCH(int, signalAtMs);
    CardFaults cardFaults;
    for (const QString& fault : faults) QVERIFY(!addFault(cardFaults, fault));
    CardRig rig(cardFaults);
    PictureFolder pictures;
    TemporaryHistory history;
    QStringList warnings;
    {
        CheckJournal journal(history.path(), {"14", "headless", "simulated", faults},
                             [&](const QString& warning) { warnings << warning; });
        HeadlessRun run(rig.card, rig.clock, pictures.path(), [](const QString&) {});
        journal.follow(run.recorder());
        bool finished = false;
        connect(&run, &HeadlessRun::finished, this, [&] { finished = true; });
        run.start();
        journal.flush();
        QCOMPARE(history.checks().size(), 1);
        QCOMPARE(history.checks().first().outcome, "running");  // this very program is running it
        if (signalAtMs) {
            rig.clock.advance(signalAtMs);
            run.stop(143);
        }
        QVERIFY(rig.clock.runUntil([&] { return finished; }));
    }
    QCOMPARE(warnings, QStringList{});
    const QList<StoredCheck> checks = history.checks("14");
    QCOMPARE(checks.size(), 1);
    QTEST(withoutTime(historyLine(checks.first())), "line");
    const QString row = QString::fromUtf8(csvRow(history.checks("14", Reading::Spreadsheet).first())).trimmed();
    QFETCH(QString, csvTail);
    QVERIFY2(row.endsWith(csvTail), qPrintable(row));
    QVERIFY(history.checks("15").isEmpty());
    // The whole record, as --report writes it, with the card's label.
    auto opened = HistoryDatabase::open(history.path(), false);
    QSqlQuery query(std::get<0>(opened)->database());
    QVERIFY(query.exec(QStringLiteral("SELECT %1 FROM checks").arg(kStoredCheckColumns)) && query.next());
    const QJsonObject record = storedCheck(query).record;
    QCOMPARE(record["card"].toString(), "14");
    QCOMPARE(record["exit_status"].toInt(), signalAtMs ? 143 : faults.isEmpty() ? 0 : 1);
}

// The test window records whatever shows it: the whole sequence, the analog test alone, and a check
// cut short when the window goes.
void TestHistory::windowChecks() {
    CardRig rig;
    PictureFolder pictures;
    TemporaryHistory history;
    FakeNavigation navigation;
    {
        CheckJournal journal(history.path(), {"", "window", "simulated", {}}, [](const QString&) {});
        auto* form = new Form3(rig.card, rig.clock, navigation, pictures.path());
        journal.follow(*new RunRecorder(*form, rig.clock));
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
    for (const StoredCheck& check : history.checks()) lines << withoutTime(historyLine(check)) + " " + check.mode;
    QCOMPARE(lines, QStringList({"sin etiqueta analógica interrumpida window", "sin etiqueta analógica correcta window",
                                 "sin etiqueta completa correcta window"}));
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

QTEST_MAIN(TestHistory)
#include "test_history.moc"
