#ifndef CARD_TICK_TIMER_H
#define CARD_TICK_TIMER_H

#include <functional>
#include <memory>

#include <QObject>

#include "card/clock.h"
#include "card/task.h"

// A window's timer whose handler is a sequence with waits. It fires every interval on the clock,
// and its ticks never overlap: firing while a tick runs gives exactly one more tick as soon as that
// one has returned; missed ticks are not made up.
class TickTimer : public QObject {
    Q_OBJECT
public:
    TickTimer(Clock& clock, int intervalMs, std::function<Task<>()> tick, QObject* parent);
    ~TickTimer() override;

    // The first tick comes one interval from now.
    void start();
    // No tick starts any more; a tick that runs goes on to its end.
    void stop();
    bool isActive() const { return active_; }
    int interval() const { return intervalMs_; }
    bool tickRunning() const { return running_ != nullptr; }
    // The running tick is given up at its wait: nothing more of it runs.
    void giveUp();

signals:
    void started();
    void tickEnded();

private:
    void fire();
    void runTick();
    void tickReturned();

    Clock& clock_;
    int intervalMs_;
    std::function<Task<>()> tick_;
    bool active_ = false;
    qint64 nextNs_ = 0;
    Clock::Alarm alarm_;
    std::unique_ptr<Task<>> running_;  // (an optional here trips GCC 14's -Wmaybe-uninitialized)
    bool pending_ = false;
};

// Stops every tick timer of a window and gives up their running ticks: what leaving or unloading
// the window does to its timers. From inside a tick of the window, the ticks must run out instead.
void stopTickTimers(QObject* window, bool giveUpTicks = true);

#endif
