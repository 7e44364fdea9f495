#include <QtTest>

#include "check/offscreen_check.h"
#include "record/wording.h"
#include "tests/support/test_window.h"

// The one diagnosis of a check, from records of every kind of fault: the marks of the wiring
// picture, what a screen reader hears of it, the diagnosis on standard error and the list's summary,
// which all come from it and so must agree.
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
    QTest::addColumn<QStringList>("words");
    QTest::addColumn<QString>("summary");
    auto step = [](int k, int expected, int read) {
        return QStringLiteral("TEST 1, paso %1: salidas escritas %2, entradas esperadas %3, leídas %4")
            .arg(QString::number(k), byteText(1 << k), byteText(expected), byteText(read));
    };
    QTest::newRow("good") << QStringList{} << 0 << "+ + + + + + + + | + + + +"
                          << "Todas las conexiones funcionan." << QStringList{} << "";
    QTest::newRow("broken wire") << QStringList{"roto:4"} << 0 << "+ + + + x - - - | - - - -"
                                 << "La entrada 4 no responde a su salida. Quedan sin comprobar los cables 5 a 7 y "
                                    "las entradas analógicas."
                                 << QStringList{step(4, 239, 255),
                                                "  Entrada 4: lee 1, debería leer 0. La entrada 4 no responde a la "
                                                "salida 4: apunta a un cable roto o a un relé que no conmuta."}
                                 << "test 1, paso 4: entrada 4";
    QTest::newRow("crossed wires") << QStringList{"cruzados:3,5"} << 0 << "+ + + >5 - >3 - - | - - - -"
                                   << "Entradas 3 y 5 cruzadas. Quedan sin comprobar los cables 4, 6 y 7, y las "
                                      "entradas analógicas."
                                   << QStringList{step(3, 247, 223),
                                                  "  Entrada 3: lee 1, debería leer 0. La salida 3 llega a la entrada "
                                                  "5: apunta a cables cruzados.",
                                                  "  Entrada 5: lee 0, debería leer 1. La entrada 5 responde a la "
                                                  "salida 3: apunta a cables cruzados."}
                                   << "test 1, paso 3: entradas 3, 5";
    // Input 2 answers output 0 while input 0 reads right: input 2 is named, never a crossing.
    QTest::newRow("input stuck at 0") << QStringList{"fija:2=0"} << 0 << "+ - x - - - - - | - - - -"
                                      << "La entrada 2 no responde a su salida. Quedan sin comprobar los cables 1 y 3 "
                                         "a 7, y las entradas analógicas."
                                      << QStringList{step(0, 254, 250),
                                                     "  Entrada 2: lee 0, debería leer 1. La entrada 2 no sigue a su "
                                                     "salida: lee 0 con la salida 0 encendida (una entrada fija a 0, o "
                                                     "unida al cable de la salida 0)."}
                                      << "test 1, paso 0: entrada 2";
    QTest::newRow("analog input low") << QStringList{"analogica:4=230"} << 0 << "+ + + + + + + + | + + + 4,49"
                                      << "Entrada analógica 4 fuera de rango: 4,49 V."
                                      << QStringList{"TEST 6: entrada analógica 4 fuera de rango: 4,49 V"}
                                      << "test 6: entrada analógica 4, 4,49 V";
    QTest::newRow("no card") << QStringList{"ausente"} << 0 << "silent - - - - - - - - | - - - -"
                             << "La tarjeta no responde: revise el cable y la alimentación."
                             << QStringList{"La tarjeta no responde: las entradas leen 01000101 (69) con las salidas "
                                            "00000001 (1) y también con todas las salidas apagadas; ninguna sigue a "
                                            "las salidas.",
                                            "  Compruebe el cable entre el ordenador y la tarjeta, la alimentación de "
                                            "la tarjeta y el puerto (cardcheck --ports muestra los puertos del "
                                            "ordenador).",
                                            step(0, 254, 69)}
                             << "la tarjeta no responde";
    QTest::newRow("cut short in test 1") << QStringList{} << 1000 << "- - - - - - - - | - - - - interrupted"
                                         << "Comprobación interrumpida: no llegó a comprobarse ninguna conexión."
                                         << QStringList{} << "";
    QTest::newRow("cut short in test 3") << QStringList{} << 24500 << "+ + + + + + + + | - - - - interrupted"
                                         << "Comprobación interrumpida: funcionan los cables 0 a 7. Quedan sin "
                                            "comprobar las entradas analógicas."
                                         << QStringList{} << "";
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
    const WiringMarks marks = diagnose(run.record());
    QTEST(compact(marks), "marks");
    QTEST(wiringDescription(marks), "description");
    QTEST(diagnosisLines(run.record()), "words");
    QTEST(findingsOf(run.record()).summary, "summary");
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
    QTEST(compact(diagnose(record)), "marks");
    QTEST(wiringDescription(diagnose(record)), "description");
}

QTEST_MAIN(TestWiringMarks)
#include "test_diagnosis.moc"
