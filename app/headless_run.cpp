#include "app/headless_run.h"

#include "autotest/form3.h"
#include "card/card.h"
#include "card/tick_timer.h"
#include "history/rest_reading.h"
#include "history/run_recorder.h"
#include "widgets/list_box.h"

HeadlessRun::HeadlessRun(Card& card, Clock& clock, const QString& programFolder,
                         std::function<void(const QString&)> printLine)
    : card_(card),
      form3_(new Form3(card, clock, navigation_, programFolder)),
      recorder_(new RunRecorder(*form3_, clock)) {
    // The run closes the record itself, once the relays are off and the inputs read at rest.
    recorder_->setClosesOnVerdict(false);
    connect(recorder_, &RunRecorder::verdictReached, this, &HeadlessRun::verdict);
    connect(form3_->List2, &ListBox::lineAdded, this, printLine);
    // The record outlives the window, which goes with the run.
    connect(recorder_, &RunRecorder::checkEnded, this, [this](const RunRecord& record) { record_ = record; });
}

HeadlessRun::~HeadlessRun() {
    delete form3_;
}

void HeadlessRun::start() {
    form3_->Form_Load();
    form3_->Command3_Click();
}

void HeadlessRun::stop(int exitStatus) {
    if (!endTests()) return;
    recorder_->close(Outcome::Interrupted, exitStatus);
    emit finished(exitStatus);
}

// Met inside a tick, which must run out by itself rather than be given up.
void HeadlessRun::portLost(int exitStatus) {
    recorder_->close(Outcome::Fail, exitStatus);
}

bool HeadlessRun::endTests() {
    if (done_) return false;
    done_ = true;
    stopTickTimers(form3_);
    card_.WriteOutputs(0);
    return true;
}

// The reading at rest belongs to the end: with the relays already off, a signal then changes nothing.
void HeadlessRun::verdict(bool passed) {
    if (!endTests()) return;
    const int status = passed ? kCardPassed : kTestFailed;
    auto close = [this, passed, status] {
        recorder_->close(passed ? Outcome::Pass : Outcome::Fail, status);
        emit finished(status);
    };
    if (!wantsReadingAtRest(*recorder_, passed)) return close();
    restRead_ = readInputsAtRest(card_, *recorder_);
    restRead_->start(close);
}
