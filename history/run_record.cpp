#include "history/run_record.h"

#include "autotest/form3.h"

QList<int> wrongInputs(const FailedCheck& check) {
    QList<int> inputs;
    for (int n = 0; n < 8; ++n)
        if (((check.inputs ^ check.expectedInputs) >> n) & 1) inputs << n;
    return inputs;
}

QList<int> inputsOutOfRange(const AnalogVolts& volts) {
    QList<int> inputs;
    for (int input = 1; input <= 4; ++input)
        if (!Form3::AnalogInRange(volts[input - 1])) inputs << input;
    return inputs;
}

const FailedCheck* firstFailedCheck(const RunRecord& record) {
    for (const TestRecord& test : record.tests)
        if (!test.failures.isEmpty()) return &test.failures.first();
    return nullptr;
}

bool cardSilent(const RunRecord& record) {
    const FailedCheck* check = firstFailedCheck(record);
    return check && record.inputsAtRest && check->outputs != 0 && check->inputs == *record.inputsAtRest &&
           *record.inputsAtRest != Form3::ExpectedInputs(0);
}
