#include "card/clock.h"

#include <chrono>
#include <thread>

RealClock::RealClock() {
    started_.start();
}

void RealClock::Sleep(qint32 milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

qint64 RealClock::elapsedMs() const {
    return started_.elapsed();
}
