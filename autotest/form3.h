#ifndef AUTOTEST_FORM3_H
#define AUTOTEST_FORM3_H

#include <array>

#include <QString>
#include <QWidget>

#include "card/task.h"
#include "card/tick_timer.h"
#include "record/card_rules.h"

class Card;
class Clock;
class Lamp;
class ListBox;
class Navigation;
class PictureBox;
class QGroupBox;
class QLabel;
class QPlainTextEdit;
class WrapButton;

// The automatic test window: six timed tests of the card, one after the other, with the progress
// of the running test in List1 and the verdicts of the whole run in List2. Each test is driven by
// its own timer, and at most one of them runs at a time.
class Form3 : public QWidget {
    Q_OBJECT
public:
    Form3(Card& card, Clock& clock, Navigation& navigation, QString programFolder);
    ~Form3() override;

    void Form_Load();  // on every opening: counters at 0, both lists empty, no test running

    void Command3_Click();  // " INICIAR     TEST ": the whole sequence from test 1
    void Command7_Click();  // "INICIAR TEST ANALOGICO": test 6 alone
    void Command2_Click();  // "VOLVER AL MENU ANTERIOR"
    void Salir_Click();     // "SALIR DEL PROGRAMA"

    // One tick of each test, awaiting its waits.
    Task<> Timer1_Timer();  // test 1: output TestStep on and off twice
    Task<> Timer2_Timer();  // test 2: the slow curtain
    Task<> Timer3_Timer();  // test 3: the fast curtain
    Task<> Timer4_Timer();  // test 4: all outputs on, then all off
    Task<> Timer5_Timer();  // test 5: outputs 0 to 3, then 4 to 7
    Task<> Timer6_Timer();  // test 6: the four analog inputs, and the verdict on the card

    // Reads the eight inputs, shows them on Picture2 and gives back the input byte.
    qint16 ReadAndShowInputs();
    // What a working card reads back: the complement of the outputs.
    static qint16 ExpectedInputs(qint16 outputs) { return expectedInputs(outputs); }
    // True when the inputs are not the complement of the outputs, as a working card reads them.
    static bool InputMismatch(qint16 inputs, qint16 outputs);
    // Test 6's pass window for an analog input.
    static bool AnalogInRange(double volts) { return analogInRange(volts); }
    // Lights the indicator of the one output that value switches on; every other goes dark.
    void ShowOutputs(qint16 value);

    QGroupBox* Frame1;                      // "SALIDAS DIGITALES"
    QGroupBox* Frame2;                      // "ENTRADAS DIGITALES"
    QGroupBox* Frame3;                      // "ENTRADAS ANALOGICAS - Tension"
    std::array<PictureBox*, 8> Picture1{};  // output indicators: the cross while the output is on
    std::array<PictureBox*, 8> Picture2{};  // input indicators: the cross while the input reads 1
    // Element 7 is the caption of output 0; element k - 1 that of output k.
    std::array<QLabel*, 8> Label2{};
    // Elements 0 to 7 caption the digital inputs as Label2 does the outputs; element 12 - n
    // captions analog input n.
    std::array<QLabel*, 12> Label1{};
    std::array<Lamp*, 4> Shape3{};  // lamp of analog input j + 1: lit while it reads above 0 V
    QPlainTextEdit* Text1;          // digital help text
    // Element 0 is the analog help text; elements 1 to 4 show the voltages of analog inputs 1 to 4.
    std::array<QPlainTextEdit*, 5> Text3{};
    std::array<QPlainTextEdit*, 1> Text2{};  // the description of the running test
    PictureBox* Picture3;                    // the running test's picture
    QLabel* Label3;                          // "RESULTADOS", over List1
    ListBox* List1;                          // progress of the running test
    ListBox* List2;                          // verdicts of the whole run
    WrapButton* Command3;                    // " INICIAR     TEST "
    WrapButton* Command7;                    // "INICIAR TEST ANALOGICO"
    WrapButton* Command2;                    // "VOLVER AL MENU ANTERIOR"
    WrapButton* Salir;                       // "SALIR DEL PROGRAMA"
    TickTimer* Timer1;                       // test 1, every 500 ms
    TickTimer* Timer2;                       // test 2, every 500 ms
    TickTimer* Timer3;                       // test 3, every 50 ms
    TickTimer* Timer4;                       // test 4, every 500 ms
    TickTimer* Timer5;                       // test 5, every 500 ms
    TickTimer* Timer6;                       // test 6, every 100 ms

    // The counters of the automatic tests, each window its own: the load handler and the start
    // buttons set them back to 0.
    // The step of the running test: the output under test in tests 1 to 3, the cycle of tests 4 and
    // 5, the tick of test 6.
    qint16 TestStep = 0;
    // Passes over the eight outputs that tests 2 and 3 have finished.
    qint16 TestRound = 0;

signals:
    // A start button was pressed: the whole sequence from test 1, or test 6 alone.
    void sequenceStarted(int firstTest);
    // Test 1 to 6 has started: its timer runs.
    void testStarted(int test);
    // A tick has returned and no test timer runs any more: the sequence ended, by its verdict on
    // the card (cardWorks) or by a failure.
    void sequenceEnded(bool cardWorks);
    // For a record of the run; nothing the window shows depends on them.
    void inputsWrong(const FailedCheck& check);       // a read-back of tests 1 to 5 that failed
    void analogInputsRead(const AnalogVolts& volts);  // every tick of test 6

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void buildDigitalFrames();
    void buildAnalogFrame();
    void buildResults();
    void buildButtons();
    void buildTimers(Clock& clock);
    std::array<TickTimer*, 6> testTimers() const;
    void checkSequenceEnded();
    // A start button or a way out takes effect at once: the test that runs is given up at its wait.
    void giveUpRunningTick();

    // The start of every tick: the test's description and its picture.
    void showTest(const QString& description, int test);
    QString picturePath(const QString& file) const { return programFolder_ + u'/' + file; }
    void setIndicator(PictureBox* indicator, bool lit);
    void showOutputPattern(qint16 pattern);

    // Tests 1 to 3: output value on, settle, show, read back; true when the inputs are wrong.
    Task<bool> verifiedSwitching(qint16 value, qint32 settleMs);
    Task<> switchOff();
    // Tests 4 and 5: one pattern written and checked; true when the inputs are wrong.
    Task<bool> checkPhase(qint16 pattern, TickTimer* timer, QString successLine);
    // The read-back of tests 1 to 5 after outputs were written; true when the inputs are wrong.
    bool readBackWrong(qint16 outputs);
    void failureReport(TickTimer* timer);
    void addErrorPair();

    Card& card_;
    Navigation& navigation_;
    QString programFolder_;
    bool cardWorks_ = false;  // test 6 has found every analog input in range, ending a run
};

#endif
