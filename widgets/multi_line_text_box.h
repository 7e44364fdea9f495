#ifndef WIDGETS_MULTI_LINE_TEXT_BOX_H
#define WIDGETS_MULTI_LINE_TEXT_BOX_H

#include <QPlainTextEdit>

// A multi-line text box that shows every line of its text whole, one below the other, as the
// window designs break them. The designs were measured with a narrower font than most systems
// have, so when a line would wrap or the lines would overflow the box, the font is narrowed, and
// made smaller only if that is not enough.
class MultiLineTextBox : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit MultiLineTextBox(const QString& text, QWidget* parent = nullptr);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void fitLines();
    bool fits(const QFont& font) const;

    QFont designFont_;
    bool fitting_ = false;
};

#endif
