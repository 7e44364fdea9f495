#ifndef APP_COMMAND_LINE_H
#define APP_COMMAND_LINE_H

#include <optional>

#include <QDate>
#include <QString>
#include <QStringList>

#include "card/card_faults.h"

// What the program does in one run; each option belongs to some of them.
enum class Mode {
    Window,    // the main menu and its windows
    Batch,     // --batch: the window for a stack of cards
    Headless,  // --auto: the sequence once, without a window
    List,      // --history-list: print the history and end
    Csv,       // --history-csv: write the history as CSV and end
    Ports,     // --ports: list the parallel ports and end
    Sync,      // --history-sync: send the checks that wait to the lab history and end
    Stats,     // --history-stats: print the history's figures and end
};

struct CommandLine {
    Mode mode = Mode::Window;
    QString device;
    bool simulate = false;
    CardFaults faults;
    QStringList faultOptions;  // the --fault options as given, for the report
    QString reportPath;        // --report; empty when no report is kept
    QString picturePath;       // --picture: the marked wiring picture as PNG; empty when none
    QString card;              // --card: the label of the card checked, trimmed; empty when none
    QString historyPath;       // --history; empty for the user's own history
    bool keepHistory = true;   // false with --no-history
    QString historyCsv;        // --history-csv: where the CSV goes ("-": standard output)
    // As given; cardcheck.conf and the host name fill in what is not (lab/lab_settings.h).
    std::optional<QString> labHistory;  // --lab-history
    std::optional<QString> station;     // --station; with --history-list and --history-csv, a filter
    // With --history-stats: the first and last local day (invalid for no limit), and JSON output.
    QDate since;
    QDate until;
    bool json = false;
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
