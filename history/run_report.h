#ifndef HISTORY_RUN_REPORT_H
#define HISTORY_RUN_REPORT_H

#include <optional>

#include <QByteArray>
#include <QString>

// The files a headless check leaves at its end: its report (--report, the check's JSON document
// from history/check_codec) and its picture (--picture, the marked wiring picture as PNG).
enum class RunFile { Report, Picture };

// Why such a file could not be written at path, in Spanish and naming it; nothing when it can.
// Tries the write itself and throws it away, so an existing file is left as it is.
std::optional<QString> runFilePathProblem(const QString& path, RunFile file);

// Writes through a temporary file in the same folder renamed over path, so a reader finds either
// the old file whole or the new one whole. Gives back what went wrong, if anything.
std::optional<QString> writeRunFile(const QString& path, const QByteArray& contents, RunFile file);

#endif
