#include "record/diagnosis.h"

namespace {

// A mark once found is not taken back by a later reading that happens to look right.
void mark(WireMark& wire, WireMark found) {
    if (wire.state == WireState::Unchecked || (wire.state == WireState::Works && found.state != WireState::Unchecked))
        wire = found;
}

// A failed step of test 1, output k alone on.
void markOneOutputStep(WiringMarks& marks, const FailedCheck& check) {
    const int k = check.step;
    if (k < 0 || k > 7) return;
    const QList<WrongInput> wrong = wrongInputsOf(1, check);
    const bool ownWrong = std::any_of(wrong.cbegin(), wrong.cend(), [k](const WrongInput& w) { return w.input == k; });
    if (!ownWrong) mark(marks.wires[k], {WireState::Works});
    for (const WrongInput& input : wrong) {
        if (input.fault != InputFault::Crossed) {
            mark(marks.wires[input.input], {WireState::Broken});
        } else if (input.input == k) {
            const int j = input.partner;
            const bool partnerUnknown = marks.wires[j].state == WireState::Unchecked;
            mark(marks.wires[k], {WireState::Crossed, j});
            if (partnerUnknown) mark(marks.wires[j], {WireState::Crossed, k});
        }
    }
}

void markTest1(WiringMarks& marks, const TestRecord& test) {
    if (test.failures.isEmpty()) {
        // Cut short, nothing records how far it got.
        if (test.outcome != Outcome::Pass) return;
        for (WireMark& wire : marks.wires) wire.state = WireState::Works;
        return;
    }
    for (int n = 0; n < test.failures.first().step && n < 8; ++n) marks.wires[n].state = WireState::Works;
    for (const FailedCheck& check : test.failures) markOneOutputStep(marks, check);
}

void markTest6(WiringMarks& marks, const TestRecord& test, const RunRecord& record) {
    std::optional<AnalogVolts> judged = test.failedReading;
    if (test.outcome == Outcome::Pass && !record.analog.isEmpty()) judged = record.analog.last();
    if (!judged) return;
    const QList<int> outOfRange = inputsOutOfRange(*judged);
    for (int input = 1; input <= 4; ++input)
        marks.analog[input - 1] = {outOfRange.contains(input) ? AnalogState::OutOfRange : AnalogState::InRange,
                                   (*judged)[input - 1]};
}

}  // namespace

QList<WrongInput> wrongInputsOf(int test, const FailedCheck& check) {
    const QList<int> inputs = wrongInputs(check);
    QList<WrongInput> wrong;
    if (test != 1) {
        for (int input : inputs) wrong << WrongInput{input, InputFault::Broken, input};
        return wrong;
    }
    const int k = check.step;
    const bool ownWrong = inputs.contains(k);
    const qsizetype others = inputs.size() - (ownWrong ? 1 : 0);
    for (int input : inputs) {
        if (ownWrong && others == 1) {
            const int partner = input == k ? inputs.value(inputs.first() == k ? 1 : 0) : k;
            wrong << WrongInput{input, InputFault::Crossed, k, partner};
        } else {
            wrong << WrongInput{input, input == k ? InputFault::Broken : InputFault::NotFollowing, k};
        }
    }
    return wrong;
}

WiringMarks diagnose(const RunRecord& record) {
    WiringMarks marks;
    marks.interrupted = record.outcome == Outcome::Interrupted;
    if (cardSilent(record)) {
        marks.cardSilent = true;
        return marks;
    }
    for (const TestRecord& test : record.tests) {
        if (test.test == 1) {
            markTest1(marks, test);
        } else if (test.test == 6) {
            markTest6(marks, test, record);
        } else {
            for (const FailedCheck& check : test.failures)
                for (int input : wrongInputs(check)) mark(marks.wires[input], {WireState::Broken});
        }
    }
    return marks;
}

int failedConnections(const WiringMarks& marks) {
    if (marks.cardSilent) return 1 << kSilentBit;
    int bits = 0;
    for (int input = 0; input < 8; ++input) {
        const WireMark& wire = marks.wires[input];
        if (wire.state == WireState::Broken) bits |= 1 << input;
        if (wire.state == WireState::Crossed) bits |= 1 << (kCrossedBit + input) | 1 << (kCrossedBit + wire.input);
    }
    for (int n = 0; n < 4; ++n)
        if (marks.analog[n].state == AnalogState::OutOfRange) bits |= 1 << (kAnalogBit + n);
    return bits;
}

WiringMarks allWorking() {
    WiringMarks marks;
    for (WireMark& wire : marks.wires) wire.state = WireState::Works;
    for (AnalogMark& input : marks.analog) input = {AnalogState::InRange, 4.98};
    return marks;
}
