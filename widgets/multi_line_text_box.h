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

    // Chooses the font again for the box's present size, once it has been given one; a resize does
    // it by itself once shown.
    void fitLines();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void fit();
    bool fits(const QFont& font) const;

    QFont designFont_;
    bool fitting_ = false;
};

// A help text of a window: read only, on the menu colour, as a note rather than an input box.
MultiLineTextBox* helpTextBox(const QString& text, const QRect& geometry, QWidget* parent);

#endif
