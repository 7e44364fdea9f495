#include "history/wording.h"

#include <QHash>
#include <QLocale>

#include "card/voltage_text.h"

namespace {

int bit(qint16 byte, int n) {
    return (byte >> n) & 1;
}

// Test 1 switches on one output at a time, output k in step k, so the pattern names the wire.
QString oneOutputHint(int input, int output) {
    if (input != output)
        return QStringLiteral(" La entrada %1 responde a la salida %2: apunta a cables cruzados.")
            .arg(input)
            .arg(output);
    return QStringLiteral(
               " La entrada %1 no responde a la salida %1: apunta a un cable roto o a un relé que no conmuta.")
        .arg(input);
}

// Inputs that read the same whatever the outputs do are no wire's fault: nothing answers.
QStringList silentCardLines(const FailedCheck& check) {
    return {QStringLiteral("La tarjeta no responde: las entradas leen %1 con las salidas %2 y también con todas "
                           "las salidas apagadas; ninguna sigue a las salidas.")
                .arg(byteText(check.inputs), byteText(check.outputs)),
            QStringLiteral("  Compruebe el cable entre el ordenador y la tarjeta, la alimentación de la tarjeta y el "
                           "puerto (cardcheck --ports muestra los puertos del ordenador).")};
}

QStringList checkLines(int test, const FailedCheck& check, bool eachInput) {
    QStringList lines{QStringLiteral("TEST %1, %2: salidas escritas %3, entradas esperadas %4, leídas %5")
                          .arg(QString::number(test), stepText(test, check), byteText(check.outputs),
                               byteText(check.expectedInputs), byteText(check.inputs))};
    for (int input : eachInput ? wrongInputs(check) : QList<int>{}) {
        QString line = QStringLiteral("  Entrada %1: lee %2, debería leer %3.")
                           .arg(input)
                           .arg(bit(check.inputs, input))
                           .arg(bit(check.expectedInputs, input));
        if (test == 1) line += oneOutputHint(input, check.step);
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
    if (cardSilent(record)) return QStringLiteral("la tarjeta no responde");
    if (test.failures.isEmpty()) {
        QStringList parts;
        for (int input : inputs)
            parts << QStringLiteral("entrada analógica %1, %2 V")
                         .arg(input)
                         .arg(voltsText((*test.failedReading)[input - 1]));
        return QStringLiteral("test %1: %2").arg(test.test).arg(parts.join(QStringLiteral("; ")));
    }
    return QStringLiteral("test %1, %2: %3 %4")
        .arg(QString::number(test.test), stepText(test.test, test.failures.first()),
             inputs.size() == 1 ? QStringLiteral("entrada") : QStringLiteral("entradas"), numberList(inputs));
}

}  // namespace

QString byteText(qint16 byte) {
    return QStringLiteral("%1 (%2)").arg(byte, 8, 2, QChar(u'0')).arg(byte);
}

// A reading is one of 256 converter values, so a long list asks for the same few texts again and again.
QString voltsText(double volts, int decimals) {
    static const QLocale spanish(QLocale::Spanish, QLocale::Spain);
    thread_local QHash<std::pair<double, int>, QString> known;  // a spreadsheet may be written on its own thread
    auto found = known.constFind({volts, decimals});
    if (found != known.constEnd()) return *found;
    if (known.size() > 4096) known.clear();
    return *known.insert({volts, decimals}, VoltageText(volts, spanish, decimals));
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
            lines << QStringLiteral("TEST 6: entrada analógica %1 fuera de rango: %2 V")
                         .arg(input)
                         .arg(VoltageText((*test.failedReading)[input - 1], QLocale::c()));
    }
    return lines;
}
