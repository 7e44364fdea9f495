#ifndef APP_QT_MESSAGES_H
#define APP_QT_MESSAGES_H

// The user's terminal gets the program's own Spanish sentences (printError), never Qt's English:
// the warnings and debug lines of Qt, its modules and plugins, and the drivers' own words that the
// program logs beside its sentences (categories cardcheck.*), are off unless QT_LOGGING_RULES or
// QT_LOGGING_CONF turns them on, as Qt's logging rules say; then they go to standard error with
// their category. A fatal error of Qt's is always shown, and ends the program as Qt would.
// Called first thing in main, before anything of Qt can speak.
void keepQtMessagesForTechnicians();

#endif
