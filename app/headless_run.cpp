#include "app/headless_run.h"

#include "autotest/form3.h"
#include "card/card.h"
#include "card/tick_timer.h"
#include "widgets/list_box.h"

namespace {
const QString kCardWorks = QStringLiteral("FUNCIONAMIENTO DE LA TARJETA CORRECTO");
}

HeadlessRun::HeadlessRun(Card& card, Clock& clock, const QString& programFolder,
                         std::function<void(const QString&)> printLine)
    : card_(card), clock_(clock), form3_(new Form3(card, clock, *this, programFolder)) {
    connect(form3_->List2, &ListBox::lineAdded, this, [this, printLine](const QString& line) {
        if (recording()) record_.lines << line;
        printLine(line);
    });
    connect(form3_, &Form3::sequenceEnded, this, &HeadlessRun::sequenceEnded);
    const std::array<TickTimer*, 6> timers{form3_->Timer1, form3_->Timer2, form3_->Timer3,
                                           form3_->Timer4, form3_->Timer5, form3_->Timer6};
    for (int test = 1; test <= 6; ++test)
        connect(timers[test - 1], &TickTimer::started, this, [this, test] { testStarted(test); });
    // A check fails only in the tick of the test that started last.
    connect(form3_, &Form3::inputsWrong, this, [this](const FailedCheck& check) {
        if (recording() && !record_.tests.isEmpty()) record_.tests.last().failures << check;
    });
    connect(form3_, &Form3::analogInputsRead, this, [this](const AnalogVolts& volts) {
        if (recording()) record_.analog << volts;
    });
}

HeadlessRun::~HeadlessRun() {
    delete form3_;
}

void HeadlessRun::start() {
    record_.started = QDateTime::currentDateTime();
    form3_->Form_Load();
    form3_->Command3_Click();
}

// A test's timer starts only once the test before it has passed.
void HeadlessRun::testStarted(int test) {
    if (!recording()) return;
    if (!record_.tests.isEmpty()) {
        record_.tests.last().outcome = Outcome::Pass;
        record_.tests.last().endedNs = clock_.nowNs();
    }
    record_.tests << TestRecord{test, Outcome::Running, clock_.nowNs(), 0, {}, {}};
}

void HeadlessRun::sequenceEnded() {
    const QStringList verdicts = form3_->List2->lines();
    const bool passed = !verdicts.isEmpty() && verdicts.last() == kCardWorks;
    // Test 6 judges the readings of its last tick only.
    if (!passed && recording() && record_.tests.last().test == 6)
        record_.tests.last().failedReading = record_.analog.last();
    end(passed ? Outcome::Pass : Outcome::Fail, passed ? kCardPassed : kTestFailed);
}

void HeadlessRun::stop(int exitStatus) {
    end(Outcome::Interrupted, exitStatus);
}

void HeadlessRun::portLost(int exitStatus) {
    portGone_ = true;
    closeRecord(Outcome::Fail, exitStatus);
}

// The reading at rest belongs to the end: with the relays already off, a signal then changes nothing.
void HeadlessRun::end(Outcome outcome, int exitStatus) {
    if (done_) return;
    done_ = true;
    stopTickTimers(form3_);
    card_.WriteOutputs(0);
    closeRecord(outcome, exitStatus);
    if (outcome != Outcome::Fail || !firstFailedCheck(record_)) {
        emit finished(exitStatus);
        return;
    }
    restRead_ = readAtRest();
    restRead_->start([this, exitStatus] { emit finished(exitStatus); });
}

// The designed sequence reads nothing with every output off before its first failed check.
Task<> HeadlessRun::readAtRest() {
    co_await card_.Sleep(kRestSettleMs);
    const qint16 inputs = card_.ReadDigitalInputs();
    if (!portGone_) record_.inputsAtRest = inputs;  // nothing read from a port that is gone counts
}

// The running test ends with the run.
void HeadlessRun::closeRecord(Outcome outcome, int exitStatus) {
    if (!recording()) return;
    if (!record_.tests.isEmpty()) {
        TestRecord& last = record_.tests.last();
        last.outcome = outcome;
        last.endedNs = clock_.nowNs();
    }
    record_.outcome = outcome;
    record_.exitStatus = exitStatus;
    record_.finished = QDateTime::currentDateTime();
}
