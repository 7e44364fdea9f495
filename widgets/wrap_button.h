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
    // Where the caption alone does not say what the button acts on, a screen reader hears it after
    // the caption: "Encender salida 3".
    void setActsOn(const QString& what);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    // Enter presses the button as Space does; the windows are not dialogs, which would do it themselves.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void updateAccessibleName();

    QString caption_;
    QString actsOn_;
    QLabel* label_;
};

#endif
