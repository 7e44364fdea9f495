#ifndef TESTS_SUPPORT_CARD_RIG_H
#define TESTS_SUPPORT_CARD_RIG_H

#include "card/card.h"
#include "card/card_faults.h"
#include "card/clock.h"
#include "card/recording_port.h"
#include "card/simulated_card.h"

// A simulated card on a virtual clock, with every port operation and wait recorded on the way.
struct CardRig {
    explicit CardRig(CardFaults faults = {}) : sim(clock, std::move(faults)) {}

    VirtualClock clock;
    SimulatedCard sim;
    RecordingPort recorder{&sim, &clock};
    Card card{recorder, recorder};
};

#endif
