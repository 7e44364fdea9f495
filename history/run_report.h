#ifndef HISTORY_RUN_REPORT_H
#define HISTORY_RUN_REPORT_H

#include <optional>

#include <QJsonDocument>
#include <QString>
#include <QStringList>

#include "history/run_record.h"

// The record of one check as one JSON document, the same for --report and the history, its field
// names fixed for the scripts that read it.
QJsonDocument reportDocument(const RunRecord& record, const CheckContext& context);

// The names the document and the history give to outcomes and kinds of check.
QString outcomeName(Outcome outcome);
QString kindName(CheckKind kind);
// ISO 8601 in local time, always with its offset from UTC (+00:00 rather than Z).
QString localTime(const QDateTime& time);

// Why a report could not be written at path, in Spanish and naming it; nothing when it can. Tries
// the write itself and throws it away, so an existing report is left as it is.
std::optional<QString> reportPathProblem(const QString& path);

// Writes through a temporary file in the same folder renamed over path, so a reader finds either
// the old report whole or the new one whole. Gives back what went wrong, if anything.
std::optional<QString> writeReport(const QString& path, const QJsonDocument& document);

#endif
