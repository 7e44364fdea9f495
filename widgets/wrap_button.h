#ifndef WIDGETS_WRAP_BUTTON_H
#define WIDGETS_WRAP_BUTTON_H

#include <QPushButton>

class QLabel;

// A push button whose caption wraps onto centred lines at word breaks when it is wider than the
// button, instead of being clipped.
class WrapButton : public QPushButton {
    Q_OBJECT
public:
    explicit WrapButton(const QString& caption, QWidget* parent = nullptr);

    QString caption() const { return caption_; }
    void setCaption(const QString& caption);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QString caption_;
    QLabel* label_;
};

#endif
