#include "check/offscreen_check.h"

#include "autotest/form3.h"
#include "card/card.h"
#include "card/tick_timer.h"
#include "check/inputs_at_rest.h"
#include "check/run_recorder.h"
#include "widgets/list_box.h"

OffscreenCheck::OffscreenCheck(Card& card, Clock& clock, const QString& programFolder, Settings settings)
    : card_(card),
      settings_(settings),
      form3_(new Form3(card, clock, navigation_, programFolder)),
      recorder_(new RunRecorder(*form3_, clock)) {
    // The relays go off, and the inputs are read at rest, before anyone hears of the end.
    recorder_->setClosesOnVerdict(false);
    connect(form3_->List2, &ListBox::lineAdded, this, &OffscreenCheck::lineAdded);
    connect(recorder_, &RunRecorder::testStarted, this, &OffscreenCheck::testStarted);
    connect(recorder_, &RunRecorder::verdictReached, this, &OffscreenCheck::verdict);
    connect(recorder_, &RunRecorder::checkEnded, this, [this](const RunRecord& record) {
        record_ = record;
        emit ended(record);
    });
}

OffscreenCheck::~OffscreenCheck() {
    stop();
    delete form3_;
}

void OffscreenCheck::start(CheckKind kind) {
    if (portLost_ || running()) return;
    form3_->Form_Load();
    kind == CheckKind::Analog ? form3_->Command7_Click() : form3_->Command3_Click();
}

void OffscreenCheck::stop(std::optional<int> exitStatus) {
    if (portLost_ || inputsAtRestRead_ || !running()) return;
    switchOff();
    recorder_->close(Outcome::Interrupted, exitStatus);
}

void OffscreenCheck::portLost(std::optional<int> exitStatus) {
    portLost_ = true;
    stopTickTimers(form3_, false);
    recorder_->close(settings_.portLost, exitStatus);
}

bool OffscreenCheck::running() const {
    return recorder_->running();
}

void OffscreenCheck::verdict(bool passed) {
    switchOff();
    const Outcome outcome = passed ? Outcome::Pass : Outcome::Fail;
    const auto exitStatus = settings_.endsProgram ? std::optional(passed ? kCardPassed : kTestFailed) : std::nullopt;
    if (!wantsInputsAtRest(*recorder_, passed)) return recorder_->close(outcome, exitStatus);
    inputsAtRestRead_ = true;
    restRead_ = readInputsAtRest(card_, *recorder_);
    restRead_->start([this, outcome, exitStatus] {
        inputsAtRestRead_ = false;
        recorder_->close(outcome, exitStatus);
    });
}

// The test stops before the outputs go off, so no step can switch a relay on again.
void OffscreenCheck::switchOff() {
    stopTickTimers(form3_);
    card_.WriteOutputs(0);
}
