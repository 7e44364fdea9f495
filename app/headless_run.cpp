#include "app/headless_run.h"

#include "autotest/form3.h"
#include "card/card.h"
#include "card/tick_timer.h"
#include "history/run_recorder.h"
#include "widgets/list_box.h"

HeadlessRun::HeadlessRun(Card& card, Clock& clock, const QString& programFolder,
                         std::function<void(const QString&)> printLine)
    : card_(card), form3_(new Form3(card, clock, *this, programFolder)), recorder_(new RunRecorder(*form3_, clock)) {
    recorder_->setEndsProgram(true);
    connect(form3_->List2, &ListBox::lineAdded, this, printLine);
    // The record outlives the window, which goes with the run.
    connect(recorder_, &RunRecorder::checkEnded, this, [this](const RunRecord& record) {
        record_ = record;
        // A lost port is met inside a tick, which must run out by itself rather than be given up.
        if (!portLost_) end(record.exitStatus.value_or(kTestFailed));
    });
}

HeadlessRun::~HeadlessRun() {
    delete form3_;
}

void HeadlessRun::start() {
    form3_->Form_Load();
    form3_->Command3_Click();
}

void HeadlessRun::stop(int exitStatus) {
    end(exitStatus);
    recorder_->close(Outcome::Interrupted, exitStatus);
}

void HeadlessRun::portLost(int exitStatus) {
    portLost_ = true;
    recorder_->close(Outcome::Fail, exitStatus);
}

void HeadlessRun::end(int exitStatus) {
    if (done_) return;
    done_ = true;
    stopTickTimers(form3_);
    card_.WriteOutputs(0);
    emit finished(exitStatus);
}
