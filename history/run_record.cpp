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
