#include "app/qt_messages.h"

#include <cstdio>

#include <QLoggingCategory>
#include <QString>

namespace {

// What the rules let through is for a technician: said with where it comes from. Qt ends the
// program itself after a fatal message.
void technicianLine(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type == QtFatalMsg)
        std::fprintf(stderr, "%s\n", qPrintable(message));
    else
        std::fprintf(stderr, "[%s] %s\n", context.category ? context.category : "default", qPrintable(message));
    std::fflush(stderr);
}

}  // namespace

void keepQtMessagesForTechnicians() {
    // Rules given here yield to QT_LOGGING_CONF and QT_LOGGING_RULES.
    QLoggingCategory::setFilterRules(QStringLiteral("*.debug=false\n*.info=false\n*.warning=false\n*.critical=false"));
    qInstallMessageHandler(technicianLine);
}
