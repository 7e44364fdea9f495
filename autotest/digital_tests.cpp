#include "autotest/form3.h"

#include <QPlainTextEdit>

#include "card/card.h"
#include "widgets/list_box.h"

namespace {

const QString kTest1Description = QStringLiteral(
    "COMPROBANDO SALIDAS Y ENTRADAS DIGITALES. Se iran activando y desactivando, dos veces, una por una, todas "
    "las salidas por rele");
const QString kTest2Description =
    QStringLiteral("COMPROBANDO SALIDAS Y ENTRADAS DIGITALES. Las salidas por rele realizan un efecto cortina lento");
const QString kTest3Description =
    QStringLiteral("COMPROBANDO SALIDAS Y ENTRADAS DIGITALES. Las salidas por rele realizan un efecto cortina rapido");

constexpr qint16 kOutputs = 8;
constexpr qint32 kTest1SettleMs = 100;
constexpr qint32 kTest1HoldMs = 500;
constexpr qint32 kCurtainSettleMs = 50;
constexpr qint16 kTest3Passes = 4;

qint16 outputValue(qint16 output) {
    return static_cast<qint16>(1 << output);
}

QString passLine(qint16 output) {
    return QStringLiteral("Entrada Nº %1 correcta").arg(output);
}

}  // namespace

Task<bool> Form3::verifiedSwitching(qint16 value, qint32 settleMs) {
    card_.WriteOutputs(value);
    co_await card_.Sleep(settleMs);
    ShowOutputs(value);
    co_return readBackWrong(value);
}

// Test 1 shows the inputs with every output off too, but does not judge them.
Task<> Form3::switchOff() {
    card_.WriteOutputs(0);
    co_await card_.Sleep(kTest1SettleMs);
    ShowOutputs(0);
    ReadAndShowInputs();
}

void Form3::failureReport(TickTimer* timer) {
    timer->stop();
    addErrorPair();
}

// Test 1: output k on and off twice, verified each time it is on.
Task<> Form3::Timer1_Timer() {
    showTest(kTest1Description, 1);
    const qint16 output = TestStep;
    bool failed = false;
    if (co_await verifiedSwitching(outputValue(output), kTest1SettleMs)) {
        failureReport(Timer1);
        failed = true;
    } else {
        List1->AddItem(passLine(output));
    }
    co_await card_.Sleep(kTest1HoldMs);
    co_await switchOff();
    co_await card_.Sleep(kTest1HoldMs);
    if (co_await verifiedSwitching(outputValue(output), kTest1SettleMs)) {
        failureReport(Timer1);
        failed = true;
    }
    co_await card_.Sleep(kTest1HoldMs);
    co_await switchOff();

    ++TestStep;
    if (TestStep == kOutputs && !failed) {
        List2->AddItem(QStringLiteral("TEST 1 CORRECTO"));
        TestStep = 0;
        Timer1->stop();
        Timer2->start();
        List1->Clear();
    }
}

// Test 2: the slow curtain, one lit output walking from 0 to 7, twice.
Task<> Form3::Timer2_Timer() {
    showTest(kTest2Description, 2);
    const qint16 output = TestStep;
    const bool failed = co_await verifiedSwitching(outputValue(output), kCurtainSettleMs);
    if (failed)
        failureReport(Timer2);
    else
        List1->AddItem(passLine(output));

    ++TestStep;
    if (TestStep != kOutputs) co_return;
    TestStep = 0;
    if (TestRound == 0) {
        List1->Clear();
        TestRound = 1;
    } else if (!failed) {
        List2->AddItem(QStringLiteral("TEST 2 CORRECTO"));
        TestRound = 0;
        Timer2->stop();
        Timer3->start();
        List1->Clear();
    }
}

// Test 3: the fast curtain, the same walk four times.
Task<> Form3::Timer3_Timer() {
    showTest(kTest3Description, 3);
    const qint16 output = TestStep;
    const bool failed = co_await verifiedSwitching(outputValue(output), kCurtainSettleMs);
    if (failed)
        failureReport(Timer3);
    else
        List1->AddItem(passLine(output));

    ++TestStep;
    if (TestStep != kOutputs) co_return;
    TestStep = 0;
    ++TestRound;
    List1->Clear();
    if (TestRound == kTest3Passes && !failed) {
        List2->AddItem(QStringLiteral("TEST 3 CORRECTO"));
        TestRound = 0;
        Timer3->stop();
        Timer4->start();
        List1->Clear();
    }
}
