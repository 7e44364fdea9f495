#ifndef MANUAL_FORM2_H
#define MANUAL_FORM2_H

#include <QWidget>

class Card;
class Navigation;

// SCAFFOLD: replaced by the manual panel.
class Form2 : public QWidget {
    Q_OBJECT
public:
    Form2(Card& card, Navigation& navigation) : card_(card), navigation_(navigation) {}
    void Form_Load() {}

private:
    [[maybe_unused]] Card& card_;
    [[maybe_unused]] Navigation& navigation_;
};

#endif
