#ifndef BATCH_STATION_STYLE_H
#define BATCH_STATION_STYLE_H

#include <QLabel>
#include <QString>

// What the station's parts share: its large type, which follows the desktop's own font size, and
// its words for the simulated card.
inline const QString kSimulatedCard = QStringLiteral("TARJETA SIMULADA");

inline void enlarge(QWidget* widget, qreal factor, bool bold = true) {
    QFont font = widget->font();
    font.setPointSizeF(font.pointSizeF() * factor);
    font.setBold(bold);
    widget->setFont(font);
}

inline QLabel* wrappingLabel(QWidget* parent, const QString& name) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    return label;
}

// A label's text, and what a screen reader reads of it.
inline void setSpokenText(QLabel* label, const QString& text) {
    label->setText(text);
    label->setAccessibleName(text);
}

#endif
