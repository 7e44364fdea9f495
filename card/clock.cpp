#include "card/clock.h"

#include <algorithm>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <ctime>

#include <sys/timerfd.h>
#include <unistd.h>

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

namespace {

// A sleeping processor takes tens of microseconds to wake, more under a virtual machine: the
// timerfd goes off this much before the deadline, and the rest is waited out awake.
constexpr qint64 kWakeEarlyNs = 200'000;

qint64 monotonicNs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return qint64(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

}  // namespace

RealClock::RealClock() : originNs_(monotonicNs()) {
    timerFd_ = timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
    if (timerFd_ < 0) qFatal("timerfd_create: %s", std::strerror(errno));
}

RealClock::~RealClock() {
    delete notifier_;
    close(timerFd_);
}

qint64 RealClock::nowNs() const {
    return monotonicNs() - originNs_;
}

void RealClock::schedule(quint64, qint64 deadlineNs) {
    if (armedNs_ < 0 || deadlineNs < armedNs_) arm();
}

void RealClock::unschedule(quint64) {
    // The timerfd stays armed: waking for a cancelled alarm costs one look at the pending ones.
}

// Armed at an absolute time: no rounding, and a deadline already past wakes at once.
void RealClock::arm() {
    // Made at the first alarm: the clock may be made before the application and its event loop.
    if (!notifier_) {
        notifier_ = new QSocketNotifier(timerFd_, QSocketNotifier::Read, this);
        connect(notifier_, &QSocketNotifier::activated, this, [this] { expired(); });
    }
    const auto next = earliest();
    itimerspec setting{};  // all zero: disarmed
    armedNs_ = -1;
    if (next != pending().cend()) {
        armedNs_ = next->second.deadlineNs;
        const qint64 at = std::max<qint64>(originNs_ + armedNs_ - kWakeEarlyNs, 1);  // 0 would disarm it
        setting.it_value = {time_t(at / 1'000'000'000), long(at % 1'000'000'000)};
    }
    timerfd_settime(timerFd_, TFD_TIMER_ABSTIME, &setting, nullptr);
}

// The alarm due first; of two due at once, the one set first.
std::map<quint64, Clock::Pending>::const_iterator RealClock::earliest() const {
    return std::min_element(pending().cbegin(), pending().cend(), [](const auto& a, const auto& b) {
        return std::pair(a.second.deadlineNs, a.first) < std::pair(b.second.deadlineNs, b.first);
    });
}

// Every alarm that is due, earliest first; each may arm or cancel others.
void RealClock::expired() {
    std::uint64_t expirations = 0;
    if (read(timerFd_, &expirations, sizeof expirations) < 0) {
        // Nothing to read: woken for an alarm that was armed again meanwhile. The alarms say what is due.
    }
    armedNs_ = -1;
    for (auto next = earliest(); next != pending().cend(); next = earliest()) {
        const qint64 deadline = next->second.deadlineNs;
        // Woken a little early, on purpose: the last moments are waited out here, awake.
        while (deadline > nowNs() && deadline - nowNs() <= kWakeEarlyNs) {
        }
        if (deadline > nowNs()) break;
        fire(next->first);
    }
    arm();
}
