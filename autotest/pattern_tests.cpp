#include "autotest/form3.h"

#include "card/card.h"
#include "widgets/list_box.h"

namespace {

const QString kTest4Description = QStringLiteral(
    "COMPROBANDO SALIDAS Y ENTRADAS DIGITALES. Se activan y desactivan todas las salidas por rele al tiempo");
const QString kTest5Description = QStringLiteral(
    "COMPROBANDO SALIDAS Y ENTRADAS DIGITALES. Se alternan las 4 primeras salidas por rele, con las 4 ultimas");

constexpr qint32 kPatternSettleMs = 50;
constexpr qint32 kBetweenPhasesMs = 500;
constexpr qint16 kTest4Cycles = 6;
constexpr qint16 kTest5Cycles = 4;

constexpr qint16 kAllOn = 255;
constexpr qint16 kAllOff = 0;
constexpr qint16 kLowHalf = 15;
constexpr qint16 kHighHalf = 240;

}  // namespace

// A mismatch stops the test at once, but the tick still runs on to its end.
Task<bool> Form3::checkPhase(qint16 pattern, TickTimer* timer, QString successLine) {
    card_.WriteOutputs(pattern);
    co_await card_.Sleep(kPatternSettleMs);
    showOutputPattern(pattern);
    const bool mismatch = readBackWrong(pattern);
    if (mismatch)
        failureReport(timer);
    else if (!successLine.isEmpty())
        List1->AddItem(successLine);
    co_return mismatch;
}

// Test 4: every output on together, then every output off.
Task<> Form3::Timer4_Timer() {
    showTest(kTest4Description, 4);
    const bool allOnWrong = co_await checkPhase(kAllOn, Timer4, QStringLiteral("Todas las Entradas correctas"));
    co_await card_.Sleep(kBetweenPhasesMs);
    const bool allOffWrong = co_await checkPhase(kAllOff, Timer4, QString());

    ++TestStep;
    if (TestStep == kTest4Cycles && !allOnWrong && !allOffWrong) {
        List2->AddItem(QStringLiteral("TEST 4 CORRECTO"));
        TestStep = 0;
        Timer4->stop();
        Timer5->start();
        List1->Clear();
    }
}

// Test 5: outputs 0 to 3 on with 4 to 7 off, then the other way round.
Task<> Form3::Timer5_Timer() {
    showTest(kTest5Description, 5);
    const bool lowWrong =
        co_await checkPhase(kLowHalf, Timer5, QStringLiteral("Las 4 primeras Entradas son correctas"));
    co_await card_.Sleep(kBetweenPhasesMs);
    const bool highWrong =
        co_await checkPhase(kHighHalf, Timer5, QStringLiteral("Las 4 ultimas Entradas son correctas"));

    ++TestStep;
    if (TestStep == kTest5Cycles && !lowWrong && !highWrong) {
        TestStep = 0;
        Timer5->stop();
        Timer6->start();
        List2->AddItem(QStringLiteral("TEST 5 CORRECTO"));
        List1->Clear();
    }
}
