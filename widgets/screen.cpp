#include "widgets/screen.h"

#include <QApplication>
#include <QListView>
#include <QWidget>

void repaintVisibleWindows() {
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (!window->isVisible()) continue;
        for (QListView* list : window->findChildren<QListView*>()) list->doItemsLayout();
        window->repaint();
    }
}

void useDesignFont(QWidget* window) {
    QFont font = window->font();
    font.setPointSizeF(8.25);
    window->setFont(font);
}
