#include "widgets/screen.h"

#include <QApplication>
#include <QEvent>
#include <QListView>
#include <QWidget>

// Only the window's own pending paint request is delivered, which paints what has changed since the
// last paint; no timer, click or other event is taken, so the handler that waits is not re-entered.
void repaintVisibleWindows() {
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (!window->isVisible()) continue;
        for (QListView* list : window->findChildren<QListView*>()) list->doItemsLayout();
        QCoreApplication::sendPostedEvents(window, QEvent::UpdateRequest);
    }
}

void useDesignFont(QWidget* window) {
    QFont font = window->font();
    font.setPointSizeF(8.25);
    window->setFont(font);
}
