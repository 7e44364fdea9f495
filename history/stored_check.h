#ifndef HISTORY_STORED_CHECK_H
#define HISTORY_STORED_CHECK_H

#include <QDateTime>
#include <QJsonObject>
#include <QList>
#include <QString>

class QSqlQuery;
class QSqlRecord;

// One check as the history keeps it, read back.
struct StoredCheck {
    qint64 id = 0;
    QDateTime started;   // local time
    QDateTime finished;  // invalid while it runs, or when it was cut short
    QString card;        // empty when none was given
    QString kind;        // "sequence" or "analog"
    QString mode;        // "window", "headless" or "batch"
    QString outcome;     // "pass", "fail", "interrupted" or "running" (only while its program runs)
    QJsonObject record;  // the JSON document
};

// The columns, in this order, that storedCheck reads from a query's row: the whole record.
inline constexpr const char* kStoredCheckColumns = "id, started, finished, card, kind, mode, outcome, owner, record";
// The same for long lists: the whole record only of a failed check (what failed), none of the others.
inline constexpr const char* kListedCheckColumns =
    "id, started, finished, card, kind, mode, outcome, owner, CASE WHEN outcome = 'fail' THEN record END";
// The same for a spreadsheet: of the checks that did not fail only the fields it shows (port,
// version and the last analog reading), which SQLite takes out of the record without the program
// reading it all.
inline constexpr const char* kExportedCheckColumns =
    "id, started, finished, card, kind, mode, outcome, owner, "
    "CASE WHEN outcome = 'fail' THEN record ELSE json_object('port', json_extract(record, '$.port'), "
    "'version', json_extract(record, '$.version'), 'analog', json_array(json_extract(record, '$.analog[#-1]'))) END";
// A row of "SELECT <kStoredCheckColumns> FROM checks" (or the columns for lists and spreadsheets). A check left
// running by a program that is gone (killed, a crash, a power cut) reads as interrupted.
StoredCheck storedCheck(const QSqlQuery& query);
// The same from a row a model has fetched.
StoredCheck storedCheck(const QSqlRecord& row);

// In the user's words.
QString outcomeWord(const QString& outcome);  // "correcta", "con fallos", "interrumpida", "en curso"
QString kindWord(const QString& kind);        // "completa", "analógica"
QString modeWord(const QString& mode);        // "ventana", "sin ventana", "lote"
QString cardWord(const QString& card);        // the label, or "sin etiqueta"

// What failed, in a few words: "test 1, paso 3: entradas 3, 5", "test 6: entrada analógica 4, 4,49 V",
// "la tarjeta no responde".
// Empty for a check with no failed reading.
QString failureSummary(const QJsonObject& record);
// The test that failed, 1 to 6, or 0.
int failedTest(const QJsonObject& record);
// The wrong inputs of the first failed check of tests 1 to 5, or the analog inputs out of range.
QList<int> failedInputs(const QJsonObject& record);
// The four volts of the last reading of test 6, if there was one.
QList<double> lastVolts(const QJsonObject& record);
// Numbers as a person reads them in a list: "3, 5".
QString numberList(const QList<int>& values);
// Volts as a Spaniard writes them: "4,98".
QString voltsText(double volts, int decimals = 2);

#endif
