#ifndef LAB_LAB_LOG_H
#define LAB_LAB_LOG_H

#include <QLoggingCategory>

// What the server or libpq said in its own words, beside the Spanish sentence the user reads: off
// unless QT_LOGGING_RULES asks for cardcheck.lab.
Q_DECLARE_LOGGING_CATEGORY(lcLab)

#endif
