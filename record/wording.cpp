#include "record/wording.h"

#include <QHash>
#include <QLocale>

#include "card/voltage_text.h"

namespace {

int bit(qint16 byte, int n) {
    return (byte >> n) & 1;
}

// What a wrong input means, as the diagnosis says it.
QString hint(const WrongInput& wrong) {
    switch (wrong.fault) {
        case InputFault::Crossed:
            if (wrong.input == wrong.output)
                return QStringLiteral(" La salida %1 llega a la entrada %2: apunta a cables cruzados.")
                    .arg(wrong.output)
                    .arg(wrong.partner);
            return QStringLiteral(" La entrada %1 responde a la salida %2: apunta a cables cruzados.")
                .arg(wrong.input)
                .arg(wrong.output);
        case InputFault::NotFollowing:
            return QStringLiteral(
                       " La entrada %1 no sigue a su salida: lee 0 con la salida %2 encendida (una entrada "
                       "fija a 0, o unida al cable de la salida %2).")
                .arg(wrong.input)
                .arg(wrong.output);
        case InputFault::Broken:
            break;
    }
    return QStringLiteral(
               " La entrada %1 no responde a la salida %1: apunta a un cable roto o a un relé que no conmuta.")
        .arg(wrong.input);
}

// Inputs that read the same whatever the outputs do are no wire's fault: nothing answers.
QStringList silentCardLines(const FailedCheck& check) {
    return {QStringLiteral("%1: las entradas leen %2 con las salidas %3 y también con todas las salidas apagadas; "
                           "ninguna sigue a las salidas.")
                .arg(silentCardWords(), byteText(check.inputs), byteText(check.outputs)),
            QStringLiteral("  %1 (cardcheck --ports muestra los puertos del ordenador).")
                .arg(capitalised(silentCardAdvice()))};
}

QStringList checkLines(int test, const FailedCheck& check, bool eachInput) {
    QStringList lines{QStringLiteral("TEST %1, %2: salidas escritas %3, entradas esperadas %4, leídas %5")
                          .arg(QString::number(test), stepText(test, check), byteText(check.outputs),
                               byteText(check.expectedInputs), byteText(check.inputs))};
    for (const WrongInput& wrong : eachInput ? wrongInputsOf(test, check) : QList<WrongInput>{}) {
        QString line = QStringLiteral("  Entrada %1: lee %2, debería leer %3.")
                           .arg(wrong.input)
                           .arg(bit(check.inputs, wrong.input))
                           .arg(bit(check.expectedInputs, wrong.input));
        if (test == 1) line += hint(wrong);
        lines << line;
    }
    return lines;
}

const TestRecord* firstFailedTest(const RunRecord& record) {
    for (const TestRecord& test : record.tests)
        if (!test.failures.isEmpty() || test.failedReading) return &test;
    return nullptr;
}

QString summaryOf(const RunRecord& record, const TestRecord& test, const QList<int>& inputs) {
    if (cardSilent(record)) return silentCardWords().toLower();
    if (test.failures.isEmpty()) {
        QStringList parts;
        for (int input : inputs)
            parts << QStringLiteral("entrada analógica %1, %2")
                         .arg(input)
                         .arg(voltsLabel((*test.failedReading)[input - 1]));
        return QStringLiteral("test %1: %2").arg(test.test).arg(parts.join(QStringLiteral("; ")));
    }
    return QStringLiteral("test %1, %2: %3 %4")
        .arg(QString::number(test.test), stepText(test.test, test.failures.first()),
             inputs.size() == 1 ? QStringLiteral("entrada") : QStringLiteral("entradas"), numberList(inputs));
}

// "3", "3 y 5", "2, 4 y 6", "0 a 3 y 6".
QString joined(const QStringList& parts) {
    if (parts.size() <= 1) return parts.value(0);
    return parts.first(parts.size() - 1).join(QStringLiteral(", ")) + QStringLiteral(" y ") + parts.last();
}

QString numbersText(const QList<int>& numbers) {
    QStringList parts;
    for (qsizetype i = 0; i < numbers.size(); ++i) {
        qsizetype last = i;
        while (last + 1 < numbers.size() && numbers[last + 1] == numbers[last] + 1) ++last;
        if (last - i < 2) {
            parts << QString::number(numbers[i]);
            continue;
        }
        parts << QStringLiteral("%1 a %2").arg(numbers[i]).arg(numbers[last]);
        i = last;
    }
    return joined(parts);
}

QList<int> wiresIn(const WiringMarks& marks, WireState state) {
    QList<int> outputs;
    for (int n = 0; n < 8; ++n)
        if (marks.wires[n].state == state) outputs << n;
    return outputs;
}

QList<int> analogIn(const WiringMarks& marks, AnalogState state) {
    QList<int> inputs;
    for (int k = 1; k <= 4; ++k)
        if (marks.analog[k - 1].state == state) inputs << k;
    return inputs;
}

// "los cables 5 a 7", "el cable 7".
QString cablesText(const QList<int>& outputs) {
    return (outputs.size() == 1 ? QStringLiteral("el cable ") : QStringLiteral("los cables ")) + numbersText(outputs);
}

// "las entradas analógicas" (all four), "la entrada analógica 2".
QString analogText(const QList<int>& inputs) {
    if (inputs.size() == 4) return QStringLiteral("las entradas analógicas");
    return (inputs.size() == 1 ? QStringLiteral("la entrada analógica ") : QStringLiteral("las entradas analógicas ")) +
           numbersText(inputs);
}

// What one or more parts have in common, with the verb agreeing: "funciona el cable 0",
// "quedan sin comprobar los cables 5 a 7 y las entradas analógicas".
QString partsSentence(const QString& singular, const QString& plural, const QList<int>& outputs,
                      const QList<int>& analog) {
    QStringList parts;
    if (!outputs.isEmpty()) parts << cablesText(outputs);
    if (!analog.isEmpty()) parts << analogText(analog);
    if (parts.isEmpty()) return {};
    const bool one = parts.size() == 1 && outputs.size() + analog.size() == 1;
    // "los cables 4, 6 y 7, y las entradas analógicas": a comma keeps the two lists apart.
    const QString both = parts.first().contains(QStringLiteral(" y ")) ? QStringLiteral(", y ") : QStringLiteral(" y ");
    return (one ? singular : plural) + u' ' + parts.join(both);
}

QStringList crossedPhrases(const WiringMarks& marks) {
    QStringList phrases;
    for (int n = 0; n < 8; ++n) {
        if (marks.wires[n].state != WireState::Crossed) continue;
        const int m = marks.wires[n].input;
        const bool swapped = m >= 0 && m < 8 && marks.wires[m] == WireMark{WireState::Crossed, n};
        if (!swapped)
            phrases << QStringLiteral("la salida %1 llega a la entrada %2").arg(n).arg(m);
        else if (n < m)
            phrases << QStringLiteral("entradas %1 y %2 cruzadas").arg(n).arg(m);
    }
    return phrases;
}

QStringList faultPhrases(const WiringMarks& marks) {
    QStringList phrases = crossedPhrases(marks);
    const QList<int> broken = wiresIn(marks, WireState::Broken);
    if (broken.size() == 1)
        phrases << QStringLiteral("la entrada %1 no responde a su salida").arg(broken.first());
    else if (!broken.isEmpty())
        phrases << QStringLiteral("las entradas %1 no responden a sus salidas").arg(numbersText(broken));
    const QList<int> outOfRange = analogIn(marks, AnalogState::OutOfRange);
    QStringList volts;
    for (int input : outOfRange) volts << voltsLabel(marks.analog[input - 1].volts);
    if (outOfRange.size() == 1)
        phrases << QStringLiteral("entrada analógica %1 fuera de rango: %2").arg(outOfRange.first()).arg(volts.first());
    else if (!outOfRange.isEmpty())
        phrases
            << QStringLiteral("entradas analógicas %1 fuera de rango: %2").arg(numbersText(outOfRange), joined(volts));
    return phrases;
}

}  // namespace

QString capitalised(QString text) {
    if (!text.isEmpty()) text[0] = text[0].toUpper();
    return text;
}

QString silentCardWords() {
    return QStringLiteral("La tarjeta no responde");
}

QString silentCardShortAdvice() {
    return QStringLiteral("revise el cable y la alimentación");
}

QString silentCardAdvice() {
    return QStringLiteral(
        "compruebe el cable entre el ordenador y la tarjeta, la alimentación de la tarjeta y el puerto");
}

QString byteText(qint16 byte) {
    return QStringLiteral("%1 (%2)").arg(byte, 8, 2, QChar(u'0')).arg(byte);
}

const QLocale& spanishLocale() {
    static const QLocale spanish(QLocale::Spanish, QLocale::Spain);
    return spanish;
}

QString percentLabel(double fraction) {
    return spanishLocale().toString(qRound(fraction * 100)) + QStringLiteral(" %");
}

QString countLabel(qint64 count) {
    return spanishLocale().toString(count);
}

// A reading is one of 256 converter values, so a long list asks for the same few texts again and again.
QString voltsText(double volts, int decimals) {
    thread_local QHash<std::pair<double, int>, QString> known;  // a spreadsheet may be written on its own thread
    auto found = known.constFind({volts, decimals});
    if (found != known.constEnd()) return *found;
    if (known.size() > 4096) known.clear();
    return *known.insert({volts, decimals}, VoltageText(volts, spanishLocale(), decimals));
}

QString voltsLabel(double volts) {
    return voltsText(volts) + QStringLiteral(" V");
}

QString numberList(const QList<int>& values) {
    QStringList texts;
    for (int value : values) texts << QString::number(value);
    return texts.join(QStringLiteral(", "));
}

QString stepText(int test, const FailedCheck& check) {
    QString text = QStringLiteral("paso %1").arg(check.step);
    if (test == 2 || test == 3) text += QStringLiteral(", vuelta %1").arg(check.round);
    return text;
}

QString outcomeWord(Outcome outcome) {
    switch (outcome) {
        case Outcome::Pass:
            return QStringLiteral("correcta");
        case Outcome::Fail:
            return QStringLiteral("con fallos");
        case Outcome::Running:
            return QStringLiteral("en curso");
        case Outcome::Interrupted:
            break;
    }
    return QStringLiteral("interrumpida");
}

QString kindWord(CheckKind kind) {
    return kind == CheckKind::Analog ? QStringLiteral("analógica") : QStringLiteral("completa");
}

QString modeWord(CheckMode mode) {
    switch (mode) {
        case CheckMode::Headless:
            return QStringLiteral("sin ventana");
        case CheckMode::Batch:
            return QStringLiteral("lote");
        case CheckMode::Unknown:
            return QStringLiteral("desconocido");
        case CheckMode::Window:
            break;
    }
    return QStringLiteral("ventana");
}

QString cardWord(const QString& card) {
    return card.isEmpty() ? QStringLiteral("sin etiqueta") : card;
}

QString portWord(const CheckContext& context) {
    return context.simulated() ? QStringLiteral("simulada") : context.device;
}

CheckFindings findingsOf(const RunRecord& record) {
    CheckFindings findings;
    if (!record.analog.isEmpty()) findings.lastVolts = record.analog.last();
    const TestRecord* test = firstFailedTest(record);
    if (!test) return findings;
    findings.failedTest = test->test;
    findings.failedInputs =
        test->failures.isEmpty() ? inputsOutOfRange(*test->failedReading) : wrongInputs(test->failures.first());
    findings.summary = summaryOf(record, *test, findings.failedInputs);
    return findings;
}

QStringList diagnosisLines(const RunRecord& record) {
    const bool silent = cardSilent(record);
    QStringList lines = silent ? silentCardLines(*firstFailedCheck(record)) : QStringList();
    for (const TestRecord& test : record.tests) {
        for (const FailedCheck& check : distinctFailures(test)) lines << checkLines(test.test, check, !silent);
        if (!test.failedReading) continue;
        for (int input : inputsOutOfRange(*test.failedReading))
            lines << QStringLiteral("TEST 6: entrada analógica %1 fuera de rango: %2")
                         .arg(input)
                         .arg(voltsLabel((*test.failedReading)[input - 1]));
    }
    return lines;
}

QString wiringAccessibleName() {
    return QStringLiteral("Esquema de conexiones de la tarjeta");
}

QString wiringDescription(const WiringMarks& marks) {
    if (marks.cardSilent) return QStringLiteral("%1: %2.").arg(silentCardWords(), silentCardShortAdvice());
    const QList<int> uncheckedWires = wiresIn(marks, WireState::Unchecked);
    const QList<int> uncheckedAnalog = analogIn(marks, AnalogState::Unchecked);
    const bool allChecked = uncheckedWires.isEmpty() && uncheckedAnalog.isEmpty();

    QString found = faultPhrases(marks).join(QStringLiteral("; "));
    if (found.isEmpty() && allChecked) return QStringLiteral("Todas las conexiones funcionan.");
    if (found.isEmpty()) {
        found = partsSentence(QStringLiteral("funciona"), QStringLiteral("funcionan"), wiresIn(marks, WireState::Works),
                              analogIn(marks, AnalogState::InRange));
    }
    if (found.isEmpty()) {
        return marks.interrupted ? QStringLiteral("Comprobación interrumpida: no llegó a comprobarse ninguna conexión.")
                                 : QStringLiteral("No llegó a comprobarse ninguna conexión.");
    }
    QString text =
        (marks.interrupted ? QStringLiteral("Comprobación interrumpida: ") + found : capitalised(found)) + u'.';
    if (!allChecked) {
        text += u' ' +
                capitalised(partsSentence(QStringLiteral("queda sin comprobar"), QStringLiteral("quedan sin comprobar"),
                                          uncheckedWires, uncheckedAnalog)) +
                u'.';
    }
    return text;
}
