#include "autotest/form3.h"

#include "card/card.h"
#include "widgets/picture_box.h"
#include "widgets/picture_files.h"

// The cross that marks a lit indicator is read from its file each time; nothing is kept.
void Form3::setIndicator(PictureBox* indicator, bool lit) {
    indicator->LoadPicture(lit ? picturePath(QLatin1String(kCrossPictureFile)) : QString());
}

qint16 Form3::ReadAndShowInputs() {
    const qint16 inputs = card_.ReadDigitalInputs();
    // Every indicator is set on every read, from input 7 down, so none keeps an earlier state.
    const std::array<bool, 8> bits = Card::BitsOf(inputs);
    for (int n = 7; n >= 0; --n) setIndicator(Picture2[n], bits[n]);
    return inputs;
}

// A working connection reads the opposite of its output: 0 while the output is on.
bool Form3::InputMismatch(qint16 inputs, qint16 outputs) {
    return inputs != ExpectedInputs(outputs);
}

bool Form3::readBackWrong(qint16 outputs) {
    const qint16 inputs = ReadAndShowInputs();
    if (!InputMismatch(inputs, outputs)) return false;
    emit inputsWrong({TestStep, TestRound, outputs, ExpectedInputs(outputs), inputs});
    return true;
}

void Form3::ShowOutputs(qint16 value) {
    for (int n = 0; n < 8; ++n) setIndicator(Picture1[n], value == 1 << n);
}

// Tests 4 and 5 switch several outputs at once; ShowOutputs only knows a single lit output.
void Form3::showOutputPattern(qint16 pattern) {
    const std::array<bool, 8> bits = Card::BitsOf(pattern);
    for (int n = 0; n < 8; ++n) setIndicator(Picture1[n], bits[n]);
}
