#ifndef CARD_VOLTAGE_TEXT_H
#define CARD_VOLTAGE_TEXT_H

#include <QLocale>
#include <QString>

// A voltage as the program writes it, with the locale's decimal separator and no group separator.
// The screens show every digit it has (shortest exact form, no exponent; 0 V shows as "0"); a list
// may ask for a fixed number of decimals.
QString VoltageText(double volts, const QLocale& locale = QLocale::system(),
                    int decimals = QLocale::FloatingPointShortest);

#endif
