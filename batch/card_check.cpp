#include "batch/card_check.h"

#include "autotest/form3.h"
#include "card/card.h"
#include "card/tick_timer.h"
#include "history/run_recorder.h"

CardCheck::CardCheck(Card& card, Clock& clock, const QString& programFolder)
    : card_(card), form3_(new Form3(card, clock, *this, programFolder)), recorder_(new RunRecorder(*form3_, clock)) {
    connect(recorder_, &RunRecorder::testStarted, this, &CardCheck::testStarted);
    // The relays go off before anyone hears of the end, whatever ended the check.
    connect(recorder_, &RunRecorder::checkEnded, this, [this](const RunRecord& record) {
        if (!portLost_) switchOff();
        emit ended(record);
    });
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

// Closing the record switches the relays off (above).
void CardCheck::stop() {
    if (!portLost_) recorder_->close(Outcome::Interrupted);
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
