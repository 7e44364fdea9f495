#ifndef CHECK_INPUTS_AT_REST_H
#define CHECK_INPUTS_AT_REST_H

#include <QtGlobal>

#include "card/task.h"

class Card;
class RunRecorder;

// From switching the relays off to reading the inputs at rest, as test 1 lets its relays settle.
inline constexpr qint32 kRestSettleMs = 100;

// Whether a check that has just reached its verdict wants its inputs read once more at rest: after
// a failed read-back of tests 1 to 5, where a card that does not answer at all looks like a wiring
// fault, and the designed sequence read nothing with every output off before it failed.
bool wantsInputsAtRest(const RunRecorder& recorder, bool passed);

// With the relays already off: waits for them to settle and reads the inputs once more into the
// check's record. Nothing read from a port that is gone counts.
Task<> readInputsAtRest(Card& card, RunRecorder& recorder);

#endif
