#include "batch/history_query.h"

#include <QFile>
#include <QSaveFile>
#include <QSqlError>
#include <QStringList>
#include <QVariantList>

#include "history/history_database.h"
#include "history/history_export.h"

namespace {

// The column started holds UTC in ISO 8601, whose text order is time order.
QString utcText(const QDate& day) {
    return QDateTime(day, QTime(0, 0)).toUTC().toString(Qt::ISODateWithMs);
}

}  // namespace

QSqlQuery filteredChecks(const QSqlDatabase& database, const HistoryFilter& filter, int limit, bool forwardOnly,
                         const char* columns) {
    QStringList conditions;
    QVariantList values;
    if (!filter.card.isEmpty()) {
        conditions << QStringLiteral("card = ?");
        values << filter.card;
    }
    if (filter.outcome == u"interrupted") {
        // A check left running by a program that is gone was cut short too.
        conditions << QStringLiteral("outcome IN ('interrupted', 'running')");
    } else if (!filter.outcome.isEmpty()) {
        conditions << QStringLiteral("outcome = ?");
        values << filter.outcome;
    }
    if (filter.from.isValid()) {
        conditions << QStringLiteral("started >= ?");
        values << utcText(filter.from);
    }
    if (filter.to.isValid()) {
        conditions << QStringLiteral("started < ?");
        values << utcText(filter.to.addDays(1));
    }
    QString sql = QStringLiteral("SELECT %1 FROM checks").arg(QLatin1String(columns));
    if (!conditions.isEmpty()) sql += QStringLiteral(" WHERE ") + conditions.join(QStringLiteral(" AND "));
    // The id follows the time in the index on started, so the newest come first without a sort.
    sql += QStringLiteral(" ORDER BY started DESC, id DESC");
    if (limit > 0) sql += QStringLiteral(" LIMIT %1").arg(limit);
    QSqlQuery query(database);
    query.setForwardOnly(forwardOnly);
    query.prepare(sql);
    for (const QVariant& value : values) query.addBindValue(value);
    query.exec();
    return query;
}

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
