#ifndef BATCH_CARD_CHECK_H
#define BATCH_CARD_CHECK_H

#include <optional>

#include <QObject>

#include "card/task.h"
#include "history/run_record.h"
#include "widgets/navigation.h"

class Card;
class Clock;
class Form3;
class RunRecorder;

// The whole automatic sequence of one card, run by the test window itself kept out of sight, as
// --auto runs it: every port sequence, wait and verdict is the test window's own. At the end, and
// when it is stopped, the relays are switched off; after a failed read-back the inputs are read
// once more at rest, as --auto does, to tell a card that does not answer.
class CardCheck : public QObject {
    Q_OBJECT
public:
    CardCheck(Card& card, Clock& clock, const QString& programFolder);
    ~CardCheck() override;

    void start();
    // Gives the running check up at once: relays at 0, recorded as interrupted.
    void stop();
    bool running() const;
    // The port is gone, inside one of its operations: the check is recorded as interrupted, and the
    // tick that runs is left to run out by itself (every wait on a lost port ends at once).
    void portLost();
    RunRecorder& recorder() { return *recorder_; }
    Form3& window() { return *form3_; }

signals:
    void testStarted(int test);
    // Passed, failed or interrupted, with the relays already off.
    void ended(const RunRecord& record);

private:
    void verdict(bool passed);
    void switchOff();

    Card& card_;
    NoNavigation navigation_;
    Form3* form3_;
    RunRecorder* recorder_;
    bool portLost_ = false;
    bool readingAtRest_ = false;
    std::optional<Task<>> restRead_;
};

#endif
