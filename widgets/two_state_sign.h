#ifndef WIDGETS_TWO_STATE_SIGN_H
#define WIDGETS_TWO_STATE_SIGN_H

#include <QString>

class QWidget;

// A lamp or an indicator as a screen reader hears it: what it stands for and the word for its
// present state ("Salida 3: encendida"), with the state also given as checked or not. A widget
// speaks as a sign once it has its words, and otherwise as Qt makes it speak.
class TwoStateSign {
public:
    virtual ~TwoStateSign() = default;

    virtual bool signIsOn() const = 0;
    void setSignWords(const QString& subject, const QString& onWord, const QString& offWord);
    bool hasSignWords() const { return !subject_.isEmpty(); }
    QString signName() const { return subject_ + QStringLiteral(": ") + (signIsOn() ? onWord_ : offWord_); }

protected:
    // Tells a listening screen reader that the sign's state, and so its name, has changed.
    void signChanged(QWidget* self) const;

private:
    QString subject_;
    QString onWord_;
    QString offWord_;
};

#endif
