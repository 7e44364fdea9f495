#ifndef RECORD_WORDING_H
#define RECORD_WORDING_H

#include <optional>

#include <QList>
#include <QLocale>
#include <QString>
#include <QStringList>

#include "record/diagnosis.h"
#include "record/run_record.h"

// What a check found, in the user's words: the one wording of a failure that standard error, the
// station, --history-list, the spreadsheet and the card's sheet all show.

// A byte in binary and in decimal: "00001000 (8)".
QString byteText(qint16 byte);
// Volts as a Spaniard writes them: "4,98"; with the unit, as every sentence of the program's own
// writes them: "4,49 V".
QString voltsText(double volts, int decimals = 2);
QString voltsLabel(double volts);
// Spanish as written in Spain: every number of the program's own sentences and charts.
const QLocale& spanishLocale();
// A share as a person reads it: "38 %", "4 %".
QString percentLabel(double fraction);
// A count as a person reads it: "1.250".
QString countLabel(qint64 count);
// Numbers as a person reads them in a list: "3, 5".
QString numberList(const QList<int>& values);
// Where a failed check of a test was: "paso 3", and in tests 2 and 3, which pass over the
// outputs it was: "paso 3, vuelta 1".
QString stepText(int test, const FailedCheck& check);

QString outcomeWord(Outcome outcome);           // "correcta", "con fallos", "interrumpida", "en curso"
QString kindWord(CheckKind kind);               // "completa", "analógica"
QString modeWord(CheckMode mode);               // "ventana", "sin ventana", "lote"
QString cardWord(const QString& card);          // the label, or "sin etiqueta"
QString portWord(const CheckContext& context);  // the device, or "simulada"

// The text with its first letter in capitals.
QString capitalised(QString text);

// A card that does not answer at all: what every view says of it, the picture's banner included.
QString silentCardWords();        // "La tarjeta no responde"
QString silentCardShortAdvice();  // "revise el cable y la alimentación"
QString silentCardAdvice();       // "compruebe el cable entre el ordenador y la tarjeta, ..."

// What a list or a spreadsheet shows of a check; the history keeps it beside the record.
struct CheckFindings {
    // What failed, in a few words: "test 1, paso 3: entradas 3, 5", "test 6: entrada analógica 4,
    // 4,49 V", "la tarjeta no responde"; empty when nothing failed.
    QString summary;
    int failedTest = 0;       // 1 to 6, or 0
    QList<int> failedInputs;  // the wrong inputs of the first failed check, or the analog inputs out of range
    std::optional<AnalogVolts> lastVolts;  // the last reading of test 6, if there was one
};
CheckFindings findingsOf(const RunRecord& record);

// The diagnosis, one line each: every failed check with the bytes written, expected and read, each
// wrong input (in test 1, what the diagnosis makes of it), and every analog input out of range. A card
// that does not answer at all is said to be so first, and its inputs are not taken for wires.
QStringList diagnosisLines(const RunRecord& record);

// For a screen reader: what the wiring picture is, and what it shows in one or two sentences, such
// as "Entradas 3 y 5 cruzadas." or "Todas las conexiones funcionan."
QString wiringAccessibleName();
QString wiringDescription(const WiringMarks& marks);

#endif
