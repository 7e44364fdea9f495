#include "history/diagnosis.h"

#include <QLocale>

namespace {

QString byteText(qint16 byte) {
    return QStringLiteral("%1 (%2)").arg(byte, 8, 2, QChar(u'0')).arg(byte);
}

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
    QString where = QStringLiteral("TEST %1, paso %2").arg(test).arg(check.step);
    if (test == 2 || test == 3) where += QStringLiteral(", vuelta %1").arg(check.round);  // the passes over the outputs
    QStringList lines{QStringLiteral("%1: salidas escritas %2, entradas esperadas %3, leídas %4")
                          .arg(where, byteText(check.outputs), byteText(check.expectedInputs), byteText(check.inputs))};
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

}  // namespace

QStringList diagnosisLines(const RunRecord& record) {
    const bool silent = cardSilent(record);
    QStringList lines = silent ? silentCardLines(*firstFailedCheck(record)) : QStringList();
    for (const TestRecord& test : record.tests) {
        for (const FailedCheck& check : test.failures) lines << checkLines(test.test, check, !silent);
        if (!test.failedReading) continue;
        for (int input : inputsOutOfRange(*test.failedReading))
            lines << QStringLiteral("TEST 6: entrada analógica %1 fuera de rango: %2 V")
                         .arg(input)
                         .arg(QString::number((*test.failedReading)[input - 1], 'g', QLocale::FloatingPointShortest));
    }
    return lines;
}
