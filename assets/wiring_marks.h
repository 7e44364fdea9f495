#ifndef ASSETS_WIRING_MARKS_H
#define ASSETS_WIRING_MARKS_H

#include <array>

#include <QString>

// What a check found on each connection of the card, as the marked wiring picture shows it. Plain
// data: whoever knows the check fills it in, the picture and its description read it.

enum class WireState {
    Unchecked,  // the check never judged it
    Works,      // the input followed its output
    Broken,     // the input does not follow its output: a broken wire, a relay that does not switch, a stuck input
    Crossed,    // the output answered on another input
};

struct WireMark {
    WireState state = WireState::Unchecked;
    int input = -1;  // for Crossed: the input the output answered on

    bool operator==(const WireMark&) const = default;
};

enum class AnalogState { Unchecked, InRange, OutOfRange };

struct AnalogMark {
    AnalogState state = AnalogState::Unchecked;
    double volts = 0;  // the last reading, when checked

    bool operator==(const AnalogMark&) const = default;
};

struct WiringMarks {
    std::array<WireMark, 8> wires{};     // by output, 0 to 7
    std::array<AnalogMark, 4> analog{};  // analog inputs 1 to 4
    bool cardSilent = false;             // nothing answers: the cable or the power, no wire
    bool interrupted = false;            // the check was cut short

    bool operator==(const WiringMarks&) const = default;
};

// Every connection working, the analog inputs at full scale: what a good card shows.
WiringMarks allWorking();

// A voltage as the picture and its description write it: "4,49 V".
QString voltsLabel(double volts);

#endif
