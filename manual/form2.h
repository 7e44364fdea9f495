#ifndef MANUAL_FORM2_H
#define MANUAL_FORM2_H

#include <array>

#include <QWidget>

#include "card/task.h"

class Card;
class Clock;
class Lamp;
class Navigation;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class TickTimer;
class WrapButton;

// The manual control panel: a toggle per relay output, and the digital and analog inputs shown
// live. The output lamps are the only record of which outputs are on.
class Form2 : public QWidget {
    Q_OBJECT
public:
    Form2(Card& card, Clock& clock, Navigation& navigation);

    void Form_Load();

    void Encender_Apagar_Click(int Index);
    void Encender_Todas_Click();
    void Apagar_Click();
    // The output byte as the lamps show it.
    qint16 OutputsFromIndicators() const;

    // Digital input monitor, between two analog reads.
    Task<> Timer1_Timer();
    // Analog monitor: channels 0 to 3, each shown before the next is read.
    Task<> Timer2_Timer();

    void Command1_Click();
    void Salir_Click();

    QGroupBox* Frame1;
    std::array<Lamp*, 8> Shape2;
    std::array<QLabel*, 8> Label2;
    std::array<WrapButton*, 8> Encender_Apagar;
    WrapButton* Encender_Todas;
    WrapButton* Apagar;

    QGroupBox* Frame2;
    std::array<Lamp*, 8> Shape1;
    // "Entrada 0" to "Entrada 7" (0 to 7) and the analog frame's "Entrada 1" to "Entrada 4" (8 to 11).
    std::array<QLabel*, 12> Label1;

    QGroupBox* Frame3;
    std::array<Lamp*, 4> Shape3;
    std::array<QLineEdit*, 4> Text2;

    QPlainTextEdit* Text3;
    QLineEdit* Text4;
    QPlainTextEdit* Text1;
    WrapButton* Command1;
    WrapButton* Salir;

    TickTimer* Timer1;
    TickTimer* Timer2;

protected:
    // Closing the frame leaves the panel as "VOLVER AL MENU ANTERIOR" does, so the relays are
    // switched off and the menu comes back.
    void closeEvent(QCloseEvent* event) override;

private:
    void buildOutputs();
    void buildDigitalInputs();
    void buildAnalogInputs();
    void buildHelpAndExits();
    void setOutput(int n, bool on);

    Card& card_;
    Navigation& navigation_;
};

#endif
