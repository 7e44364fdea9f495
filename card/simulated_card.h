#ifndef CARD_SIMULATED_CARD_H
#define CARD_SIMULATED_CARD_H

#include <random>

#include "card/card_faults.h"
#include "card/port.h"

class Clock;

// A model of the card behind the same three registers as the real one. It keeps time by the
// clock it is given: relays take a few milliseconds to settle and the converter needs time after
// a selection, so a read that comes too early gives a wrong value. Status bits the card does not
// drive carry noise.
class SimulatedCard : public Port {
public:
    static constexpr qint64 kRelaySettleMs = 5;
    static constexpr qint64 kConversionMs = 20;
    // What the status lines of a port with nothing on it showed, high nibble first: whichever
    // control code selects the low (bit 1 set) or the high nibble, the same lines, whatever the
    // outputs do. As inputs: 1, 3, 4, 5 and 7 read 0.
    static constexpr int kEmptyPortLines = 0xBA;

    explicit SimulatedCard(Clock& clock, CardFaults faults = {});

    void PortOut(qint16 port, qint16 value) override;
    qint16 PortIn(qint16 port) override;

    int relays() const { return relays_; }

private:
    int settledRelays() const;
    int digitalStatusLines() const;
    int converterNibble(bool high) const;
    void startConversion();

    Clock& clock_;
    CardFaults faults_;
    std::minstd_rand noise_{1234};

    int control_ = 0;
    int data_ = 0;
    int relays_ = 0;
    int previousRelays_ = 0;
    qint64 relaysChangedAt_ = -1000;
    bool selecting_ = false;
    int channel_ = -1;
    int conversionValue_ = 0;
    qint64 conversionStartedAt_ = -1000;
    std::array<int, 4> conversions_{};
};

#endif
