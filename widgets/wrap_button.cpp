#include "widgets/wrap_button.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLabel>

WrapButton::WrapButton(const QString& caption, QWidget* parent) : QPushButton(parent), label_(new QLabel(this)) {
    label_->setAlignment(Qt::AlignCenter);
    label_->setWordWrap(true);
    label_->setAttribute(Qt::WA_TransparentForMouseEvents);
    setCaption(caption);
}

void WrapButton::setCaption(const QString& caption) {
    caption_ = caption;
    // The label collapses runs of blanks at line breaks; the caption itself is kept as given.
    label_->setText(caption.simplified());
    updateAccessibleName();
}

void WrapButton::setActsOn(const QString& what) {
    actsOn_ = what;
    updateAccessibleName();
}

void WrapButton::updateAccessibleName() {
    setAccessibleName(actsOn_.isEmpty() ? caption_.simplified() : caption_.simplified() + u' ' + actsOn_);
}

void WrapButton::resizeEvent(QResizeEvent* event) {
    QPushButton::resizeEvent(event);
    label_->setGeometry(rect().adjusted(2, 1, -2, -1));
}

void WrapButton::changeEvent(QEvent* event) {
    QPushButton::changeEvent(event);
    if (event->type() == QEvent::FontChange) label_->setFont(font());
    if (event->type() == QEvent::EnabledChange) label_->setEnabled(isEnabled());
}

void WrapButton::keyPressEvent(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        click();
        return;
    }
    QPushButton::keyPressEvent(event);
}
