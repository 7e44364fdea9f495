#include <QtTest>

#include "assets/record_marks.h"
#include "check/offscreen_check.h"
#include "tests/support/test_window.h"

// What a check of a faulty card marks on the wiring picture, and what a screen reader hears of it.
class TestWiringMarks : public QObject {
    Q_OBJECT
private slots:
    void marksOfACheck_data();
    void marksOfACheck();
    void marksOfARecord_data();
    void marksOfARecord();
};

Q_DECLARE_METATYPE(RunRecord)

namespace {

// "+" works, "x" broken, "-" unchecked, ">5" crossed to input 5; then the analog inputs, "+" in
// range or the voltage out of range.
QString compact(const WiringMarks& marks) {
    QStringList tokens{marks.cardSilent ? "silent" : ""};
    for (const WireMark& wire : marks.wires)
        tokens << QStringList{"-", "+", "x", QStringLiteral(">%1").arg(wire.input)}[int(wire.state)];
    tokens << "|";
    for (const AnalogMark& input : marks.analog)
        tokens << QStringList{"-", "+", voltsLabel(input.volts).chopped(2)}[int(input.state)];
    return (tokens.join(u' ') + (marks.interrupted ? " interrupted" : "")).trimmed();
}

// The given tests passed in turn but the last, which ends as outcome says, failing on one reading.
RunRecord record(const QList<int>& tests, FailedCheck failure, Outcome outcome = Outcome::Fail) {
    RunRecord record;
    record.outcome = outcome;
    for (int test : tests) record.tests << TestRecord{test, Outcome::Pass, 0, 0, {}, {}};
    record.tests.last().outcome = outcome;
    if (outcome == Outcome::Fail) record.tests.last().failures << failure;
    return record;
}

}  // namespace

void TestWiringMarks::marksOfACheck_data() {
    QTest::addColumn<QStringList>("faults");
    QTest::addColumn<int>("stopAtMs");  // 0: to the end
    QTest::addColumn<QString>("marks");
    QTest::addColumn<QString>("description");
    QTest::newRow("good") << QStringList{} << 0 << "+ + + + + + + + | + + + +"
                          << "Todas las conexiones funcionan.";
    QTest::newRow("broken wire") << QStringList{"roto:4"} << 0 << "+ + + + x - - - | - - - -"
                                 << "La entrada 4 no responde a su salida. Quedan sin comprobar los cables 5 a 7 y "
                                    "las entradas analógicas.";
    QTest::newRow("crossed wires") << QStringList{"cruzados:3,5"} << 0 << "+ + + >5 - >3 - - | - - - -"
                                   << "Entradas 3 y 5 cruzadas. Quedan sin comprobar los cables 4, 6 y 7, y las "
                                      "entradas analógicas.";
    QTest::newRow("input stuck at 0") << QStringList{"fija:2=0"} << 0 << "+ - x - - - - - | - - - -"
                                      << "La entrada 2 no responde a su salida. Quedan sin comprobar los cables 1 y 3 "
                                         "a 7, y las entradas analógicas.";
    QTest::newRow("analog input low") << QStringList{"analogica:4=230"} << 0 << "+ + + + + + + + | + + + 4,49"
                                      << "Entrada analógica 4 fuera de rango: 4,49 V.";
    QTest::newRow("no card") << QStringList{"ausente"} << 0 << "silent - - - - - - - - | - - - -"
                             << "La tarjeta no responde: revise el cable y la alimentación.";
    QTest::newRow("cut short in test 1") << QStringList{} << 1000 << "- - - - - - - - | - - - - interrupted"
                                         << "Comprobación interrumpida: no llegó a comprobarse ninguna conexión.";
    QTest::newRow("cut short in test 3") << QStringList{} << 24500 << "+ + + + + + + + | - - - - interrupted"
                                         << "Comprobación interrumpida: funcionan los cables 0 a 7. Quedan sin "
                                            "comprobar las entradas analógicas.";
}

// The whole check on a simulated card, as --auto runs it, read back from its record.
void TestWiringMarks::marksOfACheck() {
    QFETCH(QStringList, faults);
    QFETCH(int, stopAtMs);
    CardFaults cardFaults;
    for (const QString& fault : faults) QVERIFY(!addFault(cardFaults, fault));
    CardRig rig(cardFaults);
    PictureFolder pictures;
    OffscreenCheck run(rig.card, rig.clock, pictures.path(), {});
    run.start();
    if (stopAtMs) {
        rig.clock.advance(stopAtMs);
        run.stop();
    }
    QVERIFY(rig.clock.runUntil([&] { return !run.running(); }));
    const WiringMarks marks = wiringMarks(run.record());
    QTEST(compact(marks), "marks");
    QTEST(wiringDescription(marks), "description");
}

// What the simulated card cannot do: a failure after test 1, a wire on two inputs, test 6 alone (its
// last tick decides).
void TestWiringMarks::marksOfARecord_data() {
    QTest::addColumn<RunRecord>("record");
    QTest::addColumn<QString>("marks");
    QTest::addColumn<QString>("description");
    QTest::newRow("test 4, input 2 off with every output on")
        << record({1, 2, 3, 4}, {0, 0, 255, 0, 4}) << "+ + x + + + + + | - - - -"
        << "La entrada 2 no responde a su salida. Quedan sin comprobar las entradas analógicas.";
    QTest::newRow("output 4 on input 1 as well") << record({1}, {4, 0, 16, 239, 253}) << "+ + + + >1 - - - | - - - -"
                                                 << "La salida 4 llega a la entrada 1. Quedan sin comprobar los "
                                                    "cables 5 a 7 y las entradas analógicas.";
    RunRecord analogAlone = record({6}, {}, Outcome::Pass);
    analogAlone.analog << AnalogVolts{4.2, 4.9, 4.9, 4.9} << AnalogVolts{4.98, 4.98, 4.98, 4.98};
    QTest::newRow("analog test alone") << analogAlone << "- - - - - - - - | + + + +"
                                       << "Funcionan las entradas analógicas. Quedan sin comprobar los cables 0 a 7.";
}

void TestWiringMarks::marksOfARecord() {
    QFETCH(RunRecord, record);
    QTEST(compact(wiringMarks(record)), "marks");
    QTEST(wiringDescription(wiringMarks(record)), "description");
}

QTEST_MAIN(TestWiringMarks)
#include "test_record_marks.moc"
