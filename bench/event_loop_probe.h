#ifndef BENCH_EVENT_LOOP_PROBE_H
#define BENCH_EVENT_LOOP_PROBE_H

#include <algorithm>
#include <cstdio>

#include <QElapsedTimer>
#include <QList>
#include <QTimer>

// How long the event loop takes to get to a timer that is due: every few milliseconds a precise
// timer falls due, and the probe notes how late it came. A window that blocks shows up here as it
// does to the window manager's ping.
class EventLoopProbe {
public:
    explicit EventLoopProbe(int everyMs = 5) : everyMs_(everyMs) {
        timer_.setTimerType(Qt::PreciseTimer);
        timer_.setSingleShot(true);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            delaysMs_ << (clock_.nsecsElapsed() - dueNs_) / 1e6;
            arm();
        });
    }
    void start() {
        clock_.start();
        arm();
    }
    void stop() { timer_.stop(); }
    double longestMs() const { return delaysMs_.isEmpty() ? 0 : *std::max_element(delaysMs_.begin(), delaysMs_.end()); }
    double percentileMs(double p) const { return percentile(delaysMs_, p); }
    qsizetype samples() const { return delaysMs_.size(); }

    static double percentile(QList<double> values, double p) {
        if (values.isEmpty()) return 0;
        std::sort(values.begin(), values.end());
        return values[std::min<qsizetype>(values.size() - 1, qsizetype(p / 100 * values.size()))];
    }

private:
    void arm() {
        dueNs_ = clock_.nsecsElapsed() + everyMs_ * 1'000'000LL;
        timer_.start(everyMs_);
    }

    int everyMs_;
    QTimer timer_;
    QElapsedTimer clock_;
    qint64 dueNs_ = 0;
    QList<double> delaysMs_;
};

#endif
