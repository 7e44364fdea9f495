#include "record/run_record.h"

QList<int> wrongInputs(const FailedCheck& check) {
    QList<int> inputs;
    for (int n = 0; n < 8; ++n)
        if (((check.inputs ^ check.expectedInputs) >> n) & 1) inputs << n;
    return inputs;
}

QList<int> inputsOutOfRange(const AnalogVolts& volts) {
    QList<int> inputs;
    for (int input = 1; input <= 4; ++input)
        if (!analogInRange(volts[input - 1])) inputs << input;
    return inputs;
}

const FailedCheck* firstFailedCheck(const RunRecord& record) {
    for (const TestRecord& test : record.tests)
        if (!test.failures.isEmpty()) return &test.failures.first();
    return nullptr;
}

QList<FailedCheck> distinctFailures(const TestRecord& test) {
    QList<FailedCheck> distinct;
    for (const FailedCheck& check : test.failures) {
        const bool told = std::any_of(distinct.cbegin(), distinct.cend(), [&check](const FailedCheck& earlier) {
            return earlier.step == check.step && earlier.round == check.round && earlier.outputs == check.outputs &&
                   earlier.inputs == check.inputs;
        });
        if (!told) distinct << check;
    }
    return distinct;
}

bool cardSilent(const RunRecord& record) {
    const FailedCheck* check = firstFailedCheck(record);
    return check && record.inputsAtRest && check->outputs != 0 && check->inputs == *record.inputsAtRest &&
           *record.inputsAtRest != expectedInputs(0);
}
