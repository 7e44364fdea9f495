#ifndef HISTORY_DIAGNOSIS_H
#define HISTORY_DIAGNOSIS_H

#include <QStringList>

#include "history/run_record.h"

// The diagnosis --auto writes on standard error, in Spanish: every failed check with the bytes
// written, expected and read, each wrong input, and every analog input out of range. A card that
// does not answer at all is said to be so first, and its inputs are not taken for wires.
QStringList diagnosisLines(const RunRecord& record);

#endif
