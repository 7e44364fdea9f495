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
    : card_(card), form3_(new Form3(card, clock, *this, programFolder)) {
    connect(form3_->List2, &ListBox::lineAdded, this, [printLine](const QString& line) { printLine(line); });
    connect(form3_, &Form3::sequenceEnded, this, &HeadlessRun::sequenceEnded);
}

HeadlessRun::~HeadlessRun() {
    delete form3_;
}

void HeadlessRun::start() {
    form3_->Form_Load();
    form3_->Command3_Click();
}

void HeadlessRun::sequenceEnded() {
    const QStringList verdicts = form3_->List2->lines();
    stop(!verdicts.isEmpty() && verdicts.last() == kCardWorks ? kCardPassed : kTestFailed);
}

void HeadlessRun::stop(int exitStatus) {
    if (done_) return;
    done_ = true;
    stopTickTimers(form3_);
    card_.WriteOutputs(0);
    emit finished(exitStatus);
}
