#ifndef RECORD_RUN_RECORD_H
#define RECORD_RUN_RECORD_H

#include <optional>

#include <QDateTime>
#include <QList>
#include <QStringList>

#include "card/clock.h"
#include "record/card_rules.h"

enum class Outcome { Running, Pass, Fail, Interrupted };

// What was started: " INICIAR     TEST " (the whole sequence) or "INICIAR TEST ANALOGICO" alone.
enum class CheckKind { Sequence, Analog };

// What ran the check: the test window on screen, --auto, or the window for a stack of cards
// (--batch); Unknown for a check kept by a later program with a mode of its own.
enum class CheckMode { Window, Headless, Batch, Unknown };

// One test of the run, from its timer's start to its end on the program's clock.
struct TestRecord {
    int test = 0;
    Outcome outcome = Outcome::Running;
    qint64 startedNs = 0;
    qint64 endedNs = 0;
    QList<FailedCheck> failures;               // tests 1 to 5
    std::optional<AnalogVolts> failedReading;  // a failed test 6: the readings of its last tick

    qint64 durationMs() const { return (endedNs - startedNs) / kNsPerMs; }
};

// What one check did and found, kept as it happens, for the report, the history and the diagnosis;
// a check read back from the history is the same record.
struct RunRecord {
    CheckKind kind = CheckKind::Sequence;
    QDateTime started;
    QDateTime finished;
    Outcome outcome = Outcome::Running;
    std::optional<int> exitStatus;  // only a headless run ends the program with the check
    QStringList lines;              // what List2 received
    QList<TestRecord> tests;        // every test that started, in order
    // After a failed check of tests 1 to 5: the inputs read once more at the run's own end, with
    // every output off.
    std::optional<qint16> inputsAtRest;
    QList<AnalogVolts> analog;  // every tick of test 6
};

// Where and how a check ran: the same for every check of one run of the program, but the card.
struct CheckContext {
    QString card;  // the card's label, empty when none was given
    CheckMode mode = CheckMode::Window;
    QString device;      // the parallel port's device; empty for the simulated card
    QStringList faults;  // the --fault options as given
    QString station;     // the station's name (--station); empty in a check kept before it was

    bool simulated() const { return device.isEmpty(); }
};

// The inputs, 0 to 7, that did not read what they should.
QList<int> wrongInputs(const FailedCheck& check);
// The analog inputs, 1 to 4, outside test 6's pass window.
QList<int> inputsOutOfRange(const AnalogVolts& volts);
// The first failed check of tests 1 to 5, if any.
const FailedCheck* firstFailedCheck(const RunRecord& record);
// The failed checks of one test, each told once: test 1 reads every step twice, and a wrong
// reading met again in the same step and round is the same fault.
QList<FailedCheck> distinctFailures(const TestRecord& test);
// Nothing on the port follows the outputs: where the run stopped, the inputs read with outputs on
// what they read with every output off, and that is not what a card reads with its outputs off.
// No wire can do that; a missing cable, an unpowered card or the wrong port can.
bool cardSilent(const RunRecord& record);

#endif
