#include "manual/form2.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

#include "card/card.h"
#include "card/tick_timer.h"
#include "card/voltage_text.h"
#include "widgets/lamp.h"
#include "widgets/multi_line_text_box.h"
#include "widgets/navigation.h"
#include "widgets/screen.h"
#include "widgets/twips.h"
#include "widgets/wrap_button.h"

namespace {

const QString kDigitalHelp = QStringLiteral(
    "Se puede comprobar visualmente, cual es la conexion que falla. Cuando \r\n"
    "una salida esta activada, su entrada, debe estar desactivada, y al \r\n"
    "reves.\r\n");

const QString kAnalogHelp = QStringLiteral(
    "Se puede comprobar visualmente, si la entrada \r\n"
    "analogica falla. Al enviar una señal por uno de \r\n"
    "los canales, este debe encenderse y dar un \r\n"
    "valor de tension menor que +5 V\r\n");

const QString kSwitchOn = QStringLiteral("Encender");
const QString kSwitchOff = QStringLiteral("Apagar");

constexpr int kMonitorIntervalMs = 100;

QLabel* label(const QString& text, const QRect& geometry, QWidget* parent) {
    auto* created = new QLabel(text, parent);
    created->setGeometry(geometry);
    return created;
}

QLineEdit* textBox(const QString& text, const QRect& geometry, QWidget* parent) {
    auto* box = new QLineEdit(text, parent);
    box->setGeometry(geometry);
    box->setReadOnly(true);
    return box;
}

}  // namespace

Form2::Form2(Card& card, Clock& clock, Navigation& navigation) : card_(card), navigation_(navigation) {
    setWindowTitle(QStringLiteral("Control Manual de la Tarjeta"));
    useDesignFont(this);
    resize(twipsToPixels(9900), twipsToPixels(5835));

    buildOutputs();
    buildDigitalInputs();
    buildAnalogInputs();
    buildHelpAndExits();
    // The first toggle has the focus when the panel opens. Tab goes down the outputs, then down the
    // analog side, then along the bottom row, in the order the controls are made.
    Encender_Apagar[0]->setFocus();

    // Both monitors run from the moment the panel exists until it is unloaded.
    Timer1 = new TickTimer(
        clock, kMonitorIntervalMs, [this] { return Timer1_Timer(); }, this);
    Timer2 = new TickTimer(
        clock, kMonitorIntervalMs, [this] { return Timer2_Timer(); }, this);
    Timer1->start();
    Timer2->start();
}

void Form2::buildOutputs() {
    Frame1 = new QGroupBox(QStringLiteral("SALIDAS DIGITALES"), this);
    Frame1->setGeometry(twipsRect(120, 240, 3015, 4215));
    for (int n = 0; n < 8; ++n) {
        const int top = 360 + 360 * n;
        Shape2[n] = new Lamp(Frame1);
        Shape2[n]->setGeometry(twipsRect(240, top, 255, 255));
        Shape2[n]->setSignWords(QStringLiteral("Salida %1").arg(n), QStringLiteral("encendida"),
                                QStringLiteral("apagada"));
        Label2[n] = label(QStringLiteral("Salida %1").arg(n), twipsRect(720, top, 975, 255), Frame1);
        // The odd buttons were designed with a trailing blank; the handlers always set the bare word.
        Encender_Apagar[n] = new WrapButton(n % 2 ? QStringLiteral("Encender ") : kSwitchOn, Frame1);
        Encender_Apagar[n]->setGeometry(twipsRect(1560, top, 1215, 255));
        Encender_Apagar[n]->setActsOn(QStringLiteral("salida %1").arg(n));
        connect(Encender_Apagar[n], &QPushButton::clicked, this, [this, n] { Encender_Apagar_Click(n); });
    }
    // These two lie on the window, over the lower part of the frame.
    Encender_Todas = new WrapButton(QStringLiteral("Encender Todas"), this);
    Encender_Todas->setGeometry(twipsRect(240, 3600, 1335, 495));
    connect(Encender_Todas, &QPushButton::clicked, this, &Form2::Encender_Todas_Click);
    Apagar = new WrapButton(QStringLiteral("Apagar Todas"), this);
    Apagar->setGeometry(twipsRect(1680, 3600, 1335, 495));
    connect(Apagar, &QPushButton::clicked, this, &Form2::Apagar_Click);
}

void Form2::buildDigitalInputs() {
    Frame2 = new QGroupBox(QStringLiteral("ENTRADAS DIGITALES"), this);
    Frame2->setGeometry(twipsRect(3240, 240, 2055, 4215));
    for (int n = 0; n < 8; ++n) {
        const int top = 360 + 480 * n;
        Shape1[n] = new Lamp(Frame2);
        Shape1[n]->setGeometry(twipsRect(120, top, 255, 255));
        // Lit while the input reads 1, which the help text calls active.
        Shape1[n]->setSignWords(QStringLiteral("Entrada %1").arg(n), QStringLiteral("activa"),
                                QStringLiteral("inactiva"));
        Label1[n] = label(QStringLiteral("Entrada %1").arg(n), twipsRect(600, top, 975, 255), Frame2);
    }
}

void Form2::buildAnalogInputs() {
    Frame3 = new QGroupBox(QStringLiteral("ENTRADAS ANALOGICAS - Tension"), this);
    Frame3->setGeometry(twipsRect(6120, 240, 3495, 2175));
    for (int k = 0; k < 4; ++k) {
        const int top = 360 + 360 * k;
        Shape3[k] = new Lamp(Frame3);
        Shape3[k]->setGeometry(twipsRect(360, top, 255, 255));
        Label1[8 + k] = label(QStringLiteral("Entrada %1").arg(k + 1), twipsRect(840, top, 975, 255), Frame3);
        Text2[k] = textBox(QString(), twipsRect(1920, top, 1335, 285), Frame3);
        nameAnalogInput(k + 1, Shape3[k], Text2[k]);
    }
}

void Form2::buildHelpAndExits() {
    Text3 = helpTextBox(kAnalogHelp, twipsRect(6120, 2760, 3495, 975), this);
    Text4 = textBox(QStringLiteral("Text4"), twipsRect(6120, 3960, 855, 375), this);
    Text1 = helpTextBox(kDigitalHelp, twipsRect(120, 4680, 5175, 735), this);
    Text3->setAccessibleName(QStringLiteral("Ayuda de las entradas analógicas"));
    Text4->setAccessibleName(QStringLiteral("Entradas digitales en decimal"));
    Text4->setAccessibleDescription(QStringLiteral("Las ocho entradas leídas como un número de 0 a 255"));
    Text1->setAccessibleName(QStringLiteral("Ayuda de las entradas digitales"));

    Command1 = new WrapButton(QStringLiteral("VOLVER AL MENU ANTERIOR"), this);
    Command1->setGeometry(twipsRect(6000, 4680, 1455, 735));
    connect(Command1, &QPushButton::clicked, this, &Form2::Command1_Click);
    Salir = new WrapButton(QStringLiteral("SALIR DEL PROGRAMA"), this);
    Salir->setGeometry(twipsRect(7920, 4680, 1455, 735));
    connect(Salir, &QPushButton::clicked, this, &Form2::Salir_Click);
}

// The relays and the lamps agree from the start: all off.
void Form2::Form_Load() {
    card_.WriteOutputs(0);
}

qint16 Form2::OutputsFromIndicators() const {
    qint16 value = 0;
    for (int n = 0; n < 8; ++n)
        if (Shape2[n]->isLit()) value = static_cast<qint16>(value + (1 << n));
    return value;
}

// The byte is rebuilt from the lamps before the lamp changes, so the other seven outputs are
// written as they are.
void Form2::Encender_Apagar_Click(int Index) {
    const bool wasOff = !Shape2[Index]->isLit();
    const qint16 value = OutputsFromIndicators();
    const qint16 bit = static_cast<qint16>(1 << Index);
    if (wasOff) {
        Shape2[Index]->setLit(true);
        card_.WriteOutputs(static_cast<qint16>(value + bit));
        Encender_Apagar[Index]->setCaption(kSwitchOff);
    } else {
        Shape2[Index]->setLit(false);
        card_.WriteOutputs(static_cast<qint16>(value - bit));
        Encender_Apagar[Index]->setCaption(kSwitchOn);
    }
}

void Form2::setOutput(int n, bool on) {
    Shape2[n]->setLit(on);
    Encender_Apagar[n]->setCaption(on ? kSwitchOff : kSwitchOn);
}

void Form2::Encender_Todas_Click() {
    card_.WriteOutputs(255);
    for (int n = 0; n < 8; ++n) setOutput(n, true);
}

void Form2::Apagar_Click() {
    card_.WriteOutputs(0);
    for (int n = 0; n < 8; ++n) setOutput(n, false);
}

// Input n reads 1 while its line is low: with output n wired to it, that is while output n is off.
Task<> Form2::Timer1_Timer() {
    co_await card_.Idle();
    const qint16 inputs = card_.ReadDigitalInputs();
    Text4->setText(QString::number(inputs));
    const std::array<bool, 8> bits = Card::BitsOf(inputs);
    for (int n = 7; n >= 0; --n) Shape1[n]->setLit(bits[n]);
}

// Each reading waits on the converter, and every value is on screen as soon as it is read.
Task<> Form2::Timer2_Timer() {
    for (int k = 0; k < 4; ++k) {
        const qint16 raw = co_await card_.ReadAnalogChannel(Card::ChannelMask(k));
        const double volts = Card::RawToVolts(raw);
        Text2[k]->setText(VoltageText(volts));
        Shape3[k]->setLit(volts != 0);
    }
}

void Form2::Command1_Click() {
    card_.WriteOutputs(0);
    Timer1->stop();
    hide();
    setEnabled(false);
    navigation_.showMenu();
    navigation_.unload(this);
}

void Form2::Salir_Click() {
    card_.WriteOutputs(0);
    navigation_.endProgram();
}

void Form2::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Cancel))
        Command1_Click();
    else
        QWidget::keyPressEvent(event);
}

void Form2::closeEvent(QCloseEvent* event) {
    if (isVisible()) Command1_Click();
    // Command1_Click has hidden the panel and handed it to be unloaded; Qt must not close it again.
    event->ignore();
}
