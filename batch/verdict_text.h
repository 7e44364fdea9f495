#ifndef BATCH_VERDICT_TEXT_H
#define BATCH_VERDICT_TEXT_H

#include <QStringList>

#include "history/run_record.h"

// What the verdict says below its headline: the same Spanish lines --auto writes on standard error.
QStringList verdictText(const RunRecord& record);

#endif
