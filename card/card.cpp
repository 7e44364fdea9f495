#include "card/card.h"

#include <algorithm>

#include "card/port.h"
#include "card/registers.h"

// Marks an analog read as under way for as long as its coroutine lives, also when it is given up.
class Card::AnalogRead {
public:
    explicit AnalogRead(Card& card) : card_(card) { card_.analogReadUnderWay_ = true; }
    ~AnalogRead() { card_.analogReadEnded(); }

private:
    Card& card_;
};

Card::IdleWait::~IdleWait() {
    std::erase(card_.idleWaiters_, this);
}

void Card::IdleWait::await_suspend(std::coroutine_handle<> waiting) {
    waiting_ = waiting;
    card_.idleWaiters_.push_back(this);
}

Card::Card(Port& port, Clock& clock) : port_(port), clock_(clock) {}

qint16 Card::StatusNibble(qint16 status) {
    return static_cast<qint16>((status & kStatusNibbleMask) / 8);
}

// Walked from bit 7 down with a remainder and the weights 128 to 1, as the panels light their lamps.
std::array<bool, 8> Card::BitsOf(qint16 byte) {
    static constexpr std::array<qint16, 8> kPowers{1, 2, 4, 8, 16, 32, 64, 128};
    std::array<bool, 8> bits{};
    qint16 remainder = byte;
    for (int n = 7; n >= 0; --n) {
        bits[n] = kPowers[n] <= remainder;
        if (bits[n]) remainder = static_cast<qint16>(remainder - kPowers[n]);
    }
    return bits;
}

void Card::out(qint16 port, qint16 value) {
    port_.PortOut(port, value);
    lastOperationNs_ = clock_.nowNs();
}

qint16 Card::in(qint16 port) {
    const qint16 value = port_.PortIn(port);
    lastOperationNs_ = clock_.nowNs();
    return value;
}

bool Card::portLost() const {
    return port_.lost();
}

bool Card::mustWaitForIdle() const {
    return !portLost() && (analogReadUnderWay_ || !idleWaiters_.empty());
}

void Card::WriteOutputs(qint16 value) {
    ++sequences_;
    out(ControlPort, CtrlWriteOutputs);
    out(DataPort, value);
}

qint16 Card::readNibble(qint16 controlCode) {
    out(ControlPort, controlCode);
    return StatusNibble(in(StatusPort));
}

qint16 Card::ReadDigitalInputs() {
    ++sequences_;
    // The status lines are inverted: a line that reads 0 is an input that reads 1.
    const qint16 low = static_cast<qint16>(~readNibble(CtrlDigitalLow) & 15);
    const qint16 high = static_cast<qint16>(~readNibble(CtrlDigitalHigh) & 15);
    return static_cast<qint16>(high * 16 | low);
}

void Card::selectChannel(qint16 channelMask, qint16 readCode) {
    out(ControlPort, CtrlSelectBegin);
    out(DataPort, channelMask);
    out(ControlPort, CtrlSelectEnd);
    out(ControlPort, readCode);
}

Task<qint16> Card::ReadAnalogChannel(qint16 channelMask) {
    co_await Idle();
    const AnalogRead underWay(*this);
    // The channel is selected afresh before each nibble, and the converter needs its settle time
    // between the control code and the status read.
    for (;;) {
        const quint64 sequence = ++sequences_;
        selectChannel(channelMask, CtrlAnalogLow);
        co_await Sleep(kAnalogSettleMs);
        if (sequences_ != sequence) continue;
        const qint16 low = static_cast<qint16>(StatusNibble(in(StatusPort)) & 15);
        selectChannel(channelMask, CtrlAnalogHigh);
        co_await Sleep(kAnalogSettleMs);
        if (sequences_ != sequence) continue;
        const qint16 high = static_cast<qint16>(StatusNibble(in(StatusPort)) & 15);
        co_return static_cast<qint16>(high * 16 | low);
    }
}

Card::Wait Card::Sleep(qint32 milliseconds) {
    return Wait(clock_, lastOperationNs_ + milliseconds * kNsPerMs, portLost());
}

void Card::analogReadEnded() {
    analogReadUnderWay_ = false;
    // The waiters go on from the event loop, not from inside a read that is being given up.
    if (!idleWaiters_.empty()) wake_ = clock_.alarmAt(clock_.nowNs(), [this] { wakeIdleWaiters(); });
}

void Card::wakeIdleWaiters() {
    while (!analogReadUnderWay_ && !idleWaiters_.empty()) {
        IdleWait* first = idleWaiters_.front();
        idleWaiters_.erase(idleWaiters_.begin());
        first->waiting_.resume();
    }
}
