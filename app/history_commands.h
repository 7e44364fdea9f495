#ifndef APP_HISTORY_COMMANDS_H
#define APP_HISTORY_COMMANDS_H

#include "app/command_line.h"

// The history file the options name: --history, or the user's own.
QString historyPath(const CommandLine& options);

// --history-list and --history-csv: read the history, never the port. Exit status 0, or 2 when the
// history cannot be read or the CSV file cannot be written.
int printHistory(const CommandLine& options);

#endif
