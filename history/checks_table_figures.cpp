// The figures' statements of the table checks; the same SQL for SQLite and PostgreSQL but the day.
#include "history/checks_table.h"

#include "history/report_document.h"
#include "record/diagnosis.h"

namespace {

QString quoted(const QString& name) {
    return u'\'' + name + u'\'';
}

QString outcomeIs(Outcome outcome) {
    return QStringLiteral("outcome = ") + quoted(outcomeName(outcome));
}

QString countWhere(const QString& condition) {
    return QStringLiteral("count(*) FILTER (WHERE %1)").arg(condition);
}

// A column that a history of that version does not have yet reads as NULL.
QString column(Store store, int schemaVersion, const QString& name, int since) {
    return store == Store::Local && schemaVersion < since ? QStringLiteral("NULL") : name;
}

QString volts(Store store, int schemaVersion, int input) {
    return column(store, schemaVersion, QStringLiteral("volts%1").arg(input), 2);
}

}  // namespace

Selection selectFigureGroups(Store store, int schemaVersion, bool connectionsCounted, const HistoryFilter& filter,
                             const QString& timeZone) {
    const bool lab = store == Store::Lab;
    QStringList columns{column(store, schemaVersion, QStringLiteral("station"), 3),
                        lab ? QStringLiteral("to_char(started AT TIME ZONE ?, 'YYYY-MM-DD')")
                            : QStringLiteral("date(started, 'localtime')"),
                        QStringLiteral("count(*)"),
                        countWhere(outcomeIs(Outcome::Pass)),
                        countWhere(outcomeIs(Outcome::Fail)),
                        countWhere(outcomeIs(Outcome::Interrupted)),
                        countWhere(outcomeIs(Outcome::Running))};
    const QString connections = connectionsCounted
                                    ? column(store, schemaVersion, QStringLiteral("failed_connections"), 4)
                                    : QStringLiteral("NULL");
    const auto failedNaming = [&](int bits) {
        return countWhere(QStringLiteral("%1 AND (%2 & %3) <> 0").arg(outcomeIs(Outcome::Fail), connections).arg(bits));
    };
    for (int input = 0; input < 8; ++input) columns << failedNaming(1 << input | 1 << (kCrossedBit + input));
    for (int n = 0; n < 4; ++n) columns << failedNaming(1 << (kAnalogBit + n));
    columns << failedNaming(1 << kSilentBit);
    for (int input = 0; input < 8; ++input) columns << failedNaming(1 << input);
    for (int input = 0; input < 8; ++input) columns << failedNaming(1 << (kCrossedBit + input));
    for (int input = 1; input <= 4; ++input) {
        const QString v = volts(store, schemaVersion, input);
        columns << QStringLiteral("count(%1)").arg(v) << QStringLiteral("sum(%1)").arg(v)
                << QStringLiteral("sum(%1 * %1)").arg(v) << QStringLiteral("min(%1)").arg(v)
                << QStringLiteral("max(%1)").arg(v)
                << countWhere(QStringLiteral("NOT (%1 > %2 AND %1 < %3)").arg(v).arg(kAnalogLow).arg(kAnalogHigh));
    }
    Selection selection = filterCondition(store, schemaVersion, filter);
    selection.sql = QStringLiteral("SELECT ") + columns.join(QStringLiteral(", ")) + QStringLiteral(" FROM checks") +
                    selection.sql + QStringLiteral(" GROUP BY 1, 2");
    if (lab) selection.values.prepend(timeZone);
    return selection;
}

Selection selectYields(Store store, int schemaVersion, const HistoryFilter& filter) {
    // The lab has no id: two checks of a card that started at the same instant are told apart by uuid.
    const QString id = store == Store::Lab ? QStringLiteral("uuid") : QStringLiteral("id");
    Selection selection = filterCondition(store, schemaVersion, filter);
    selection.sql = QStringLiteral(
                        "SELECT %1, %2, %3 FROM (SELECT outcome, row_number() OVER (PARTITION BY card ORDER BY "
                        "started, %4) AS earliest, row_number() OVER (PARTITION BY card ORDER BY started DESC, %4 "
                        "DESC) AS latest FROM checks%5 AND card IS NOT NULL AND kind = %6 AND outcome IN (%7, %8)) "
                        "AS ranked")
                        .arg(countWhere(QStringLiteral("earliest = 1")),
                             countWhere(QStringLiteral("earliest = 1 AND ") + outcomeIs(Outcome::Pass)),
                             countWhere(QStringLiteral("latest = 1 AND ") + outcomeIs(Outcome::Pass)), id,
                             selection.sql.isEmpty() ? QStringLiteral(" WHERE true") : selection.sql,
                             quoted(kindName(CheckKind::Sequence)), quoted(outcomeName(Outcome::Pass)),
                             quoted(outcomeName(Outcome::Fail)));
    return selection;
}

Selection selectCards(Store store, int schemaVersion, const HistoryFilter& filter) {
    Selection selection = filterCondition(store, schemaVersion, filter);
    selection.sql = QStringLiteral("SELECT count(DISTINCT card) FROM checks") + selection.sql;
    return selection;
}

Selection selectRunningOwners(int schemaVersion, const HistoryFilter& filter) {
    Selection selection = filterCondition(Store::Local, schemaVersion, filter);
    selection.sql = QStringLiteral("SELECT owner FROM checks") +
                    (selection.sql.isEmpty() ? QStringLiteral(" WHERE ") : selection.sql + QStringLiteral(" AND ")) +
                    outcomeIs(Outcome::Running);
    return selection;
}

Selection selectVoltBins(Store store, int schemaVersion, const HistoryFilter& filter) {
    const Selection condition = filterCondition(store, schemaVersion, filter);
    QStringList parts;
    Selection selection;
    for (int input = 1; input <= 4; ++input) {
        const QString v = volts(store, schemaVersion, input);
        // Volts are never negative: a cast rounds them down in SQLite; PostgreSQL's would round.
        const QString bin = store == Store::Lab ? QStringLiteral("floor(%1 * %2)::integer")
                                                : QStringLiteral("CAST(%1 * %2 AS INTEGER)");
        parts << QStringLiteral("SELECT %1, %2, count(*) FROM checks%3 GROUP BY 1, 2")
                     .arg(input)
                     .arg(bin.arg(v).arg(kVoltBinsPerVolt),
                          (condition.sql.isEmpty() ? QStringLiteral(" WHERE ")
                                                   : condition.sql + QStringLiteral(" AND ")) +
                              v + QStringLiteral(" IS NOT NULL"));
        selection.values += condition.values;
    }
    selection.sql = parts.join(QStringLiteral(" UNION ALL "));
    return selection;
}
