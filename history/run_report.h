#ifndef HISTORY_RUN_REPORT_H
#define HISTORY_RUN_REPORT_H

#include <optional>

#include <QJsonDocument>
#include <QString>

// The file --report writes: the check's JSON document (history/check_codec).

// Why a report could not be written at path, in Spanish and naming it; nothing when it can. Tries
// the write itself and throws it away, so an existing report is left as it is.
std::optional<QString> reportPathProblem(const QString& path);

// Writes through a temporary file in the same folder renamed over path, so a reader finds either
// the old report whole or the new one whole. Gives back what went wrong, if anything.
std::optional<QString> writeReport(const QString& path, const QJsonDocument& document);

#endif
