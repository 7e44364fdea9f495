#include "widgets/screen_reader.h"

#include <QAccessible>

namespace {

std::function<void(QAccessibleEvent&)>& listener() {
    static std::function<void(QAccessibleEvent&)> instance;
    return instance;
}

}  // namespace

bool screenReaderListens() {
    return listener() || QAccessible::isActive();
}

void tellScreenReader(QAccessibleEvent& event) {
    if (listener())
        listener()(event);
    else
        QAccessible::updateAccessibility(&event);
}

void announce(QObject* source, const QString& message) {
    if (!screenReaderListens()) return;
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
    QAccessibleAnnouncementEvent event(source, message);
#else
    // Qt before 6.8 has no announcement: an alert from the source, which shows the message.
    Q_UNUSED(message);
    QAccessibleEvent event(source, QAccessible::Alert);
#endif
    tellScreenReader(event);
}

void setScreenReaderListener(std::function<void(QAccessibleEvent&)> listener) {
    ::listener() = std::move(listener);
}
