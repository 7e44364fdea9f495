#include "app/history_commands.h"

#include <cstdio>

#include <QFile>
#include <QSaveFile>

#include "app/start_up.h"
#include "history/history_database.h"
#include "history/history_export.h"

namespace {

constexpr int kCannotRead = 2;

// Standard output or a file replaced whole at the end.
class CsvOutput {
public:
    explicit CsvOutput(const QString& path) : file_(path) {
        if (path == u"-") stdout_.open(stdout, QIODevice::WriteOnly);
    }
    bool open() { return stdout_.isOpen() || file_.open(QIODevice::WriteOnly); }
    void write(const QByteArray& bytes) { (stdout_.isOpen() ? static_cast<QIODevice&>(stdout_) : file_).write(bytes); }
    bool commit() { return stdout_.isOpen() || file_.commit(); }
    QString errorString() const { return file_.errorString(); }

private:
    QFile stdout_;
    QSaveFile file_;
};

}  // namespace

QString historyPath(const CommandLine& options) {
    return options.historyPath.isEmpty() ? defaultHistoryPath() : options.historyPath;
}

int printHistory(const CommandLine& options) {
    // Every date is shown in local time: with TZ unset the C library looks at /etc/localtime again
    // for each one, which costs more than the rest of a long list.
    if (!qEnvironmentVariableIsSet("TZ")) qputenv("TZ", ":/etc/localtime");
    const QString path = historyPath(options);
    if (!QFile::exists(path)) {
        // Nothing checked yet is no mistake.
        printError(QStringLiteral("Todavía no hay ninguna comprobación en el historial %1.").arg(path));
        if (!options.listHistory) {
            CsvOutput csv(options.historyCsv);
            if (!csv.open()) return kCannotRead;
            csv.write(csvHeader());
            return csv.commit() ? 0 : kCannotRead;
        }
        return 0;
    }
    auto opened = HistoryDatabase::open(path, false);
    if (auto* error = std::get_if<QString>(&opened)) {
        printError(*error);
        return kCannotRead;
    }
    const auto& history = std::get<std::unique_ptr<HistoryDatabase>>(opened);
    std::optional<QString> error;
    if (options.listHistory) {
        error = forEachCheck(history->database(), options.card, Reading::List, [](const StoredCheck& check) {
            std::fputs(qPrintable(historyLine(check) + u'\n'), stdout);
        });
    } else {
        CsvOutput csv(options.historyCsv);
        if (!csv.open()) {
            printError(QStringLiteral("No se puede escribir %1: %2.").arg(options.historyCsv, csv.errorString()));
            return kCannotRead;
        }
        csv.write(csvHeader());
        error = forEachCheck(history->database(), options.card, Reading::Spreadsheet,
                             [&csv](const StoredCheck& check) { csv.write(csvRow(check)); });
        if (!error && !csv.commit()) error = csv.errorString();
    }
    std::fflush(stdout);
    if (!error) return 0;
    printError(QStringLiteral("No se puede leer el historial %1: %2.").arg(path, *error));
    return kCannotRead;
}
