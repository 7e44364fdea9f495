#ifndef BENCH_WATCHED_CARD_H
#define BENCH_WATCHED_CARD_H

// What the benchmarks that time a user's action to the card share: the card that tells each output
// byte as it is written, and clicks and pauses on the real event loop.

#include <functional>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMouseEvent>
#include <QTimer>
#include <QWidget>

#include "card/port.h"
#include "card/registers.h"
#include "card/simulated_card.h"

// The simulated card, with the time of every output byte written to it.
class WatchedCard : public Port {
public:
    explicit WatchedCard(Clock& clock) : card_(clock) {}
    void PortOut(qint16 port, qint16 value) override {
        if (port == DataPort && control_ == CtrlWriteOutputs && onOutputs) onOutputs(value);
        if (port == ControlPort) control_ = value;
        card_.PortOut(port, value);
    }
    qint16 PortIn(qint16 port) override { return card_.PortIn(port); }
    std::function<void(qint16)> onOutputs;

private:
    SimulatedCard card_;
    qint16 control_ = -1;
};

inline void pause(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

inline void postClick(QWidget* button) {
    const QPointF at = QRectF(button->rect()).center();
    const QPointF global = button->mapToGlobal(at);
    QCoreApplication::postEvent(
        button, new QMouseEvent(QEvent::MouseButtonPress, at, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier));
    QCoreApplication::postEvent(
        button, new QMouseEvent(QEvent::MouseButtonRelease, at, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier));
}

// Does what, then waits for the next output byte that matches; gives back the milliseconds between.
inline double timeToWrite(WatchedCard& port, const std::function<bool(qint16)>& matches,
                          const std::function<void()>& what) {
    QElapsedTimer since;
    double ms = -1;
    QEventLoop loop;
    port.onOutputs = [&](qint16 value) {
        if (ms >= 0 || !matches(value)) return;
        ms = since.nsecsElapsed() / 1e6;
        QTimer::singleShot(0, &loop, &QEventLoop::quit);
    };
    since.start();
    what();
    if (ms < 0) loop.exec();
    port.onOutputs = nullptr;
    return ms;
}

#endif
