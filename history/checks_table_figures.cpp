// The figures' statements of the table checks: the same SQL for SQLite and PostgreSQL but the day
// and the key that orders a card's checks. Each is one pass with few aggregates: over a lab's
// million checks, what costs is every row's work in each pass.
#include "history/checks_table.h"

#include "history/report_document.h"

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

// SELECT columns FROM checks WHERE the filter, then what follows.
Selection select(Store store, int schemaVersion, const HistoryFilter& filter, const QString& columns,
                 const QString& then = {}) {
    Selection selection = filterCondition(store, schemaVersion, filter);
    selection.sql = QStringLiteral("SELECT %1 FROM checks").arg(columns) + selection.sql + then;
    return selection;
}

}  // namespace

Selection selectDays(Store store, int schemaVersion, const HistoryFilter& filter, const QString& timeZone) {
    const bool lab = store == Store::Lab;
    QStringList columns{
        lab ? QStringLiteral("(started AT TIME ZONE ?)::date") : QStringLiteral("date(started, 'localtime')"),
        countWhere(outcomeIs(Outcome::Pass)), countWhere(outcomeIs(Outcome::Fail))};
    for (int input = 1; input <= 4; ++input) {
        const QString v = volts(store, schemaVersion, input);
        columns << QStringLiteral("count(%1)").arg(v) << QStringLiteral("sum(%1)").arg(v)
                << QStringLiteral("sum(%1 * %1)").arg(v);
    }
    Selection selection =
        select(store, schemaVersion, filter, columns.join(QStringLiteral(", ")), QStringLiteral(" GROUP BY 1"));
    if (lab) selection.values.prepend(timeZone);
    return selection;
}

Selection selectStations(Store store, int schemaVersion, bool connectionsCounted, const HistoryFilter& filter) {
    const QString connections = connectionsCounted
                                    ? column(store, schemaVersion, QStringLiteral("failed_connections"), 4)
                                    : QStringLiteral("NULL");
    return select(
        store, schemaVersion, filter,
        QStringLiteral("%1, outcome, CASE WHEN %2 THEN coalesce(%3, -1) END, count(*)")
            .arg(column(store, schemaVersion, QStringLiteral("station"), 3), outcomeIs(Outcome::Fail), connections),
        QStringLiteral(" GROUP BY 1, 2, 3"));
}

// A card's earliest counted check passed when it started no later than its earliest that passed;
// its latest, likewise: four aggregates of the time alone, in SQLite's text as in PostgreSQL's.
Selection selectCards(Store store, int schemaVersion, const HistoryFilter& filter) {
    const QString counted = QStringLiteral("card IS NOT NULL AND kind = %1 AND outcome IN (%2, %3)")
                                .arg(quoted(kindName(CheckKind::Sequence)), quoted(outcomeName(Outcome::Pass)),
                                     quoted(outcomeName(Outcome::Fail)));
    const QString passed = counted + QStringLiteral(" AND ") + outcomeIs(Outcome::Pass);
    Selection cards = select(store, schemaVersion, filter,
                             QStringLiteral("card, min(started) FILTER (WHERE %1) AS earliest, min(started) FILTER "
                                            "(WHERE %2) AS earliest_pass, max(started) FILTER (WHERE %1) AS latest, "
                                            "max(started) FILTER (WHERE %2) AS latest_pass")
                                 .arg(counted, passed),
                             QStringLiteral(" GROUP BY card"));
    cards.sql = QStringLiteral("SELECT count(card), count(earliest), %1, %2 FROM (%3) AS cards")
                    .arg(countWhere(QStringLiteral("earliest = earliest_pass")),
                         countWhere(QStringLiteral("latest = latest_pass")), cards.sql);
    return cards;
}

Selection selectVoltValues(Store store, int schemaVersion, const HistoryFilter& filter) {
    QStringList readings;
    for (int input = 1; input <= 4; ++input) readings << volts(store, schemaVersion, input);
    return select(store, schemaVersion, filter, readings.join(QStringLiteral(", ")) + QStringLiteral(", count(*)"),
                  QStringLiteral(" GROUP BY 1, 2, 3, 4"));
}

Selection selectRunningOwners(int schemaVersion, const HistoryFilter& filter) {
    HistoryFilter running = filter;
    running.outcome = Outcome::Running;
    return select(Store::Local, schemaVersion, running, QStringLiteral("owner"));
}
