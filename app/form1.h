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

    void Command1_Click();
    void Command2_Click();
    void Command3_Click();

    WrapButton* Command1;
    WrapButton* Command2;
    WrapButton* Command3;
    PictureBox* Picture1;
    QPlainTextEdit* Text1;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    Navigator& navigator_;
};

#endif
