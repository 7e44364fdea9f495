#ifndef CARD_CARD_H
#define CARD_CARD_H

#include <functional>

#include <QtGlobal>

class Clock;
class Port;

// The card operations: the only code that talks to the port. Stateless apart from the seams it
// is given; the last output byte lives with the callers.
class Card {
public:
    Card(Port& port, Clock& clock);

    void WriteOutputs(qint16 value);
    qint16 ReadDigitalInputs();
    qint16 ReadAnalogChannel(qint16 channelMask);
    // The operating system's blocking wait, for the tests' settle times.
    void Sleep(qint32 milliseconds);

    static qint16 StatusNibble(qint16 status);
    static qint16 ChannelMask(int channel) { return static_cast<qint16>(1 << channel); }
    static double RawToVolts(qint16 raw) { return static_cast<double>(raw * 5) / 256; }

    // Called before every blocking wait, so the windows can show what a handler has set so far.
    void setBeforeWait(std::function<void()> hook) { beforeWait_ = std::move(hook); }

private:
    qint16 readNibble(qint16 controlCode);

    Port& port_;
    Clock& clock_;
    std::function<void()> beforeWait_;
};

#endif
