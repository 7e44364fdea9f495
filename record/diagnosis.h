#ifndef RECORD_DIAGNOSIS_H
#define RECORD_DIAGNOSIS_H

#include <array>

#include <QList>

#include "record/run_record.h"

// The one diagnosis of a check: what its record says of each connection of the card. The words
// (standard error, the lists, the station, the sheet, a screen reader's description) and the marks
// of the wiring picture are both made from it, so they never disagree.

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

// What one wrong input of a failed step means. Test 1 switches output k alone on, so its input
// should read 0 and every other input 1:
// - input k did not answer and exactly one other input j did: output k reaches input j (Crossed,
//   named on both inputs);
// - input k did not answer otherwise: Broken;
// - another input j answered output k while input k read right, or with others: input j does not
//   follow its own output (stuck at 0, or joined to output k's wire), NotFollowing; never crossed,
//   which needs both inputs wrong.
// Tests 2 to 5 come after test 1 has passed: each input they read wrong is Broken.
enum class InputFault { Broken, Crossed, NotFollowing };
struct WrongInput {
    int input = 0;
    InputFault fault = InputFault::Broken;
    int output = 0;    // the output switched on alone (test 1), or the input's own
    int partner = -1;  // for Crossed: the other input of the pair

    bool operator==(const WrongInput&) const = default;
};
QList<WrongInput> wrongInputsOf(int test, const FailedCheck& check);

// The marks of a whole check. A connection counts as working once a test has passed over it, so a
// check that stopped or was cut short leaves the rest unchecked: test 1 stops at the first output
// that fails, so the outputs before it work; a crossed output whose partner's own output was never
// switched takes the partner's wire for the other half of the swap. Test 6 judges the readings of
// its last tick. A silent card (cardSilent) is marked as such, with nothing checked.
WiringMarks diagnose(const RunRecord& record);

// The connections a diagnosis names, as one number that a database counts by its bits: bit i
// (0 to 7) input i broken, bit kCrossedBit + i input i crossed (a crossed pair names both inputs),
// bit kAnalogBit + n - 1 analog input n out of range, kSilentBit the card not answering (which then
// names no input).
constexpr int kCrossedBit = 8;
constexpr int kAnalogBit = 16;
constexpr int kSilentBit = 20;
int failedConnections(const WiringMarks& marks);

// Every connection working, the analog inputs at full scale: what a good card shows.
WiringMarks allWorking();

#endif
