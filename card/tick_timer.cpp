#include "card/tick_timer.h"

TickTimer::TickTimer(Clock& clock, int intervalMs, std::function<Task<>()> tick, QObject* parent)
    : QObject(parent), clock_(clock), intervalMs_(intervalMs), tick_(std::move(tick)) {}

TickTimer::~TickTimer() {
    giveUp();
}

void TickTimer::start() {
    active_ = true;
    pending_ = false;
    nextNs_ = clock_.nowNs() + intervalMs_ * kNsPerMs;
    alarm_ = clock_.alarmAt(nextNs_, [this] { fire(); });
    emit started();
}

void TickTimer::stop() {
    active_ = false;
    pending_ = false;
    alarm_.cancel();
}

void TickTimer::giveUp() {
    pending_ = false;
    running_.reset();
}

void TickTimer::fire() {
    nextNs_ += intervalMs_ * kNsPerMs;
    alarm_ = clock_.alarmAt(nextNs_, [this] { fire(); });
    if (running_)
        pending_ = true;
    else
        runTick();
}

void TickTimer::runTick() {
    running_ = std::make_unique<Task<>>(tick_());
    running_->start([this] { tickReturned(); });
}

void TickTimer::tickReturned() {
    running_.reset();
    emit tickEnded();
    // stop() drops a pending tick, so one still pending belongs to a running timer.
    if (pending_ && !running_) {
        pending_ = false;
        runTick();
    }
}

void stopTickTimers(QObject* window, bool giveUpTicks) {
    for (TickTimer* timer : window->findChildren<TickTimer*>()) {
        timer->stop();
        if (giveUpTicks) timer->giveUp();
    }
}
