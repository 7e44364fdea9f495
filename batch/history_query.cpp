#include "batch/history_query.h"

#include <QFile>
#include <QSaveFile>
#include <QSqlError>

#include "history/history_database.h"
#include "history/history_export.h"

std::optional<QString> writeFilteredCsv(const QSqlDatabase& database, const HistoryFilter& filter,
                                        const QString& path) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return QStringLiteral("No se puede escribir %1: %2.").arg(path, file.errorString());
    QSqlQuery query = filteredChecks(database, filter, 0, true, kExportedCheckColumns);
    file.write(csvHeader());
    while (query.next()) file.write(csvRow(storedCheck(query)));
    if (query.lastError().isValid())
        return QStringLiteral("No se puede leer el historial: %1.").arg(query.lastError().text());
    if (!file.commit()) return QStringLiteral("No se puede escribir %1: %2.").arg(path, file.errorString());
    return std::nullopt;
}

HistoryReader::HistoryReader(QString path) : path_(std::move(path)) {}

HistoryReader::~HistoryReader() = default;

std::optional<QSqlDatabase> HistoryReader::database() {
    if (history_) return history_->database();
    if (path_.isEmpty()) {
        problem_ = QStringLiteral("Las comprobaciones no se guardan en el historial (--no-history).");
        return std::nullopt;
    }
    if (!QFile::exists(path_)) {
        problem_ = QStringLiteral("Todavía no hay ninguna comprobación en el historial %1.").arg(path_);
        return std::nullopt;
    }
    auto opened = HistoryDatabase::open(path_, false);
    if (auto* error = std::get_if<QString>(&opened)) {
        problem_ = *error;
        return std::nullopt;
    }
    history_ = std::move(std::get<std::unique_ptr<HistoryDatabase>>(opened));
    problem_.clear();
    return history_->database();
}
