#ifndef CARD_PORT_H
#define CARD_PORT_H

#include <QtGlobal>

// The byte-wide port access the card is driven through. A backend maps the three registers of the
// first parallel port (888, 889, 890) onto whatever really carries them.
class Port {
public:
    virtual ~Port() = default;
    // Writes the low 8 bits of value to the register at once.
    virtual void PortOut(qint16 port, qint16 value) = 0;
    // Reads one byte from the register; the caller masks what it uses.
    virtual qint16 PortIn(qint16 port) = 0;
    // A port that has gone away carries nothing any more, so nothing waits on it.
    virtual bool lost() const { return false; }
};

#endif
