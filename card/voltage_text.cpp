#include "card/voltage_text.h"

QString VoltageText(double volts, const QLocale& locale, int decimals) {
    QLocale plain(locale);
    plain.setNumberOptions(plain.numberOptions() | QLocale::OmitGroupSeparator);
    return plain.toString(volts, 'f', decimals);
}
