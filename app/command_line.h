#ifndef APP_COMMAND_LINE_H
#define APP_COMMAND_LINE_H

#include <optional>

#include <QString>
#include <QStringList>

#include "card/card_faults.h"

struct CommandLine {
    QString device;
    bool simulate = false;
    bool headless = false;  // --auto: the sequence once, without a window
    bool batch = false;     // --batch: the station for a stack of cards
    CardFaults faults;
    QStringList faultOptions;  // the --fault options as given, for the report
    QString reportPath;        // --report; empty when no report is kept
    QString card;              // --card: the label of the card checked, trimmed; empty when none
    QString historyPath;       // --history; empty for the user's own history
    bool keepHistory = true;   // false with --no-history
    bool listHistory = false;  // --history-list: print the history and end
    QString historyCsv;        // --history-csv: write the history as CSV there ("-": standard output) and end
    bool listPorts = false;    // --ports: list the parallel ports and end
};

// Why a card's label cannot be used, in Spanish; nothing when it can (once trimmed).
std::optional<QString> cardLabelProblem(const QString& label);

// The outcome of reading the arguments: either options to run with, or text to print and the
// status to exit with (help and version: 0 on standard output; a mistake: 2 on standard error).
struct ParsedCommandLine {
    std::optional<CommandLine> options;
    QString text;
    int exitStatus = 0;
};

ParsedCommandLine parseCommandLine(const QStringList& arguments);

#endif
