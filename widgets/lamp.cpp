#include "widgets/lamp.h"

#include <QPainter>

Lamp::Lamp(QWidget* parent) : QWidget(parent) {}

void Lamp::setFillStyle(int style) {
    if (style == fillStyle_) return;
    fillStyle_ = style;
    update();
    signChanged(this);
}

void Lamp::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QColor red(255, 0, 0);
    painter.setPen(QPen(red, 1));
    painter.setBrush(isLit() ? QBrush(red) : Qt::NoBrush);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

void nameAnalogInput(int input, Lamp* lamp, QWidget* valueBox) {
    const QString name = QStringLiteral("Entrada analógica %1").arg(input);
    lamp->setSignWords(name, QStringLiteral("con tensión"), QStringLiteral("sin tensión"));
    valueBox->setAccessibleName(name);
    valueBox->setAccessibleDescription(QStringLiteral("Tensión en voltios"));
}
