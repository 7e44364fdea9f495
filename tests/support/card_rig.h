#ifndef TESTS_SUPPORT_CARD_RIG_H
#define TESTS_SUPPORT_CARD_RIG_H

#include <optional>

#include "card/card.h"
#include "card/card_faults.h"
#include "card/clock.h"
#include "card/simulated_card.h"
#include "tests/support/recording_port.h"

// A simulated card on a virtual clock, with every port operation and the time between them recorded.
// A scripted rig has no card behind the port: its status reads give the values it is told.
struct CardRig {
    explicit CardRig(CardFaults faults = {}) : sim(clock, std::move(faults)) {}
    struct Scripted {};
    explicit CardRig(Scripted) : sim(clock), recorder(clock) {}

    // Runs an analog read to its end on the virtual clock; -1 if it never ends.
    int readAnalog(int channelMask) {
        std::optional<qint16> raw;
        auto await = [](Task<qint16>& read, std::optional<qint16>& result) -> Task<> { result = co_await read; };
        Task<qint16> read = card.ReadAnalogChannel(qint16(channelMask));
        Task<> reader = await(read, raw);
        reader.start([] {});
        clock.runUntil([&] { return raw.has_value(); });
        return raw.value_or(-1);
    }

    VirtualClock clock;
    SimulatedCard sim;
    RecordingPort recorder{clock, &sim};
    Card card{recorder, clock};
};

#endif
