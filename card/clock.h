#ifndef CARD_CLOCK_H
#define CARD_CLOCK_H

#include <functional>
#include <map>

#include <QObject>
#include <QSocketNotifier>
#include <QtGlobal>

inline constexpr qint64 kNsPerMs = 1'000'000;

// The time base of the program and the alarms that end its waits. The simulated card keeps its
// time by the same clock, so a wait that ends too early shows up as a wrong reading.
class Clock {
public:
    // A call that is due at a given time; destroying the alarm cancels it.
    class Alarm {
    public:
        Alarm() = default;
        Alarm(Alarm&& other) noexcept;
        Alarm& operator=(Alarm&& other) noexcept;
        ~Alarm() { cancel(); }
        void cancel();

    private:
        friend class Clock;
        Alarm(Clock* clock, quint64 id) : clock_(clock), id_(id) {}
        Clock* clock_ = nullptr;
        quint64 id_ = 0;
    };

    virtual ~Clock() = default;
    virtual qint64 nowNs() const = 0;
    qint64 elapsedMs() const { return nowNs() / kNsPerMs; }
    // due is called from the event loop once the clock reads deadlineNs or later, never earlier.
    [[nodiscard]] Alarm alarmAt(qint64 deadlineNs, std::function<void()> due);

protected:
    struct Pending {
        qint64 deadlineNs;
        std::function<void()> due;
    };
    virtual void schedule(quint64 id, qint64 deadlineNs) = 0;
    virtual void unschedule(quint64 id) = 0;
    // Takes the alarm out before calling it, so the call may arm or cancel alarms freely.
    void fire(quint64 id);
    const std::map<quint64, Pending>& pending() const { return pending_; }

private:
    std::map<quint64, Pending> pending_;
    quint64 nextId_ = 0;
};

// Real time on CLOCK_MONOTONIC, with the alarms on one timerfd armed for the earliest of them and
// watched by the event loop: an alarm ends within the loop's wake-up of its deadline, to a fraction
// of a millisecond, where a Qt timer would round it up to a whole one.
class RealClock : public QObject, public Clock {
public:
    RealClock();
    ~RealClock() override;
    qint64 nowNs() const override;

protected:
    void schedule(quint64 id, qint64 deadlineNs) override;
    void unschedule(quint64 id) override;

private:
    void arm();
    void expired();
    std::map<quint64, Pending>::const_iterator earliest() const;

    qint64 originNs_ = 0;  // CLOCK_MONOTONIC when the clock was made
    int timerFd_ = -1;
    QSocketNotifier* notifier_ = nullptr;
    qint64 armedNs_ = -1;  // the deadline the timerfd is armed for, or -1
};

#endif
