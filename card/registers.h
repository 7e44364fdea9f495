#ifndef CARD_REGISTERS_H
#define CARD_REGISTERS_H

#include <QtGlobal>

// The first parallel port, numbered in decimal as the card's documentation does.
inline constexpr qint16 DataPort = 888;
inline constexpr qint16 StatusPort = 889;
inline constexpr qint16 ControlPort = 890;

// Control codes: the code written just before a status read chooses which nibble the card
// puts on status bits 3 to 6. Bit 0 set: digital inputs; bit 1 set: low nibble.
inline constexpr qint16 CtrlWriteOutputs = 7;
inline constexpr qint16 CtrlDigitalLow = 3;
inline constexpr qint16 CtrlDigitalHigh = 1;
inline constexpr qint16 CtrlSelectBegin = 5;
inline constexpr qint16 CtrlSelectEnd = 8;
inline constexpr qint16 CtrlAnalogLow = 2;
inline constexpr qint16 CtrlAnalogHigh = 0;

// Status bits 3 to 6 carry the card's nibble; bits 0 to 2 and 7 mean nothing.
inline constexpr qint16 kStatusNibbleMask = 0x78;

// Settle time of the converter after a channel selection, waited before each nibble read.
inline constexpr qint32 kAnalogSettleMs = 50;

#endif
