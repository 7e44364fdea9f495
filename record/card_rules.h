#ifndef RECORD_CARD_RULES_H
#define RECORD_CARD_RULES_H

#include <array>

#include <QtGlobal>

// What the automatic tests find, and the card's rules they judge it by: nothing here needs a window.

// A read-back of the eight inputs in tests 1 to 5 that was not what the outputs just written give
// on a working card, with the test's counters at that moment.
struct FailedCheck {
    qint16 step = 0;            // TestStep
    qint16 round = 0;           // TestRound
    qint16 outputs = 0;         // the output byte written
    qint16 expectedInputs = 0;  // what a working card reads back
    qint16 inputs = 0;          // what was read
};

// Volts of analog inputs 1 to 4, as one tick of test 6 reads them.
using AnalogVolts = std::array<double, 4>;

// The card's rules, as the tests judge it; the record of a check and its wording need them without
// the window.
// What a working card reads back for an output byte: its complement.
constexpr qint16 expectedInputs(qint16 outputs) {
    return static_cast<qint16>(255 - outputs);
}
// Test 6's pass window for an analog input: above kAnalogLow and below kAnalogHigh volts.
constexpr double kAnalogLow = 4.5;
constexpr double kAnalogHigh = 5;
constexpr bool analogInRange(double volts) {
    return volts > kAnalogLow && volts < kAnalogHigh;
}

#endif
