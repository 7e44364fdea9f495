#include "app/history_commands.h"

#include <cstdio>

#include "app/start_up.h"
#include "history/history_database.h"
#include "history/history_reader.h"
#include "history/lab_sender.h"

namespace {
constexpr int kCannotRead = 2;
constexpr int kChecksWait = 1;
}  // namespace

QString historyPath(const CommandLine& options) {
    return options.historyPath.isEmpty() ? defaultHistoryPath() : options.historyPath;
}

int printHistory(const CommandLine& options, const QString& lab) {
    // Every date is shown in local time: with TZ unset the C library looks at /etc/localtime again
    // for each one, which costs more than the rest of a long list.
    if (!qEnvironmentVariableIsSet("TZ")) qputenv("TZ", ":/etc/localtime");
    HistoryReader reader(historyPath(options), lab);
    const auto problem = reader.problem();
    if (reader.labProblem()) printError(*reader.labProblem() + HistoryReader::localInstead());
    if (problem) {
        printError(*problem);
        if (!reader.missing()) return kCannotRead;  // nothing checked yet is no mistake
    }
    const HistoryFilter filter{options.card, {}, {}, {}, options.station.value_or(QString()).trimmed()};
    const auto error =
        options.mode == Mode::List ? reader.writeList(filter, stdout) : reader.writeCsv(filter, options.historyCsv);
    if (!error) return 0;
    printError(*error);
    return kCannotRead;
}

int printFigures(const CommandLine& options, const QString& lab) {
    HistoryReader reader(historyPath(options), lab);
    HistoryFilter filter{options.card, {}, options.since, options.until, options.station.value_or(QString()).trimmed()};
    filter.cardPattern = true;
    const auto figures = reader.figures(filter);
    if (reader.labProblem()) printError(*reader.labProblem() + HistoryReader::localInstead());
    if (auto* error = std::get_if<QString>(&figures)) {
        printError(*error);
        return kCannotRead;
    }
    const HistoryFigures& read = std::get<HistoryFigures>(figures);
    const QByteArray out = options.json ? figuresJson(read).toJson() : figuresText(read).toUtf8();
    std::fwrite(out.constData(), 1, size_t(out.size()), stdout);
    return 0;
}

int syncHistory(const CommandLine& options, const QString& lab, const QString& station) {
    if (lab.isEmpty()) {
        printError(
            QStringLiteral("No hay historial del laboratorio al que enviar: indíquelo con --lab-history o con "
                           "la clave laboratorio= de cardcheck.conf."));
        return kCannotRead;
    }
    const SendTally tally = syncRound(historyPath(options), lab, station);
    if (tally.problem) printError(*tally.problem);
    if (tally.historyUnusable) return kCannotRead;
    std::printf("%s\n", qPrintable(QStringLiteral("Enviadas al historial del laboratorio: %1. Por enviar: %2.")
                                       .arg(tally.sent)
                                       .arg(tally.waiting)));
    return tally.waiting == 0 ? 0 : kChecksWait;
}
