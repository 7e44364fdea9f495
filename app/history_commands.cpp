#include "app/history_commands.h"

#include <cstdio>

#include "app/start_up.h"
#include "history/history_database.h"
#include "history/history_reader.h"

namespace {
constexpr int kCannotRead = 2;
}

QString historyPath(const CommandLine& options) {
    return options.historyPath.isEmpty() ? defaultHistoryPath() : options.historyPath;
}

int printHistory(const CommandLine& options) {
    // Every date is shown in local time: with TZ unset the C library looks at /etc/localtime again
    // for each one, which costs more than the rest of a long list.
    if (!qEnvironmentVariableIsSet("TZ")) qputenv("TZ", ":/etc/localtime");
    HistoryReader reader(historyPath(options));
    if (auto problem = reader.problem()) {
        printError(*problem);
        if (!reader.missing()) return kCannotRead;  // nothing checked yet is no mistake
    }
    const HistoryFilter filter{options.card, {}, {}, {}};
    const auto error =
        options.mode == Mode::List ? reader.writeList(filter, stdout) : reader.writeCsv(filter, options.historyCsv);
    if (!error) return 0;
    printError(*error);
    return kCannotRead;
}
