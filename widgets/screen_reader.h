#ifndef WIDGETS_SCREEN_READER_H
#define WIDGETS_SCREEN_READER_H

#include <functional>

class QAccessibleEvent;
class QObject;
class QString;

// What the windows tell a screen reader as it happens: a lamp that changes, a line to read out.
// Nothing is made or sent while no screen reader listens, so without one the windows run as before.
bool screenReaderListens();
void tellScreenReader(QAccessibleEvent& event);
// Has the listening screen reader read message out, on behalf of source.
void announce(QObject* source, const QString& message);

// Tests listen in the screen reader's place; an empty listener gives the events back to the desktop.
void setScreenReaderListener(std::function<void(QAccessibleEvent&)> listener);

#endif
