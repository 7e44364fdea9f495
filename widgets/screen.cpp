#include "widgets/screen.h"

#include <QWidget>

void useDesignFont(QWidget* window) {
    QFont font = window->font();
    font.setPointSizeF(8.25);
    window->setFont(font);
}
