#include "app/navigator.h"

#include "app/form1.h"
#include "autotest/form3.h"
#include "card/card.h"
#include "card/tick_timer.h"
#include "manual/form2.h"

Navigator::Navigator(Card& card, Clock& clock, QString programFolder, std::function<void(int)> endProgram)
    : card_(card), clock_(clock), programFolder_(std::move(programFolder)), endProgram_(std::move(endProgram)) {}

Navigator::~Navigator() {
    delete form2_;
    delete form3_;
    delete form1_;
}

Form1* Navigator::form1() const {
    return form1_;
}
Form2* Navigator::form2() const {
    return form2_;
}
Form3* Navigator::form3() const {
    return form3_;
}

void Navigator::start() {
    if (!form1_) form1_ = new Form1(*this);
    form1_->show();
}

Form2& Navigator::showForm2() {
    if (!form2_) {
        form2_ = new Form2(card_, clock_, *this);
        form2_->Form_Load();
    }
    form2_->show();
    return *form2_;
}

Form3& Navigator::showForm3() {
    if (!form3_) {
        form3_ = new Form3(card_, clock_, *this, programFolder_);
        if (onForm3Loaded_) onForm3Loaded_(*form3_);
        form3_->Form_Load();
    }
    form3_->show();
    return *form3_;
}

void Navigator::showMenu() {
    start();
    form1_->setEnabled(true);
}

void Navigator::unload(QWidget* window) {
    // The window may be in one of its own handlers: its timers stop now, the object goes later.
    stopTickTimers(window);
    window->hide();
    if (window == form2_) form2_ = nullptr;
    if (window == form3_) form3_ = nullptr;
    window->deleteLater();
}

void Navigator::stopCheckWindowTimers() {
    for (QWidget* window : {static_cast<QWidget*>(form2_), static_cast<QWidget*>(form3_)})
        if (window) stopTickTimers(window);
}

void Navigator::endProgram() {
    stopCheckWindowTimers();
    endProgram_(0);
}

void Navigator::endOnSignal(int signal) {
    const bool checkWindowOpen = form2_ || form3_;
    stopCheckWindowTimers();
    if (checkWindowOpen) card_.WriteOutputs(0);
    endProgram_(128 + signal);
}
