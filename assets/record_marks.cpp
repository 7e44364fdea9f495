#include "assets/record_marks.h"

#include <QBuffer>
#include <QStringList>

#include "assets/wiring_picture.h"

namespace {

// A mark once found is not taken back by a later reading that happens to look right.
void mark(WireMark& wire, WireMark found) {
    if (wire.state == WireState::Unchecked || (wire.state == WireState::Works && found.state != WireState::Unchecked))
        wire = found;
}

// A failed step of test 1: output k alone on. Its input should read 0 and every other input 1.
void markOneOutputStep(WiringMarks& marks, const FailedCheck& check) {
    const int k = check.step;
    if (k < 0 || k > 7) return;
    bool ownWrong = false;
    QList<int> answered;  // other inputs that followed output k
    for (int input : wrongInputs(check)) {
        if (input == k)
            ownWrong = true;
        else
            answered << input;
    }
    if (ownWrong && answered.size() == 1) {
        const int j = answered.first();
        const bool partnerUnknown = marks.wires[j].state == WireState::Unchecked;
        mark(marks.wires[k], {WireState::Crossed, j});
        if (partnerUnknown) mark(marks.wires[j], {WireState::Crossed, k});
        return;
    }
    mark(marks.wires[k], {ownWrong ? WireState::Broken : WireState::Works});
    for (int input : answered) mark(marks.wires[input], {WireState::Broken});
}

void markTest1(WiringMarks& marks, const TestRecord& test) {
    if (test.failures.isEmpty()) {
        // Cut short, nothing records how far it got.
        if (test.outcome != Outcome::Pass) return;
        for (WireMark& wire : marks.wires) wire.state = WireState::Works;
        return;
    }
    for (int n = 0; n < test.failures.first().step && n < 8; ++n) marks.wires[n].state = WireState::Works;
    for (const FailedCheck& check : test.failures) markOneOutputStep(marks, check);
}

void markTest6(WiringMarks& marks, const TestRecord& test, const RunRecord& record) {
    std::optional<AnalogVolts> judged = test.failedReading;
    if (test.outcome == Outcome::Pass && !record.analog.isEmpty()) judged = record.analog.last();
    if (!judged) return;
    const QList<int> outOfRange = inputsOutOfRange(*judged);
    for (int input = 1; input <= 4; ++input)
        marks.analog[input - 1] = {outOfRange.contains(input) ? AnalogState::OutOfRange : AnalogState::InRange,
                                   (*judged)[input - 1]};
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

QString capitalised(QString text) {
    if (!text.isEmpty()) text[0] = text[0].toUpper();
    return text;
}

}  // namespace

WiringMarks wiringMarks(const RunRecord& record) {
    WiringMarks marks;
    marks.interrupted = record.outcome == Outcome::Interrupted;
    if (cardSilent(record)) {
        marks.cardSilent = true;
        return marks;
    }
    for (const TestRecord& test : record.tests) {
        if (test.test == 1) {
            markTest1(marks, test);
        } else if (test.test == 6) {
            markTest6(marks, test, record);
        } else {
            for (const FailedCheck& check : test.failures)
                for (int input : wrongInputs(check)) mark(marks.wires[input], {WireState::Broken});
        }
    }
    return marks;
}

QString wiringAccessibleName() {
    return QStringLiteral("Esquema de conexiones de la tarjeta");
}

QString wiringDescription(const WiringMarks& marks) {
    if (marks.cardSilent) return QStringLiteral("La tarjeta no responde: revise el cable y la alimentación.");
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

QImage checkPicture(const RunRecord& record) {
    return drawWiringPicture(wiringMarks(record));
}

QByteArray checkPicturePng(const RunRecord& record) {
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    checkPicture(record).save(&buffer, "PNG");
    return png;
}
