#ifndef HISTORY_REPORT_DOCUMENT_H
#define HISTORY_REPORT_DOCUMENT_H

#include <QJsonDocument>
#include <QString>

#include "record/run_record.h"

// A check as one JSON document, the same for --report and the history, its field names fixed for
// the scripts that read it; and the names its values are kept as, in the document and in the
// table alike ("pass", "interrupted", "headless", "analog", "simulated", ...). The only place that
// writes or reads those names: everything else compares enums.

QString outcomeName(Outcome outcome);
// An unknown name, from a later program, reads as interrupted: never as a pass.
Outcome outcomeOf(const QString& name);
QString kindName(CheckKind kind);
CheckKind kindOf(const QString& name);
QString modeName(CheckMode mode);
// A mode this program does not know (a later one's) reads as unknown, never as another.
CheckMode modeOf(const QString& name);
// The port's device, or "simulated" for the simulated card.
QString portName(const CheckContext& context);
QString deviceOf(const QString& port);

QJsonDocument reportDocument(const RunRecord& record, const CheckContext& context);

// A document read back into the record and the context it was made from, and the version of the
// program that wrote it. The station is not in the document: the table keeps it.
struct ReportContents {
    RunRecord record;
    CheckContext context;
    QString version;
};
ReportContents readReport(const QJsonDocument& document);

#endif
