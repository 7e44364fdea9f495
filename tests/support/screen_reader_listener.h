#ifndef TESTS_SUPPORT_SCREEN_READER_LISTENER_H
#define TESTS_SUPPORT_SCREEN_READER_LISTENER_H

#include <QAccessible>

#include "widgets/list_box.h"
#include "widgets/screen_reader.h"

// What a screen reader is told meanwhile: the signs that changed, by their new names, and lines read out.
struct ScreenReaderListener {
    ScreenReaderListener() {
        setScreenReaderListener([this](QAccessibleEvent& event) {
            if (event.type() == QAccessible::StateChanged)
                changed << spoken(event.object());
            else if (auto* list = qobject_cast<ListBox*>(event.object()))
                readOut << list->lines().last();
        });
    }
    ~ScreenReaderListener() { setScreenReaderListener({}); }
    static QString spoken(QObject* c) { return QAccessible::queryAccessibleInterface(c)->text(QAccessible::Name); }
    QStringList changed, readOut;
};

#endif
