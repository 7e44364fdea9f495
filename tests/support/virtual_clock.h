#ifndef TESTS_SUPPORT_VIRTUAL_CLOCK_H
#define TESTS_SUPPORT_VIRTUAL_CLOCK_H

#include <algorithm>
#include <functional>
#include <set>
#include <utility>

#include "card/clock.h"

// Time that moves only when told: the alarms fall due in order of their time, the earlier armed
// first when two share it, and no real time passes.
class VirtualClock : public Clock {
public:
    qint64 nowNs() const override { return nowNs_; }

    // Moves time forward, calling every alarm due on the way.
    void advance(qint64 milliseconds) {
        const qint64 targetNs = nowNs_ + milliseconds * kNsPerMs;
        while (fireNext(targetNs)) {
        }
        nowNs_ = targetNs;
    }

    // Calls the alarms in order until done() holds, no alarm is left or limitMs more have passed;
    // gives back whether done() holds.
    bool runUntil(const std::function<bool()>& done, qint64 limitMs = 600'000) {
        const qint64 limitNs = nowNs_ + limitMs * kNsPerMs;
        while (!done())
            if (!fireNext(limitNs)) return false;
        return true;
    }

    bool hasAlarms() const { return !queue_.empty(); }

protected:
    void schedule(quint64 id, qint64 deadlineNs) override { queue_.emplace(deadlineNs, id); }
    void unschedule(quint64 id) override {
        for (auto at = queue_.begin(); at != queue_.end(); ++at) {
            if (at->second != id) continue;
            queue_.erase(at);
            return;
        }
    }

private:
    // Calls the first alarm if it is due by limitNs; false when none is.
    bool fireNext(qint64 limitNs) {
        if (queue_.empty() || queue_.begin()->first > limitNs) return false;
        const auto [deadlineNs, id] = *queue_.begin();
        queue_.erase(queue_.begin());
        nowNs_ = std::max(nowNs_, deadlineNs);
        fire(id);
        return true;
    }

    qint64 nowNs_ = 0;
    std::set<std::pair<qint64, quint64>> queue_;
};

#endif
