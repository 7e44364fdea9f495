#include "check/inputs_at_rest.h"

#include "card/card.h"
#include "check/run_recorder.h"

bool wantsInputsAtRest(const RunRecorder& recorder, bool passed) {
    return !passed && recorder.running() && firstFailedCheck(recorder.record());
}

Task<> readInputsAtRest(Card& card, RunRecorder& recorder) {
    co_await card.Sleep(kRestSettleMs);
    const qint16 inputs = card.ReadDigitalInputs();
    if (!card.portLost()) recorder.noteInputsAtRest(inputs);
}
