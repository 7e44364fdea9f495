#ifndef APP_HEADLESS_RUN_H
#define APP_HEADLESS_RUN_H

#include <functional>
#include <optional>

#include <QObject>

#include "card/task.h"
#include "history/run_record.h"
#include "widgets/navigation.h"

class Card;
class Clock;
class Form3;
class RunRecorder;

// The headless run of --auto: the automatic sequence once, from test 1, on the test window itself
// kept out of sight. Each verdict line is passed on as it is written, and at the end the relays
// are switched off and the run finishes with 0 for a good card or 1 for a failed test. What the
// run finds is kept in its record; after a failed digital check that includes the inputs read once
// more with the relays off, which tells a card that does not answer from a wiring fault.
class HeadlessRun : public QObject {
    Q_OBJECT
public:
    static constexpr int kCardPassed = 0;
    static constexpr int kTestFailed = 1;

    HeadlessRun(Card& card, Clock& clock, const QString& programFolder, std::function<void(const QString&)> printLine);
    ~HeadlessRun() override;

    void start();
    Form3& window() { return *form3_; }
    // What keeps the record of the check, for whoever else wants to follow it.
    RunRecorder& recorder() { return *recorder_; }
    // Switches the relays off and ends at once, as for a signal: the record says interrupted.
    void stop(int exitStatus);
    // The port is gone: the record closes as failed with that status, and nothing read later counts.
    void portLost(int exitStatus);
    // The record of the check once it has ended.
    const RunRecord& record() const { return record_; }

signals:
    void finished(int exitStatus);

private:
    void verdict(bool passed);
    // Stops the tests and switches the relays off; false when the run had ended already.
    bool endTests();

    Card& card_;
    NoNavigation navigation_;
    Form3* form3_;
    RunRecorder* recorder_;
    bool done_ = false;
    std::optional<Task<>> restRead_;
    RunRecord record_;
};

#endif
