#ifndef CARD_CARD_H
#define CARD_CARD_H

#include <array>
#include <coroutine>
#include <vector>

#include <QtGlobal>

#include "card/clock.h"
#include "card/task.h"

class Port;

// The card operations: the only code that talks to the port. The last output byte lives with the
// callers. Every sequence on the registers stays whole: an analog read that another sequence came
// into while it waited on its converter is read again from its control code.
class Card {
public:
    // A wait that ends a given time after the last port operation, so whatever runs in the
    // meantime does not make it longer. It ends at once on a port that has been lost.
    class Wait {
    public:
        Wait(Clock& clock, qint64 deadlineNs, bool skip) : clock_(clock), deadlineNs_(deadlineNs), skip_(skip) {}
        bool await_ready() const { return skip_ || clock_.nowNs() >= deadlineNs_; }
        void await_suspend(std::coroutine_handle<> waiting) {
            alarm_ = clock_.alarmAt(deadlineNs_, [waiting] { waiting.resume(); });
        }
        void await_resume() const noexcept {}

    private:
        Clock& clock_;
        qint64 deadlineNs_;
        bool skip_;
        Clock::Alarm alarm_;
    };

    // Resumes once no analog read is under way, after those that were waiting before.
    class IdleWait {
    public:
        explicit IdleWait(Card& card) : card_(card) {}
        IdleWait(const IdleWait&) = delete;
        ~IdleWait();
        bool await_ready() const { return !card_.mustWaitForIdle(); }
        void await_suspend(std::coroutine_handle<> waiting);
        void await_resume() const noexcept {}

    private:
        friend class Card;
        Card& card_;
        std::coroutine_handle<> waiting_;
    };

    Card(Port& port, Clock& clock);

    void WriteOutputs(qint16 value);
    qint16 ReadDigitalInputs();
    Task<qint16> ReadAnalogChannel(qint16 channelMask);
    // The settle waits of the tests, counted from the last port operation.
    Wait Sleep(qint32 milliseconds);
    // A digital read goes between two analog reads, never inside one.
    IdleWait Idle() { return IdleWait(*this); }
    // The port went away: from then on nothing reaches the card and every reading is meaningless.
    bool portLost() const;

    static qint16 StatusNibble(qint16 status);
    static qint16 ChannelMask(int channel) { return static_cast<qint16>(1 << channel); }
    static double RawToVolts(qint16 raw) { return static_cast<double>(raw * 5) / 256; }
    // Bit n of a byte at n: which inputs read 1, or which outputs a value switches on.
    static std::array<bool, 8> BitsOf(qint16 byte);

private:
    class AnalogRead;

    void out(qint16 port, qint16 value);
    qint16 in(qint16 port);
    qint16 readNibble(qint16 controlCode);
    void selectChannel(qint16 channelMask, qint16 readCode);
    bool mustWaitForIdle() const;
    void analogReadEnded();
    void wakeIdleWaiters();

    Port& port_;
    Clock& clock_;
    qint64 lastOperationNs_ = 0;
    // Counts the sequences begun, so an analog read can tell that another came in during its wait.
    quint64 sequences_ = 0;
    bool analogReadUnderWay_ = false;
    std::vector<IdleWait*> idleWaiters_;
    Clock::Alarm wake_;
};

#endif
