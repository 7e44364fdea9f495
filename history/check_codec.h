#ifndef HISTORY_CHECK_CODEC_H
#define HISTORY_CHECK_CODEC_H

#include <QJsonDocument>
#include <QList>
#include <QString>
#include <QVariant>

#include "record/run_record.h"
#include "record/wording.h"

class QSqlQuery;

// Where a check becomes its JSON document and its row in a history, and where both are read back
// into the same record: the only place that writes or reads the names kept as text ("pass",
// "fail", "interrupted", "simulated", "headless", ...). Everything else compares enums.

// The name the document and the history give to an outcome, for a query's bound value.
QString outcomeName(Outcome outcome);

// The record of one check as one JSON document, the same for --report and the history, its field
// names fixed for the scripts that read it.
QJsonDocument reportDocument(const RunRecord& record, const CheckContext& context);

// One check as a history keeps it, read back.
struct StoredCheck {
    qint64 id = 0;    // in a station's own history; 0 in the lab's
    QString uuid;     // the identifier the station made for it; empty before schema version 3
    QString owner;    // the program that writes it while it runs
    QString version;  // of the program that wrote it
    // Read whole, with its document; otherwise only its times, kind and outcome, and of its context
    // all but the faults: what a list shows, which findings holds.
    RunRecord record;
    CheckContext context;
    CheckFindings findings;
    bool whole = false;
};

// A column of a history's table checks and its value.
struct ColumnValue {
    QString column;
    QVariant value;
};
// Every column of a check's row but its id and owner, from its record: the times, the card, what
// ran, the outcome, what a list shows and the whole document.
QList<ColumnValue> rowValues(const RunRecord& record, const CheckContext& context);
// The columns of what a list shows, for a check read whole from a history that did not keep them.
QList<ColumnValue> listedValues(const StoredCheck& check);

// What a reader reads of each check: what a list shows, what a spreadsheet shows, every column but
// the document, or the check whole.
enum class ColumnSet { List, Spreadsheet, Columns, Whole };
// A station's own SQLite history, or the lab's on a PostgreSQL server.
enum class Store { Local, Lab };
// The columns, in the order storedCheck reads them, that a reader selects from a history of that
// schema version; those of a list and a spreadsheet are held whole by an index. A history of
// version 1 keeps only the document, which is read whole then.
QString storedCheckColumns(Store store, int schemaVersion, ColumnSet columnSet);
// A row of those columns, from a query. A check left running by a program that is gone (killed, a
// crash, a power cut) reads as interrupted.
StoredCheck storedCheck(const QSqlQuery& row);

#endif
