#ifndef APP_HISTORY_COMMANDS_H
#define APP_HISTORY_COMMANDS_H

#include "app/command_line.h"

// The history file the options name: --history, or the user's own.
QString historyPath(const CommandLine& options);

// --history-list and --history-csv: read the history, never the port; the lab's when lab names one
// and it answers, the station's own otherwise, saying so. Exit status 0, or 2 when the history
// cannot be read or the CSV file cannot be written.
int printHistory(const CommandLine& options, const QString& lab);

// --history-stats: the figures of the checks the options let through, as text or JSON, read as
// --history-list reads them; exit status 0, or 2 when the history cannot be read.
int printFigures(const CommandLine& options, const QString& lab);

// --history-sync: sends the checks that wait to the lab history and says how many went and how
// many still wait. Exit status 0 when none waits, 1 when some do, 2 without a lab history.
int syncHistory(const CommandLine& options, const QString& lab, const QString& station);

#endif
