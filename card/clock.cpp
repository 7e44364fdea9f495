#include "card/clock.h"

#include <algorithm>

#include <QTimerEvent>

Clock::Alarm::Alarm(Alarm&& other) noexcept
    : clock_(std::exchange(other.clock_, nullptr)), id_(std::exchange(other.id_, 0)) {}

Clock::Alarm& Clock::Alarm::operator=(Alarm&& other) noexcept {
    if (this != &other) {
        cancel();
        clock_ = std::exchange(other.clock_, nullptr);
        id_ = std::exchange(other.id_, 0);
    }
    return *this;
}

void Clock::Alarm::cancel() {
    Clock* clock = std::exchange(clock_, nullptr);
    if (!clock || !clock->pending_.erase(id_)) return;
    clock->unschedule(id_);
}

Clock::Alarm Clock::alarmAt(qint64 deadlineNs, std::function<void()> due) {
    const quint64 id = ++nextId_;
    pending_.emplace(id, Pending{deadlineNs, std::move(due)});
    schedule(id, deadlineNs);
    return Alarm(this, id);
}

void Clock::fire(quint64 id) {
    auto found = pending_.find(id);
    if (found == pending_.end()) return;
    std::function<void()> due = std::move(found->second.due);
    pending_.erase(found);
    due();
}

RealClock::RealClock() {
    started_.start();
}

void RealClock::startQtTimer(quint64 id, qint64 deadlineNs) {
    // Rounded up: a precise timer fires no earlier than asked, so neither does the alarm.
    const qint64 remainingNs = std::max<qint64>(0, deadlineNs - nowNs());
    const int timer = startTimer(int((remainingNs + kNsPerMs - 1) / kNsPerMs), Qt::PreciseTimer);
    byQtTimer_[timer] = id;
    qtTimerOf_[id] = timer;
}

void RealClock::schedule(quint64 id, qint64 deadlineNs) {
    startQtTimer(id, deadlineNs);
}

void RealClock::unschedule(quint64 id) {
    const auto timer = qtTimerOf_.find(id);
    if (timer == qtTimerOf_.end()) return;
    killTimer(timer->second);
    byQtTimer_.erase(timer->second);
    qtTimerOf_.erase(timer);
}

void RealClock::timerEvent(QTimerEvent* event) {
    const auto found = byQtTimer_.find(event->timerId());
    if (found == byQtTimer_.end()) return;
    const quint64 id = found->second;
    unschedule(id);
    const auto alarm = pending().find(id);
    if (alarm == pending().end()) return;
    if (nowNs() < alarm->second.deadlineNs)
        startQtTimer(id, alarm->second.deadlineNs);  // woken a fraction of a millisecond early
    else
        fire(id);
}
