#include "card/card.h"

#include "card/clock.h"
#include "card/port.h"
#include "card/registers.h"

Card::Card(Port& port, Clock& clock) : port_(port), clock_(clock) {}

qint16 Card::StatusNibble(qint16 status) {
    return static_cast<qint16>((status & kStatusNibbleMask) / 8);
}

void Card::WriteOutputs(qint16 value) {
    port_.PortOut(ControlPort, CtrlWriteOutputs);
    port_.PortOut(DataPort, value);
}

qint16 Card::readNibble(qint16 controlCode) {
    port_.PortOut(ControlPort, controlCode);
    return StatusNibble(port_.PortIn(StatusPort));
}

qint16 Card::ReadDigitalInputs() {
    // The status lines are inverted: a line that reads 0 is an input that reads 1.
    const qint16 low = static_cast<qint16>(~readNibble(CtrlDigitalLow) & 15);
    const qint16 high = static_cast<qint16>(~readNibble(CtrlDigitalHigh) & 15);
    return static_cast<qint16>(high * 16 | low);
}

qint16 Card::ReadAnalogChannel(qint16 channelMask) {
    // The channel is selected afresh before each nibble, and the converter needs its settle time
    // between the control code and the status read.
    auto nibble = [&](qint16 readCode) {
        port_.PortOut(ControlPort, CtrlSelectBegin);
        port_.PortOut(DataPort, channelMask);
        port_.PortOut(ControlPort, CtrlSelectEnd);
        port_.PortOut(ControlPort, readCode);
        Sleep(kAnalogSettleMs);
        return static_cast<qint16>(StatusNibble(port_.PortIn(StatusPort)) & 15);
    };
    const qint16 low = nibble(CtrlAnalogLow);
    const qint16 high = nibble(CtrlAnalogHigh);
    return static_cast<qint16>(high * 16 | low);
}

void Card::Sleep(qint32 milliseconds) {
    if (beforeWait_) beforeWait_();
    clock_.Sleep(milliseconds);
}
