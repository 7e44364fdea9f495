#ifndef AUTOTEST_FORM3_H
#define AUTOTEST_FORM3_H

#include <QWidget>

class Card;
class Navigation;

// SCAFFOLD: replaced by the automatic test window.
class Form3 : public QWidget {
    Q_OBJECT
public:
    Form3(Card& card, Navigation& navigation, QString programFolder)
        : card_(card), navigation_(navigation), programFolder_(programFolder) {}
    void Form_Load() {}

private:
    [[maybe_unused]] Card& card_;
    [[maybe_unused]] Navigation& navigation_;
    QString programFolder_;
};

#endif
