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

    void Form_Load();  // on every opening: all relays off, as the lamps show them

    void Encender_Apagar_Click(int Index);  // toggles output Index
    void Encender_Todas_Click();            // "Encender Todas": every output on
    void Apagar_Click();                    // "Apagar Todas": every output off
    // The output byte as the lamps show it.
    qint16 OutputsFromIndicators() const;

    Task<> Timer1_Timer();  // digital input monitor: Text4 and Shape1, between two analog reads
    Task<> Timer2_Timer();  // analog monitor: channels 0 to 3, each shown before the next is read

    void Command1_Click();  // "VOLVER AL MENU ANTERIOR"
    void Salir_Click();     // "SALIR DEL PROGRAMA"

    QGroupBox* Frame1;                           // "SALIDAS DIGITALES"
    std::array<Lamp*, 8> Shape2;                 // output lamps: lit while the output is on
    std::array<QLabel*, 8> Label2;               // "Salida 0" to "Salida 7"
    std::array<WrapButton*, 8> Encender_Apagar;  // output toggles: "Encender" or "Apagar"
    WrapButton* Encender_Todas;                  // "Encender Todas"
    WrapButton* Apagar;                          // "Apagar Todas"

    QGroupBox* Frame2;            // "ENTRADAS DIGITALES"
    std::array<Lamp*, 8> Shape1;  // input lamps: lit while the input reads 1
    // "Entrada 0" to "Entrada 7" (0 to 7) and the analog frame's "Entrada 1" to "Entrada 4" (8 to 11).
    std::array<QLabel*, 12> Label1;

    QGroupBox* Frame3;                // "ENTRADAS ANALOGICAS - Tension"
    std::array<Lamp*, 4> Shape3;      // analog lamps: lit while the channel reads above 0 V
    std::array<QLineEdit*, 4> Text2;  // voltage of analog channel k

    QPlainTextEdit* Text3;  // analog help text
    QLineEdit* Text4;       // the input byte in decimal
    QPlainTextEdit* Text1;  // digital help text
    WrapButton* Command1;   // "VOLVER AL MENU ANTERIOR"
    WrapButton* Salir;      // "SALIR DEL PROGRAMA"

    TickTimer* Timer1;  // digital input monitor, every 100 ms
    TickTimer* Timer2;  // analog monitor, every 100 ms

protected:
    // Closing the frame leaves the panel as "VOLVER AL MENU ANTERIOR" does, so the relays are
    // switched off and the menu comes back.
    void closeEvent(QCloseEvent* event) override;
    // Escape leaves the panel as "VOLVER AL MENU ANTERIOR" does.
    void keyPressEvent(QKeyEvent* event) override;

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
