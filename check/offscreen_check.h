#ifndef CHECK_OFFSCREEN_CHECK_H
#define CHECK_OFFSCREEN_CHECK_H

#include <optional>

#include <QObject>

#include "card/task.h"
#include "record/run_record.h"
#include "widgets/navigation.h"

class Card;
class Clock;
class Form3;
class RunRecorder;

// One check of the card run by the test window itself kept out of sight, as --auto and the station
// for a stack of cards run theirs: every port sequence, wait and verdict is the test window's own,
// and the check is recorded as it runs. At the end, and when it is stopped, the relays are switched
// off; after a failed read-back the inputs are read once more at rest, which tells a card that does
// not answer at all from a wiring fault.
class OffscreenCheck : public QObject {
    Q_OBJECT
public:
    static constexpr int kCardPassed = 0;
    static constexpr int kTestFailed = 1;

    struct Settings {
        // What a check cut short by a lost port counts as.
        Outcome portLost = Outcome::Interrupted;
        // Whether the program ends with the check, so that its record keeps the exit status: 0 for
        // a good card, 1 for a failed test, and whatever stop or portLost are given.
        bool endsProgram = false;
    };

    OffscreenCheck(Card& card, Clock& clock, const QString& programFolder, Settings settings);
    ~OffscreenCheck() override;

    // The whole sequence from test 1, or the analog test alone.
    void start(CheckKind kind = CheckKind::Sequence);
    // Gives the running check up at once: the relays at 0, recorded as interrupted. While the
    // inputs are read at rest the relays are off already, and the check ends by itself.
    void stop(std::optional<int> exitStatus = std::nullopt);
    // The port is gone, inside one of its operations: the check is recorded as the settings say,
    // and the tick that runs is left to run out by itself (every wait on a lost port ends at once).
    void portLost(std::optional<int> exitStatus = std::nullopt);
    bool running() const;
    RunRecorder& recorder() { return *recorder_; }
    Form3& window() { return *form3_; }
    // The record of the last check that ended; it outlives the window.
    const RunRecord& record() const { return record_; }

signals:
    // Each verdict line as the test window's List2 receives it.
    void lineAdded(const QString& line);
    void testStarted(int test);
    // Passed, failed or interrupted, with the relays already off.
    void ended(const RunRecord& record);

private:
    void verdict(bool passed);
    void switchOff();

    Card& card_;
    const Settings settings_;
    NoNavigation navigation_;
    Form3* form3_;
    RunRecorder* recorder_;
    bool portLost_ = false;
    bool inputsAtRestRead_ = false;
    std::optional<Task<>> restRead_;
    RunRecord record_;
};

#endif
