#include <csignal>

#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QTableWidget>
#include <QtTest>

#include "batch/batch_window.h"
#include "batch/card_sheet.h"
#include "batch/history_model.h"
#include "batch/history_view.h"
#include "batch/station_watch.h"
#include "check/offscreen_check.h"
#include "check/run_recorder.h"
#include "history/check_journal.h"
#include "history/history_database.h"
#include "history/history_reader.h"
#include "tests/support/test_window.h"

namespace {

// The station as --batch --simulate runs it, with its history in a folder of its own.
struct Station {
    explicit Station(const QStringList& faults = {}) : rig(cardFaults(faults)) {
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
    }
    static CardFaults cardFaults(const QStringList& texts) {
        CardFaults faults;
        for (const QString& text : texts) addFault(faults, text);
        return faults;
    }
    template <typename Part>
    Part* find(const char* name = nullptr) {
        Part* part = name ? window.findChild<Part*>(name) : window.findChild<Part*>();
        if (!part) qFatal("no %s in the station", name ? name : Part::staticMetaObject.className());
        return part;
    }
    QString text(const char* label) { return find<QLabel>(label)->text(); }
    void enter(const QString& number) {
        find<QLineEdit>("number")->selectAll();
        QTest::keyClicks(find<QLineEdit>("number"), number);
        QTest::keyClick(find<QLineEdit>("number"), Qt::Key_Return);
    }
    QList<StoredCheck> history() {
        journal.flush();
        QList<StoredCheck> checks;
        HistoryReader(path).forEach(
            {}, [&](const StoredCheck& check) { checks << check; }, 0, ColumnSet::Spreadsheet);
        return checks;
    }

    QTemporaryDir folder;
    QString path = folder.filePath("historial.sqlite");
    PictureFolder pictures;
    CardRig rig;
    CheckJournal journal{
        path, {"", CheckMode::Batch, "", {}, {}}, [](const QString& error) { QFAIL(qPrintable(error)); }};
    QList<int> ended;
    BatchWindow window{rig.card, rig.clock, {pictures.path(), "", path, {}, &journal, [this](int s) { ended << s; }}};
};

RunRecord failedOn(QList<int> inputs, const QDateTime& started = QDateTime::currentDateTime()) {
    qint16 read = 254;  // output 0 on: a working card reads 254
    for (int input : inputs) read ^= qint16(1 << input);
    RunRecord record;
    record.started = started;
    record.finished = started.addSecs(3);
    record.outcome = Outcome::Fail;
    record.tests << TestRecord{1, Outcome::Fail, 0, 0, {FailedCheck{0, 0, 1, 254, read}}, {}};
    return record;
}

}  // namespace

class TestBatchWindow : public QObject {
    Q_OBJECT
private slots:
    void fromNumberToVerdict_data();
    void fromNumberToVerdict();
    void givenUpDuringAWait_data();
    void givenUpDuringAWait();
    void secondPressDoesNothing();
    void stationWiringWarning_data();
    void stationWiringWarning();
    void csvOfFilteredView_data();
    void csvOfFilteredView();
    void sheetOfFailedCheck();
};

void TestBatchWindow::fromNumberToVerdict_data() {
    QTest::addColumn<QStringList>("faults");
    QTest::addColumn<QString>("headline");
    QTest::addColumn<QStringList>("named");  // what the diagnosis names, and the wiring picture's description
    QTest::addColumn<QString>("outcome");
    QTest::addColumn<int>("durationMs");  // from the press to the verdict; a failed read-back reads again at rest
    QTest::newRow("good card") << QStringList{} << "TARJETA CORRECTA"
                               << QStringList{"4,98 V", "Todas las conexiones funcionan"} << "correcta" << 36500;
    QTest::newRow("crossed wires") << QStringList{"cruzados:3,5"} << "TARJETA CON FALLOS"
                                   << QStringList{"Entrada 3: lee 1", "Entrada 5: lee 0", "no se llegaron a medir",
                                                  "Entradas 3 y 5 cruzadas"}
                                   << "con fallos" << 8100 + 100;
    QTest::newRow("no card on the port") << QStringList{"ausente"} << "TARJETA CON FALLOS"
                                         << QStringList{"La tarjeta no responde", "cardcheck --ports",
                                                        "revise el cable"}
                                         << "con fallos" << 2400 + 100;
}

// Enter shows the card's last checks and starts nothing; COMPROBAR runs the test window's whole
// sequence to a verdict that stays, the relays at 0, and the check in the history under its number.
void TestBatchWindow::fromNumberToVerdict() {
    QFETCH(QStringList, faults);
    QFETCH(QString, outcome);
    Station station(faults);
    for (int round = 0; round < 2; ++round) {
        station.journal.flush();  // the journal writes on its own thread
        station.rig.recorder.clear();
        station.enter("14");
        station.rig.clock.advance(2000);
        QVERIFY(!station.window.checking() && station.rig.recorder.trace().isEmpty());
        QCOMPARE(station.find<QListWidget>("lastChecks")->count(), round);
        if (round == 1) break;
        QTest::keyClick(&station.window, Qt::Key_F5);
        station.rig.clock.advance(2000);
        QCOMPARE(station.find<QProgressBar>("progress")->value(), 2000);
        QCOMPARE(station.text("runningTest"), "Test 1 de 6");
        station.rig.clock.runUntil([&] { return !station.window.checking(); });
        QTEST(int(station.rig.clock.elapsedMs() - 2000), "durationMs");
        QTEST(station.text("headline"), "headline");
        QFETCH(QStringList, named);
        for (const QString& text : named)
            QVERIFY2((station.text("diagnosis") + station.text("volts") +
                      station.find<QLabel>("verdictWiring")->accessibleDescription())
                         .contains(text),
                     qPrintable(text));
        QVERIFY(station.find<QLabel>("verdictWiring")->isVisibleTo(&station.window));
        QCOMPARE(station.rig.sim.relays(), 0);
        QCOMPARE(station.rig.recorder.outputBytes().last(), 0);
        QVERIFY(!station.rig.clock.hasAlarms());
        station.rig.clock.advance(60'000);
        QCOMPARE(station.text("headline").isEmpty(), false);
        QTEST(station.text("headline"), "headline");  // until the next number
    }
    QVERIFY(station.find<QListWidget>("lastChecks")->item(0)->text().contains(outcome));
    const QList<StoredCheck> history = station.history();
    QCOMPARE(history.size(), 1);
    QCOMPARE(history[0].context.card + modeWord(history[0].context.mode) + outcomeWord(history[0].record.outcome),
             "14lote" + outcome);
    QCOMPARE(station.find<QTableWidget>("session")->item(0, 1)->text(), "14");
}

void TestBatchWindow::givenUpDuringAWait_data() {
    QTest::addColumn<int>("way");  // 0 PARAR, 1 the window closed, 2 SIGTERM
    QTest::addColumn<int>("atMs");
    QTest::newRow("PARAR, test 1's 500 ms") << 0 << 4600;
    QTest::newRow("closed, test 4's 500 ms") << 1 << 26'600 + 300;
    QTest::newRow("SIGTERM, test 1's 100 ms") << 2 << 4300 + 50;
}

void TestBatchWindow::givenUpDuringAWait() {
    QFETCH(int, way);
    QFETCH(int, atMs);
    Station station;
    station.enter("7");
    station.find<QPushButton>("comprobar")->click();
    station.rig.clock.advance(atMs);
    QVERIFY(station.rig.sim.relays() != 0);
    if (way == 0) QTest::keyClick(&station.window, Qt::Key_Escape);
    if (way == 1) station.window.close();
    if (way == 2) station.window.endOnSignal(SIGTERM);
    QCOMPARE(station.rig.sim.relays(), 0);
    QCOMPARE(station.ended, way == 2 ? QList<int>{143} : QList<int>{});
    const qsizetype written = station.rig.recorder.trace().size();
    station.rig.clock.advance(40'000);
    QCOMPARE(station.rig.recorder.trace().size(), written);
    QVERIFY(!station.rig.clock.hasAlarms());
    QCOMPARE(station.text("headline"), "COMPROBACIÓN INTERRUMPIDA");
    QCOMPARE(station.history().value(0).record.outcome, Outcome::Interrupted);
}

// Only the first press of a double click, or of a bounced key, starts a check.
void TestBatchWindow::secondPressDoesNothing() {
    Station station;
    station.enter("3");
    QSignalSpy started(&station.find<OffscreenCheck>("check")->recorder(), &RunRecorder::checkStarted);
    station.find<QPushButton>("comprobar")->click();
    station.rig.clock.advance(900);
    QTest::keyClick(&station.window, Qt::Key_F5);
    QCOMPARE(started.size(), 1);
    station.window.stopCheck();
    station.rig.clock.advance(99);
    station.find<QPushButton>("comprobar")->click();
    QCOMPARE(started.size(), 1);
    station.rig.clock.advance(1);
    station.find<QPushButton>("comprobar")->click();
    QCOMPARE(started.size(), 2);
}

void TestBatchWindow::stationWiringWarning_data() {
    QTest::addColumn<QStringList>("cards");
    QTest::addColumn<QList<QList<int>>>("failed");
    QTest::addColumn<QStringList>("warnings");
    const QString five = "La entrada 5 ha fallado en %1 tarjetas seguidas: revise los cables del puesto";
    QTest::newRow("one connection") << QStringList{"1", "2", "3"} << QList<QList<int>>{{5}, {5, 2}, {5}}
                                    << QStringList{five.arg(3)};
    QTest::newRow("four in a row") << QStringList{"1", "2", "3", "4"} << QList<QList<int>>{{5}, {5}, {5}, {5}}
                                   << QStringList{five.arg(4)};
    QTest::newRow("three different ones")
        << QStringList{"1", "2", "3"} << QList<QList<int>>{{1}, {2}, {3}} << QStringList{};
    QTest::newRow("broken by a good card")
        << QStringList{"1", "2", "3", "4"} << QList<QList<int>>{{5}, {5}, {}, {5}} << QStringList{};
    QTest::newRow("one card checked three times")
        << QStringList{"9", "9", "9"} << QList<QList<int>>{{5}, {5}, {5}} << QStringList{};
}

void TestBatchWindow::stationWiringWarning() {
    QFETCH(QStringList, cards);
    QFETCH(QList<QList<int>>, failed);
    StationWatch watch;
    for (int card = 0; card < cards.size(); ++card) {
        RunRecord record = failedOn(failed[card]);
        if (failed[card].isEmpty()) {
            record.tests.clear();
            record.outcome = Outcome::Pass;
        }
        watch.add(cards[card], record);
    }
    QTEST(watch.warnings(), "warnings");
}

void TestBatchWindow::csvOfFilteredView_data() {
    QTest::addColumn<QString>("card");
    QTest::addColumn<int>("outcome");  // index in the outcome filter
    QTest::addColumn<int>("fromDaysAgo");
    QTest::addColumn<QStringList>("cards");  // the rows of the CSV, newest first
    QTest::newRow("everything") << "" << 0 << -1 << QStringList{"12", "11", "12"};
    QTest::newRow("one card") << "12" << 0 << -1 << QStringList{"12", "12"};
    QTest::newRow("failed ones") << "" << 2 << -1 << QStringList{"11", "12"};
    QTest::newRow("since yesterday") << "" << 0 << 1 << QStringList{"12", "11"};
}

void TestBatchWindow::csvOfFilteredView() {
    Station station;
    {
        auto opened = HistoryDatabase::open(station.path, true);
        HistoryDatabase& history = *std::get<0>(opened);
        const QDateTime now = QDateTime::currentDateTime();
        const QList<std::tuple<QString, int, bool>> checks{{"12", 5, false}, {"11", 0, false}, {"12", 0, true}};
        for (const auto& [card, daysAgo, passed] : checks) {
            RunRecord record = failedOn({4}, now.addDays(-daysAgo));
            if (passed) record.outcome = Outcome::Pass, record.tests.clear();
            const CheckContext context{card, CheckMode::Batch, "", {}, {}};
            history.complete(std::get<qint64>(history.insert(record, context)), record, context);
        }
    }
    QFETCH(int, fromDaysAgo);
    HistoryView& view = *station.find<HistoryView>();
    station.find<QLineEdit>("cardFilter")->setText(QTest::currentDataTag() == QString("one card") ? "12" : "");
    QFETCH(int, outcome);
    station.find<QComboBox>("outcomeFilter")->setCurrentIndex(outcome);
    if (fromDaysAgo >= 0) station.find<QDateEdit>("fromFilter")->setDate(QDate::currentDate().addDays(-fromDaysAgo));
    view.refresh();
    QFETCH(QStringList, cards);
    QCOMPARE(view.model()->rowCount(), cards.size());
    const QString csv = station.folder.filePath("lote.csv");
    QSignalSpy exported(&view, &HistoryView::exported);
    view.exportCsv(csv);
    QVERIFY(exported.wait(10000));
    QCOMPARE(exported.first().first().toString(), QString());
    QFile file(csv);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().split('\n');
    QCOMPARE(lines.first() + '\n', csvHeader());
    QStringList written;
    for (const QByteArray& line : lines.mid(1, lines.size() - 2)) written << QString(line).section(u';', 2, 2);
    QCOMPARE(written, cards);
    if (cards.contains("11")) QVERIFY(lines[1 + cards.indexOf("11")].contains(";1;4;"));
}

void TestBatchWindow::sheetOfFailedCheck() {
    Station station({"cruzados:3,5"});
    station.enter("21");
    station.find<QPushButton>("comprobar")->click();
    station.rig.clock.runUntil([&] { return !station.window.checking(); });
    station.journal.flush();
    HistoryView& view = *station.find<HistoryView>();
    view.refresh();
    const QString path = station.folder.filePath("ficha.pdf");
    QVERIFY(!view.writeSheet(0, path));
    QFile pdf(path);
    QVERIFY(pdf.open(QIODevice::ReadOnly));
    const QByteArray bytes = pdf.readAll();
    QVERIFY(bytes.startsWith("%PDF") && bytes.count("/Type /Page\n") + bytes.count("/Type /Page ") == 1);
    QTextDocument sheet;
    sheet.setHtml(cardSheetHtml(*HistoryReader(station.path).whole(view.model()->check(0))));
    for (const char* text : {"Ficha de la tarjeta 21", "TARJETA SIMULADA", "TARJETA CON FALLOS", "00001000 (8)",
                             "11110111 (247)", "11011111 (223)", "3, 5"})
        QVERIFY2(sheet.toPlainText().contains(text), qPrintable(sheet.toPlainText()));
    QCOMPARE(sheet.toPlainText().count("Test 1, paso 3"), 1);  // read twice, said once
    QVERIFY(cardSheetHtml(*HistoryReader(station.path).whole(view.model()->check(0))).contains("<img"));
    // The chosen check's wiring beside the list.
    station.find<QTableView>("historyTable")->selectRow(0);
    const QLabel* wiring = view.findChild<QLabel*>("historyWiring");
    QVERIFY(wiring->isVisibleTo(&view) && wiring->accessibleDescription().startsWith("Entradas 3 y 5 cruzadas"));
}

QTEST_MAIN(TestBatchWindow)
#include "test_batch_window.moc"
