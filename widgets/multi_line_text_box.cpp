#include "widgets/multi_line_text_box.h"

#include <QApplication>
#include <QEvent>
#include <QFontMetricsF>
#include <QScrollBar>

namespace {

constexpr int kNarrowestStretch = 70;
constexpr double kSmallestPointSize = 6.0;

}  // namespace

MultiLineTextBox::MultiLineTextBox(const QString& text, QWidget* parent)
    : QPlainTextEdit(text, parent), designFont_(font()) {
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

void MultiLineTextBox::resizeEvent(QResizeEvent* event) {
    QPlainTextEdit::resizeEvent(event);
    fit();
}

void MultiLineTextBox::changeEvent(QEvent* event) {
    QPlainTextEdit::changeEvent(event);
    if (event->type() == QEvent::FontChange && !fitting_) {
        designFont_ = font();
        fitLines();
    }
}

bool MultiLineTextBox::fits(const QFont& font) const {
    const QFontMetricsF metrics(font);
    const double margin = 2 * document()->documentMargin();
    // One pixel more for the cursor, which the layout keeps room for at the end of a line.
    // The contents rectangle follows a new geometry at once, also while the box is hidden; with no
    // scroll bars it is the viewport.
    const double width = contentsRect().width() - margin - 1;
    const double height = contentsRect().height() - margin;
    QStringList lines = toPlainText().split(u'\n');
    while (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
    if (lines.size() * metrics.lineSpacing() > height) return false;
    for (const QString& line : lines)
        if (metrics.horizontalAdvance(line) > width) return false;
    return true;
}

void MultiLineTextBox::fitLines() {
    // A box not yet given its size has Qt's default one, which no line of a design fits: searching
    // every font for it costs the menu more than all the rest of its start, for nothing.
    if (testAttribute(Qt::WA_Resized)) fit();
}

// The widest stretch that fits, at the largest size where one does. Every stretch tried loads a font
// of its own, so the stretches are halved down to it rather than walked one by one: a line only
// narrows as the stretch does.
void MultiLineTextBox::fit() {
    QFont candidate = designFont_;
    for (double size = designFont_.pointSizeF(); size >= kSmallestPointSize; size -= 0.25) {
        candidate.setPointSizeF(size);
        candidate.setStretch(100);
        int fitting = 100;
        if (!fits(candidate)) {
            candidate.setStretch(kNarrowestStretch);
            if (!fits(candidate)) continue;
            fitting = kNarrowestStretch;
            for (int tooWide = 100; tooWide - fitting > 1;) {
                const int middle = (fitting + tooWide) / 2;
                candidate.setStretch(middle);
                (fits(candidate) ? fitting : tooWide) = middle;
            }
        }
        candidate.setStretch(fitting);
        fitting_ = true;
        setFont(candidate);
        fitting_ = false;
        return;
    }
}

MultiLineTextBox* helpTextBox(const QString& text, const QRect& geometry, QWidget* parent) {
    auto* box = new MultiLineTextBox(text, parent);
    box->setReadOnly(true);
    QPalette palette = box->palette();
    palette.setColor(QPalette::Base, QApplication::palette("QMenuBar").color(QPalette::Window));
    box->setPalette(palette);
    box->setGeometry(geometry);
    box->fitLines();
    return box;
}
