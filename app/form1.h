#ifndef APP_FORM1_H
#define APP_FORM1_H

#include <QWidget>

class Navigator;
class PictureBox;
class QPlainTextEdit;
class WrapButton;

// The main menu: how to wire the card, and the way to the two checks. It never drives the card.
class Form1 : public QWidget {
    Q_OBJECT
public:
    explicit Form1(Navigator& navigator);

    void Command1_Click();  // "COMPROBACION MANUAL": to the manual panel
    void Command2_Click();  // "COMPROBACION AUTOMATICA": to the test window
    void Command3_Click();  // "SALIR DEL PROGRAMA": ends without touching the card

    WrapButton* Command1;   // "COMPROBACION MANUAL"
    WrapButton* Command2;   // "COMPROBACION AUTOMATICA"
    WrapButton* Command3;   // "SALIR DEL PROGRAMA"
    PictureBox* Picture1;   // the wiring picture
    QPlainTextEdit* Text1;  // the wiring instructions

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    Navigator& navigator_;
};

#endif
