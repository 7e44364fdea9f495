#include "autotest/form3.h"

#include <QPlainTextEdit>

#include "card/card.h"
#include "card/voltage_text.h"
#include "widgets/lamp.h"
#include "widgets/list_box.h"

namespace {

// The text names 4.8 V; the check itself (Form3::AnalogInRange) lets anything above 4.5 V pass.
const QString kTest6Description = QStringLiteral(
    "COMPROBANDO ENTRADAS ANALOGICAS. Los valores de cada entrada debe estar en un rango entre 4.8v y 5v. Se "
    "espera unos segundos.");

constexpr qint16 kTest6Ticks = 10;
constexpr int kCountdownRow = 0;
constexpr int kBlankRow = 1;
constexpr int kFirstInputRow = 2;

}  // namespace

// Test 6: ten ticks reading analog inputs 1 to 4; only the last tick's readings decide the verdict.
Task<> Form3::Timer6_Timer() {
    bool allCorrect = true;
    AnalogVolts readings{};
    showTest(kTest6Description, 6);
    List1->SetRow(kCountdownRow, QStringLiteral("COMPROBANDO ESTABILIDAD. Tiempo restante: %1").arg(9 - TestStep));
    List1->SetRow(kBlankRow, QString());
    for (int input = 1; input <= 4; ++input) {
        const double volts = Card::RawToVolts(co_await card_.ReadAnalogChannel(Card::ChannelMask(input - 1)));
        readings[input - 1] = volts;
        Text3[input]->setPlainText(VoltageText(volts));
        Shape3[input - 1]->setLit(volts != 0);
        const int row = kFirstInputRow + input - 1;
        if (AnalogInRange(volts)) {
            List1->SetRow(row, QStringLiteral("Entrada analogica %1 Correcta").arg(input));
        } else {
            List1->SetRow(row, QStringLiteral("Entrada analogica %1 INCORRECTA").arg(input));
            allCorrect = false;
        }
    }
    emit analogInputsRead(readings);

    ++TestStep;
    if (TestStep != kTest6Ticks) co_return;
    if (allCorrect) {
        List2->AddItem(QStringLiteral("TEST 6 CORRECTO"));
        List2->AddItem(QStringLiteral("FUNCIONAMIENTO DE LA TARJETA CORRECTO"));
        cardWorks_ = true;
    } else {
        addErrorPair();
    }
    Timer6->stop();
}
