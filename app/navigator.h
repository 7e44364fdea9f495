#ifndef APP_NAVIGATOR_H
#define APP_NAVIGATOR_H

#include <functional>

#include <QPointer>
#include <QString>

#include "widgets/navigation.h"

class Card;
class Clock;
class Form1;
class Form2;
class Form3;

// The three windows of the program, each a single program-wide instance created when first
// shown. Showing a check window that is not loaded builds it from its design and runs its
// Form_Load; unloading it destroys it, so every visit starts afresh.
class Navigator : public Navigation {
public:
    Navigator(Card& card, Clock& clock, QString programFolder, std::function<void(int)> endProgram);
    ~Navigator() override;

    // Creates the menu and shows it; nothing is written to the card.
    void start();
    // Called each time the test window is built, before its Form_Load.
    void setOnForm3Loaded(std::function<void(Form3&)> onLoaded) { onForm3Loaded_ = std::move(onLoaded); }

    Form1* form1() const;
    Form2* form2() const;
    Form3* form3() const;

    Form2& showForm2();
    Form3& showForm3();

    void showMenu() override;
    void unload(QWidget* window) override;
    void endProgram() override;
    // A signal ends the program between two handlers: the relays are switched off first when a
    // check window is open, and the exit status tells which signal it was.
    void endOnSignal(int signal);

private:
    void stopCheckWindowTimers();

    Card& card_;
    Clock& clock_;
    QString programFolder_;
    std::function<void(int)> endProgram_;
    std::function<void(Form3&)> onForm3Loaded_;
    QPointer<Form1> form1_;
    QPointer<Form2> form2_;
    QPointer<Form3> form3_;
};

#endif
