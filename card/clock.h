#ifndef CARD_CLOCK_H
#define CARD_CLOCK_H

#include <QElapsedTimer>
#include <QtGlobal>

// Blocking waits and a monotonic time base. The simulated card keeps its time by the same clock
// that the program waits on, so a skipped wait shows up as a wrong reading.
class Clock {
public:
    virtual ~Clock() = default;
    virtual void Sleep(qint32 milliseconds) = 0;
    virtual qint64 elapsedMs() const = 0;
};

// Blocks the calling thread for real.
class RealClock : public Clock {
public:
    RealClock();
    void Sleep(qint32 milliseconds) override;
    qint64 elapsedMs() const override;

private:
    QElapsedTimer started_;
};

// Advances at once: a wait only moves the time forward.
class VirtualClock : public Clock {
public:
    void Sleep(qint32 milliseconds) override { now_ += milliseconds; }
    qint64 elapsedMs() const override { return now_; }
    void advance(qint64 milliseconds) { now_ += milliseconds; }

private:
    qint64 now_ = 0;
};

#endif
