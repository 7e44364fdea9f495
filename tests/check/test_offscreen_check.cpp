#include <QtTest>

#include "check/offscreen_check.h"
#include "check/run_recorder.h"
#include "history/check_journal.h"
#include "history/history_reader.h"
#include "history/report_document.h"
#include "record/wording.h"
#include "tests/support/test_window.h"

// A check out of sight, as --auto runs it: the test window's own sequence, its verdict lines passed
// on as they come, the relays switched off at the end whatever the outcome, a signal included, and
// the record of what it found, each failure said once; kept in the history as it runs and read back
// as the terminal, a spreadsheet and the card's sheet get it.
class TestOffscreenCheck : public QObject {
    Q_OBJECT
private slots:
    void wholeRun_data();
    void wholeRun();
};

namespace {

// Each test of a report as "test outcome duration_ms failures".
QStringList testSummary(const QJsonObject& report) {
    QStringList summary;
    for (const QJsonValue& test : report["tests"].toArray())
        summary << QStringLiteral("%1 %2 %3 %4")
                       .arg(test["test"].toInt())
                       .arg(test["outcome"].toString())
                       .arg(test["duration_ms"].toInteger())
                       .arg(test["failures"].toArray().size());
    return summary;
}

template <typename T>
QList<T> listOf(const QJsonValue& array) {
    QList<T> values;
    for (const QJsonValue& value : array.toArray()) values << qvariant_cast<T>(value.toVariant());
    return values;
}

}  // namespace

void TestOffscreenCheck::wholeRun_data() {
    QTest::addColumn<QStringList>("faults");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<int>("status");
    QTest::addColumn<QStringList>("tests");
    QTest::addColumn<QList<int>>("failure");  // the first one: step, round, outputs, expected inputs, inputs
    QTest::addColumn<QList<int>>("wrong");    // its wrong inputs, or test 6's inputs out of range
    QTest::addColumn<QList<double>>("lastVolts");
    QTest::addColumn<int>("signalAtMs");   // SIGTERM, when output 0 of test 2 waits on its settle time
    QTest::addColumn<QString>("listed");   // --history-list without its time
    QTest::addColumn<QString>("csvTail");  // failed test; wrong inputs; volts; version
    const QStringList pair{"SE HA PRODUCIDO UN ERROR", "COMPRUEBE LAS CONEXIONES"};
    const QStringList passed{"1 pass 15700 0", "2 pass 8050 0", "3 pass 1650 0", "4 pass 4100 0", "5 pass 2900 0"};
    const QList<double> full(4, 4.98046875);
    QTest::newRow("good card") << QStringList{} << verdicts(6) + QStringList{"FUNCIONAMIENTO DE LA TARJETA CORRECTO"}
                               << OffscreenCheck::kCardPassed << passed + QStringList{"6 pass 4100 0"} << QList<int>{}
                               << QList<int>{} << full << 0 << QStringLiteral("14 completa correcta")
                               << QStringLiteral("sin ventana;simulada;correcta;;;4,9805 4,9805 4,9805 4,9805;1.0.0");
    QTest::newRow("broken wire") << QStringList{"roto:3"} << pair + pair << OffscreenCheck::kTestFailed
                                 << QStringList{"1 fail 8100 2"} << QList<int>{3, 0, 8, 247, 255} << QList<int>{3}
                                 << QList<double>{} << 0
                                 << QStringLiteral("14 completa con fallos: test 1, paso 3: entrada 3")
                                 << QStringLiteral("con fallos;1;3;;1.0.0");
    QTest::newRow("crossed wires") << QStringList{"cruzados:6,7"} << pair + pair << OffscreenCheck::kTestFailed
                                   << QStringList{"1 fail 13800 2"} << QList<int>{6, 0, 64, 191, 127}
                                   << QList<int>{6, 7} << QList<double>{} << 0
                                   << QStringLiteral("14 completa con fallos: test 1, paso 6: entradas 6, 7")
                                   << QStringLiteral("con fallos;1;6, 7;;1.0.0");
    QTest::newRow("stuck input") << QStringList{"fija:5=0"} << pair + pair << OffscreenCheck::kTestFailed
                                 << QStringList{"1 fail 2400 2"} << QList<int>{0, 0, 1, 254, 222} << QList<int>{5}
                                 << QList<double>{} << 0
                                 << QStringLiteral("14 completa con fallos: test 1, paso 0: entrada 5")
                                 << QStringLiteral("con fallos;1;5;;1.0.0");
    QTest::newRow("no card on the port") << QStringList{"ausente"} << pair + pair << OffscreenCheck::kTestFailed
                                         << QStringList{"1 fail 2400 2"} << QList<int>{0, 0, 1, 254, 69}
                                         << QList<int>{0, 1, 3, 4, 5, 7} << QList<double>{} << 0
                                         << QStringLiteral("14 completa con fallos: la tarjeta no responde")
                                         << QStringLiteral("con fallos;1;0, 1, 3, 4, 5, 7;;1.0.0");
    QTest::newRow("analog input low") << QStringList{"analogica:4=230"} << verdicts(5) + pair
                                      << OffscreenCheck::kTestFailed << passed + QStringList{"6 fail 4100 1"}
                                      << QList<int>{} << QList<int>{4} << full.first(3) + QList<double>{4.4921875} << 0
                                      << QStringLiteral("14 completa con fallos: test 6: entrada analógica 4, 4,49 V")
                                      << QStringLiteral("con fallos;6;4;4,9805 4,9805 4,9805 4,4922;1.0.0");
    QTest::newRow("stopped by SIGTERM") << QStringList{} << verdicts(1) << 143
                                        << QStringList{"1 pass 15700 0", "2 interrupted 520 0"} << QList<int>{}
                                        << QList<int>{} << QList<double>{} << 15700 + 520
                                        << QStringLiteral("14 completa interrumpida")
                                        << QStringLiteral("interrumpida;;;;1.0.0");
}

void TestOffscreenCheck::wholeRun() {
    QFETCH(QStringList, faults);
    QFETCH(QStringList, lines);
    QFETCH(int, status);
    QFETCH(int, signalAtMs);
    CardFaults cardFaults;
    for (const QString& fault : faults) QVERIFY(!addFault(cardFaults, fault));
    CardRig rig(cardFaults);
    PictureFolder pictures;
    QTemporaryDir folder;
    const QString path = folder.filePath("historial.sqlite");
    QStringList warnings;
    CheckJournal journal(path, {"14", CheckMode::Headless, "", faults, "puesto"},
                         [&](const QString& w) { warnings << w; });
    HistoryReader history(path);
    QStringList printed;
    OffscreenCheck run(rig.card, rig.clock, pictures.path(), {Outcome::Fail, true});
    connect(&run, &OffscreenCheck::lineAdded, this, [&](const QString& line) { printed << line; });
    QList<int> finished;
    connect(&run, &OffscreenCheck::ended, this, [&](const RunRecord& record) { finished << *record.exitStatus; });

    keepInJournal(run.recorder(), journal);
    run.start();
    QVERIFY(!run.window().isVisible());
    journal.flush();
    QList<StoredCheck> stored;
    QVERIFY(!history.forEach({}, [&](const StoredCheck& check) { stored << check; }));
    QCOMPARE(stored.size(), 1);
    QCOMPARE(stored[0].record.outcome, Outcome::Running);  // this very program is running it
    if (signalAtMs) {
        rig.clock.advance(signalAtMs);
        QCOMPARE(rig.sim.relays(), 1);
        run.stop(status);
    }
    rig.clock.runUntil([&] { return !finished.isEmpty(); });
    run.stop(143);  // a signal after the end changes nothing

    QCOMPARE(printed, lines);
    QCOMPARE(finished, QList<int>{status});
    // The relays off, then, after a failed digital check, the inputs read once more at rest.
    const QStringList trace = rig.recorder.trace();
    const qsizetype relaysOff = trace.lastIndexOf("out 890 7");
    QCOMPARE(trace.mid(relaysOff, 2), QStringList({"out 890 7", "out 888 0"}));
    const bool digitalFailure = status == 1 && !faults.value(0).startsWith("analogica");
    QCOMPARE(compactTrace(trace.mid(relaysOff + 2)), digitalFailure ? QStringList({"S100", "R"}) : QStringList());
    QVERIFY(idle(run.window()) && !rig.clock.hasAlarms());

    const QJsonObject report = reportDocument(run.record(), {"", CheckMode::Headless, "", faults, {}}).object();
    QCOMPARE(report["outcome"].toString(), status == 0 ? "pass" : status == 1 ? "fail" : "interrupted");
    QCOMPARE(report["exit_status"].toInt(), status);
    QCOMPARE(report["card_answers"].toBool(), faults != QStringList{"ausente"});
    QCOMPARE(report["lines"].toVariant().toStringList(), lines);
    QCOMPARE(report["faults"].toVariant().toStringList(), faults);
    QVERIFY(report["started"].toString().contains(QRegularExpression("\\.\\d{3}[+-]\\d\\d:\\d\\d$")));
    const QDateTime started = QDateTime::fromString(report["started"].toString(), Qt::ISODateWithMs);
    QVERIFY(started.isValid() && started <= QDateTime::fromString(report["finished"].toString(), Qt::ISODateWithMs));
    QTEST(testSummary(report), "tests");
    const QJsonObject failure = report["tests"].toArray().last()["failures"][0].toObject();
    QList<int> fields;
    for (const char* field : {"step", "round", "outputs", "expected_inputs", "inputs"})
        if (failure.contains(field)) fields << failure[field].toInt();
    QTEST(fields, "failure");
    QTEST(listOf<int>(failure.contains("volts") ? failure["inputs_out_of_range"] : failure["wrong_inputs"]), "wrong");
    const QJsonArray analog = report["analog"].toArray();
    QCOMPARE(analog.size(), report["tests"].toArray().size() == 6 ? 10 : 0);
    QTEST(listOf<double>(analog.at(analog.size() - 1)), "lastVolts");
    if (failure.contains("volts")) QCOMPARE(failure["volts"], analog.at(analog.size() - 1));

    // In the history, as the list and the spreadsheet read it, and read whole as the sheet does.
    journal.flush();
    QCOMPARE(warnings, QStringList{});
    stored.clear();
    QVERIFY(!history.forEach({"14", {}, {}, {}, {}}, [&](const StoredCheck& check) { stored << check; }));
    QCOMPARE(stored.size(), 1);
    QFETCH(QString, listed);
    QCOMPARE(historyLine(stored[0]).mid(QStringLiteral("2026-12-07 10:00:00  ").size()).simplified(),
             "puesto " + listed);
    QVERIFY(!history.forEach(
        {"14", {}, {}, {}, {}}, [&](const StoredCheck& check) { stored[0] = check; }, 0, ColumnSet::Spreadsheet));
    const QString row = QString::fromUtf8(csvRow(stored[0])).trimmed();
    QFETCH(QString, csvTail);
    QVERIFY2(row.endsWith(csvTail + ";puesto"), qPrintable(row));
    const std::optional<StoredCheck> whole = history.whole(stored[0]);
    QVERIFY(whole);
    QCOMPARE(diagnosisLines(whole->record), diagnosisLines(run.record()));
    QCOMPARE(reportDocument(whole->record, whole->context), reportDocument(run.record(), whole->context));
}

QTEST_MAIN(TestOffscreenCheck)
#include "test_offscreen_check.moc"
