#include "widgets/two_state_sign.h"

#include <QAccessibleWidget>
#include <QWidget>

#include "widgets/screen_reader.h"

namespace {

// A sign is read as a label: it shows something, and nothing happens when it is pressed.
class SignAccessible : public QAccessibleWidget {
public:
    explicit SignAccessible(QWidget* widget) : QAccessibleWidget(widget, QAccessible::StaticText) {}

    QString text(QAccessible::Text t) const override {
        const auto* sign = dynamic_cast<const TwoStateSign*>(object());
        if (t == QAccessible::Name && sign) return sign->signName();
        return QAccessibleWidget::text(t);
    }

    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        const auto* sign = dynamic_cast<const TwoStateSign*>(object());
        state.checkable = true;
        state.checked = sign && sign->signIsOn();
        return state;
    }
};

QAccessibleInterface* signFactory(const QString&, QObject* object) {
    auto* widget = qobject_cast<QWidget*>(object);
    const auto* sign = dynamic_cast<const TwoStateSign*>(object);
    if (!widget || !sign || !sign->hasSignWords()) return nullptr;
    return new SignAccessible(widget);
}

}  // namespace

void TwoStateSign::setSignWords(const QString& subject, const QString& onWord, const QString& offWord) {
    // Asked before Qt's own factories, once, by the first sign.
    static const bool installed = (QAccessible::installFactory(signFactory), true);
    Q_UNUSED(installed);
    subject_ = subject;
    onWord_ = onWord;
    offWord_ = offWord;
}

void TwoStateSign::signChanged(QWidget* self) const {
    if (!hasSignWords() || !screenReaderListens()) return;
    QAccessible::State changed;
    changed.checked = true;
    QAccessibleStateChangeEvent stateChange(self, changed);
    tellScreenReader(stateChange);
    QAccessibleEvent nameChange(self, QAccessible::NameChanged);
    tellScreenReader(nameChange);
}
