#ifndef CARD_VOLTAGE_TEXT_H
#define CARD_VOLTAGE_TEXT_H

#include <QLocale>
#include <QString>

// A voltage as the screens show it: every digit it has (shortest exact form, no exponent, no
// group separator) with the user's decimal separator; 0 V shows as "0".
QString VoltageText(double volts, const QLocale& locale = QLocale::system());

#endif
