#include "history/check_query.h"

#include <QStringList>
#include <QVariantList>

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
