#include "card/simulated_card.h"

#include <bit>

#include "card/clock.h"
#include "card/registers.h"

SimulatedCard::SimulatedCard(Clock& clock, CardFaults faults) : clock_(clock), faults_(std::move(faults)) {}

void SimulatedCard::PortOut(qint16 port, qint16 value) {
    const int byte = value & 0xFF;
    if (port == DataPort) {
        data_ = byte;
        if (control_ == CtrlWriteOutputs && byte != relays_) {
            previousRelays_ = settledRelays();
            relays_ = byte;
            relaysChangedAt_ = clock_.elapsedMs();
        }
    } else if (port == ControlPort) {
        const int code = byte & 0x0F;
        if (code == CtrlSelectBegin) {
            selecting_ = true;
        } else if (code == CtrlSelectEnd && selecting_) {
            selecting_ = false;
            startConversion();
        } else if (code != CtrlSelectEnd) {
            selecting_ = false;
        }
        control_ = code;
    }
}

qint16 SimulatedCard::PortIn(qint16 port) {
    const int noise = static_cast<int>(noise_()) & 0x87;
    if (port != StatusPort) return static_cast<qint16>(noise_() & 0xFF);
    int nibble = static_cast<int>(noise_() >> 8) & 15;  // undriven lines float
    switch (control_) {
        case CtrlDigitalLow:
            nibble = digitalStatusLines() & 15;
            break;
        case CtrlDigitalHigh:
            nibble = digitalStatusLines() >> 4;
            break;
        case CtrlAnalogLow:
            nibble = converterNibble(false);
            break;
        case CtrlAnalogHigh:
            nibble = converterNibble(true);
            break;
        default:
            break;
    }
    if (faults_.absent) nibble = control_ & 2 ? kEmptyPortLines & 15 : kEmptyPortLines >> 4;
    return static_cast<qint16>(nibble << 3 | noise);
}

int SimulatedCard::settledRelays() const {
    return clock_.elapsedMs() - relaysChangedAt_ >= kRelaySettleMs ? relays_ : previousRelays_;
}

// A closed relay drives its input's status line high, which the program reads as input 0.
int SimulatedCard::digitalStatusLines() const {
    const int relays = settledRelays();
    int lines = 0;
    for (int n = 0; n < 8; ++n) {
        const int source = faults_.inputSource[n];
        bool high = source >= 0 && (relays >> source & 1);
        if (faults_.stuckInput[n]) high = *faults_.stuckInput[n] == 0;
        if (high) lines |= 1 << n;
    }
    return lines;
}

void SimulatedCard::startConversion() {
    channel_ = std::has_single_bit(static_cast<unsigned>(data_)) && data_ <= 8 ? std::countr_zero(unsigned(data_)) : -1;
    conversionStartedAt_ = clock_.elapsedMs();
    if (channel_ < 0) {
        conversionValue_ = 0;
        return;
    }
    // The program converts twice per reading, once for each nibble: one listed value per reading.
    const auto& readings = faults_.analogReadings[channel_];
    const std::size_t reading = static_cast<std::size_t>(conversions_[channel_]++ / 2);
    conversionValue_ = readings.empty() ? 255 : readings[std::min(reading, readings.size() - 1)];
}

int SimulatedCard::converterNibble(bool high) const {
    // A converter still busy puts nothing on the lines.
    if (channel_ < 0 || clock_.elapsedMs() - conversionStartedAt_ < kConversionMs) return 0;
    return high ? conversionValue_ >> 4 & 15 : conversionValue_ & 15;
}
