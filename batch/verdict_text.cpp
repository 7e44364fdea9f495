#include "batch/verdict_text.h"

#include "history/diagnosis.h"

QStringList verdictText(const RunRecord& record) {
    return diagnosisLines(record);
}
