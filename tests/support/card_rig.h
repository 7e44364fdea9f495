#ifndef TESTS_SUPPORT_CARD_RIG_H
#define TESTS_SUPPORT_CARD_RIG_H

#include <optional>

#include "card/card.h"
#include "card/card_faults.h"
#include "card/clock.h"
#include "card/simulated_card.h"
#include "tests/support/recording_port.h"
#include "tests/support/virtual_clock.h"

// A simulated card on a virtual clock, with every port operation and the time between them recorded.
// Without faults, no card is behind the port: its status reads give the values scripted on it.
struct CardRig {
    explicit CardRig(std::optional<CardFaults> faults = CardFaults())
        : sim(clock, faults.value_or(CardFaults())), recorder(clock, faults ? &sim : nullptr) {}

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
    RecordingPort recorder;
    Card card{recorder, clock};
};

#endif
