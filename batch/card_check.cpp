#include "batch/card_check.h"

#include "autotest/form3.h"
#include "card/card.h"
#include "card/tick_timer.h"
#include "history/rest_reading.h"
#include "history/run_recorder.h"

CardCheck::CardCheck(Card& card, Clock& clock, const QString& programFolder)
    : card_(card),
      form3_(new Form3(card, clock, navigation_, programFolder)),
      recorder_(new RunRecorder(*form3_, clock)) {
    // The relays go off before anyone hears of the end, whatever ended the check.
    recorder_->setClosesOnVerdict(false);
    connect(recorder_, &RunRecorder::testStarted, this, &CardCheck::testStarted);
    connect(recorder_, &RunRecorder::verdictReached, this, &CardCheck::verdict);
    connect(recorder_, &RunRecorder::checkEnded, this, &CardCheck::ended);
}

CardCheck::~CardCheck() {
    stop();
    delete form3_;
}

void CardCheck::start() {
    if (portLost_) return;
    form3_->Form_Load();
    form3_->Command3_Click();
}

// While the inputs are read at rest the relays are off already, and the check ends by itself.
void CardCheck::stop() {
    if (portLost_ || readingAtRest_ || !recorder_->running()) return;
    switchOff();
    recorder_->close(Outcome::Interrupted);
}

void CardCheck::verdict(bool passed) {
    switchOff();
    if (!wantsReadingAtRest(*recorder_, passed)) return recorder_->close(passed ? Outcome::Pass : Outcome::Fail);
    readingAtRest_ = true;
    restRead_ = readInputsAtRest(card_, *recorder_);
    restRead_->start([this] {
        readingAtRest_ = false;
        recorder_->close(Outcome::Fail);
    });
}

void CardCheck::portLost() {
    portLost_ = true;
    stopTickTimers(form3_, false);
    recorder_->close(Outcome::Interrupted);
}

bool CardCheck::running() const {
    return recorder_->running();
}

// The test stops before the outputs go off, so no step can switch a relay on again.
void CardCheck::switchOff() {
    stopTickTimers(form3_);
    card_.WriteOutputs(0);
}
