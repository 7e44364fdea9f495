#include "assets/wiring_marks.h"

#include <QLocale>

#include "card/voltage_text.h"

WiringMarks allWorking() {
    WiringMarks marks;
    for (WireMark& wire : marks.wires) wire.state = WireState::Works;
    for (AnalogMark& input : marks.analog) input = {AnalogState::InRange, 4.98};
    return marks;
}

QString voltsLabel(double volts) {
    static const QLocale spanish(QLocale::Spanish, QLocale::Spain);
    return VoltageText(volts, spanish, 2) + QStringLiteral(" V");
}
