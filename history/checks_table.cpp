#include "history/checks_table.h"

#include <QJsonDocument>
#include <QStringList>
#include <QUuid>

#include "history/history_database.h"
#include "history/report_document.h"
#include "history/time_text.h"
#include "record/diagnosis.h"

namespace {

// One step per schema version. Version 1 kept only the document; version 2 keeps beside it what a
// list shows, and indexes that hold all of it, so that listing reads neither the documents nor
// their pages.
const char* const kStepTo1[] = {
    "CREATE TABLE checks (id INTEGER PRIMARY KEY, started TEXT NOT NULL, finished TEXT, card TEXT, "
    "kind TEXT NOT NULL, mode TEXT NOT NULL, outcome TEXT NOT NULL, owner TEXT NOT NULL, record TEXT NOT NULL)",
    "CREATE INDEX checks_by_card ON checks (card, started)",
    "CREATE INDEX checks_by_started ON checks (started)",
    "CREATE INDEX checks_by_kind ON checks (kind, started)",
    "CREATE INDEX checks_by_outcome ON checks (outcome, started)",
};
const char* const kStepTo2Columns[] = {
    "ALTER TABLE checks ADD COLUMN summary TEXT",       "ALTER TABLE checks ADD COLUMN failed_test INTEGER",
    "ALTER TABLE checks ADD COLUMN failed_inputs TEXT", "ALTER TABLE checks ADD COLUMN port TEXT",
    "ALTER TABLE checks ADD COLUMN version TEXT",       "ALTER TABLE checks ADD COLUMN volts1 REAL",
    "ALTER TABLE checks ADD COLUMN volts2 REAL",        "ALTER TABLE checks ADD COLUMN volts3 REAL",
    "ALTER TABLE checks ADD COLUMN volts4 REAL",
};
// Each index holds every column its reading selects, so a list reads only the index's pages: the
// whole list, one card's list, and the spreadsheet, which shows more.
const char* const kStepTo2Indexes[] = {
    "DROP INDEX checks_by_card",
    "DROP INDEX checks_by_started",
    "CREATE INDEX checks_listed ON checks (started, id, card, kind, outcome, summary)",
    "CREATE INDEX checks_by_card ON checks (card, started, id, kind, outcome, summary)",
    "CREATE INDEX checks_exported ON checks (started, id, card, finished, kind, mode, outcome, summary, "
    "failed_test, failed_inputs, port, version, volts1, volts2, volts3, volts4)",
};
// Version 3 gives each check its uuid, its station (set for older checks when they are first sent)
// and whether it waits to be sent.
const char* const kStepTo3[] = {
    "ALTER TABLE checks ADD COLUMN uuid TEXT",
    "ALTER TABLE checks ADD COLUMN station TEXT",
    "ALTER TABLE checks ADD COLUMN sent INTEGER NOT NULL DEFAULT 0",
    // A version 4 UUID, as QUuid makes them, for every check kept before.
    "UPDATE checks SET uuid = lower(hex(randomblob(4)) || '-' || hex(randomblob(2)) || '-4' || "
    "substr(hex(randomblob(2)), 2) || '-' || substr('89ab', 1 + abs(random()) % 4, 1) || "
    "substr(hex(randomblob(2)), 2) || '-' || hex(randomblob(6)))",
    "CREATE UNIQUE INDEX checks_by_uuid ON checks (uuid)",
    "CREATE INDEX checks_unsent ON checks (id) WHERE sent = 0",
    // A list shows the station too: its indexes hold it.
    "DROP INDEX checks_listed",
    "DROP INDEX checks_by_card",
    "DROP INDEX checks_exported",
    "CREATE INDEX checks_listed ON checks (started, id, card, kind, outcome, summary, station)",
    "CREATE INDEX checks_by_card ON checks (card, started, id, kind, outcome, summary, station)",
    "CREATE INDEX checks_by_station ON checks (station, started, id, card, kind, outcome, summary)",
    "CREATE INDEX checks_exported ON checks (started, id, card, finished, kind, mode, outcome, summary, "
    "failed_test, failed_inputs, port, version, volts1, volts2, volts3, volts4, station)",
};

// Version 4 keeps the connections the diagnosis names, for figures that SQL counts over an index
// that holds every column they read.
const char* const kStepTo4[] = {
    "ALTER TABLE checks ADD COLUMN failed_connections INTEGER",
    "CREATE INDEX checks_counted ON checks (started, station, card, kind, outcome, failed_connections, volts1, "
    "volts2, volts3, volts4)",
};

// What goes to the lab: what a check's start sets once, then what its end fills in.
const QStringList kFixedColumns{QStringLiteral("station"), QStringLiteral("started"), QStringLiteral("kind"),
                                QStringLiteral("mode")};
const QStringList kEndedColumns{
    QStringLiteral("finished"),      QStringLiteral("card"),    QStringLiteral("outcome"),
    QStringLiteral("owner"),         QStringLiteral("summary"), QStringLiteral("failed_test"),
    QStringLiteral("failed_inputs"), QStringLiteral("port"),    QStringLiteral("version"),
    QStringLiteral("volts1"),        QStringLiteral("volts2"),  QStringLiteral("volts3"),
    QStringLiteral("volts4"),        QStringLiteral("record"),  QStringLiteral("failed_connections")};

// The columns storedCheck reads, in order.
enum Column {
    Id,
    Started,
    Finished,
    Card,
    Kind,
    Mode,
    Result,
    Owner,
    Summary,
    FailedTest,
    FailedInputs,
    Port,
    Version,
    Volts1,
    Record = Volts1 + 4,
    Station,
    Uuid,
};

template <std::size_t N>
std::optional<QSqlError> runAll(QSqlQuery& query, const char* const (&statements)[N]) {
    for (const char* statement : statements)
        if (!query.exec(QString::fromLatin1(statement))) return query.lastError();
    return std::nullopt;
}

QVariant orNull(const QString& text) {
    return text.isEmpty() ? QVariant() : QVariant(text);
}

// What a list shows of a check, beside its document.
QList<ColumnValue> findingValues(const CheckFindings& findings, const CheckContext& context, const QString& version) {
    QList<ColumnValue> values{
        {QStringLiteral("summary"), orNull(findings.summary)},
        {QStringLiteral("failed_test"), findings.failedTest ? QVariant(findings.failedTest) : QVariant()},
        {QStringLiteral("failed_inputs"), orNull(numberList(findings.failedInputs))},
        {QStringLiteral("port"), portName(context)},
        {QStringLiteral("version"), version},
    };
    for (int input = 0; input < 4; ++input)
        values << ColumnValue{QStringLiteral("volts%1").arg(input + 1),
                              findings.lastVolts ? QVariant((*findings.lastVolts)[input]) : QVariant()};
    return values;
}

// Nothing while the check runs.
QVariant failedConnectionsValue(const RunRecord& record) {
    return record.outcome == Outcome::Running ? QVariant() : QVariant(failedConnections(diagnose(record)));
}

// Every column of a check's row but its id, uuid and owner, from its record.
QList<ColumnValue> rowValues(const RunRecord& record, const CheckContext& context) {
    QList<ColumnValue> values{
        {QStringLiteral("started"), utcText(record.started)},
        {QStringLiteral("finished"), record.finished.isValid() ? QVariant(utcText(record.finished)) : QVariant()},
        {QStringLiteral("card"), orNull(context.card)},
        {QStringLiteral("kind"), kindName(record.kind)},
        {QStringLiteral("mode"), modeName(context.mode)},
        {QStringLiteral("outcome"), outcomeName(record.outcome)},
        {QStringLiteral("record"), QString::fromUtf8(reportDocument(record, context).toJson(QJsonDocument::Compact))},
        {QStringLiteral("station"), orNull(context.station)},
        {QStringLiteral("failed_connections"), failedConnectionsValue(record)},
    };
    return values + findingValues(findingsOf(record), context, QStringLiteral(CARDCHECK_VERSION));
}

QString assignments(const QList<ColumnValue>& values) {
    QStringList assigned;
    for (const ColumnValue& value : values) assigned << value.column + QStringLiteral(" = ?");
    return assigned.join(u',');
}

// The columns, in Column's order, that a reader selects from a history of that store and schema
// version. A history of version 1 keeps only the document, which is read whole then.
QString storedColumns(Store store, int schemaVersion, ColumnSet columnSet) {
    const bool lab = store == Store::Lab;
    if (!lab && schemaVersion < 2)
        return QStringLiteral(
            "id, started, finished, card, kind, mode, outcome, owner, NULL, NULL, NULL, NULL, NULL, "
            "NULL, NULL, NULL, NULL, record, NULL, NULL");
    const bool indexed = columnSet == ColumnSet::List || columnSet == ColumnSet::Spreadsheet;
    // The owner tells only whether a running check's program is still there: it is looked up for those alone.
    const QString owner = lab       ? QStringLiteral("NULL")
                          : indexed ? QStringLiteral(
                                          "CASE outcome WHEN 'running' THEN (SELECT owner FROM checks AS row "
                                          "WHERE row.id = checks.id) END")
                                    : QStringLiteral("owner");
    const QString shown = columnSet == ColumnSet::List
                              ? QStringLiteral(
                                    "NULL, card, kind, NULL, outcome, %1, summary, NULL, NULL, NULL, NULL, "
                                    "NULL, NULL, NULL, NULL")
                              : QStringLiteral(
                                    "finished, card, kind, mode, outcome, %1, summary, failed_test, "
                                    "failed_inputs, port, version, volts1, volts2, volts3, volts4");
    const QString record = columnSet != ColumnSet::Whole ? QStringLiteral("NULL")
                           : lab                         ? QStringLiteral("record::text")
                                                         : QStringLiteral("record");
    // The lab history knows a check by its uuid alone; a station's own by its id, so its list and
    // spreadsheet leave the uuid out, which their indexes do not hold.
    const QString keys = lab                 ? QStringLiteral("station, uuid::text")
                         : schemaVersion < 3 ? QStringLiteral("NULL, NULL")
                         : indexed           ? QStringLiteral("station, NULL")
                                             : QStringLiteral("station, uuid");
    return (lab ? QStringLiteral("0, ") : QStringLiteral("id, ")) + QStringLiteral("started, ") + shown.arg(owner) +
           u',' + record + u',' + keys;
}

// Version 2's columns, for the checks a version 1 kept: from their documents, as they were written.
std::optional<QSqlError> fillListedColumns(QSqlDatabase database) {
    QSqlQuery rows(database);
    rows.setForwardOnly(true);
    if (!rows.exec(QStringLiteral("SELECT %1 FROM checks").arg(storedColumns(Store::Local, 1, ColumnSet::Whole))))
        return rows.lastError();
    QSqlQuery update(database);
    while (rows.next()) {
        const StoredCheck check = storedCheck(rows);
        const QList<ColumnValue> values = findingValues(check.findings, check.context, check.version);
        const QString statement = QStringLiteral("UPDATE checks SET %1 WHERE id = ?").arg(assignments(values));
        if (update.lastQuery() != statement && !update.prepare(statement)) return update.lastError();
        for (const ColumnValue& value : values) update.addBindValue(value.value);
        update.addBindValue(check.id);
        if (!update.exec()) return update.lastError();
    }
    if (rows.lastError().isValid()) return rows.lastError();
    return std::nullopt;
}

// Version 4's column, for the checks kept before: from their documents, by the same diagnosis.
std::optional<QSqlError> fillFailedConnections(QSqlDatabase database) {
    QSqlQuery rows(database);
    rows.setForwardOnly(true);
    if (!rows.exec(QStringLiteral("SELECT %1 FROM checks WHERE outcome <> '%2'")
                       .arg(storedColumns(Store::Local, 3, ColumnSet::Whole), outcomeName(Outcome::Running))))
        return rows.lastError();
    QSqlQuery update(database);
    update.prepare(QStringLiteral("UPDATE checks SET failed_connections = ? WHERE id = ?"));
    while (rows.next()) {
        const StoredCheck check = storedCheck(rows);
        update.addBindValue(failedConnectionsValue(check.record));
        update.addBindValue(check.id);
        if (!update.exec()) return update.lastError();
    }
    if (rows.lastError().isValid()) return rows.lastError();
    return std::nullopt;
}

// A query's values are read one by one, since building its whole record for each row would cost
// more than the rest of a long list.
void readColumns(const QSqlQuery& row, StoredCheck& check) {
    check.id = row.value(Id).toLongLong();
    check.uuid = row.value(Uuid).toString();
    check.context.station = row.value(Station).toString();
    check.owner = row.value(Owner).toString();
    check.record.started = timeOf(row.value(Started));
    check.record.finished = timeOf(row.value(Finished));
    check.record.kind = kindOf(row.value(Kind).toString());
    check.record.outcome = outcomeSeen(outcomeOf(row.value(Result).toString()), check.owner);
    check.context.card = row.value(Card).toString();
    check.context.mode = modeOf(row.value(Mode).toString());
    if (check.whole) return;
    check.context.device = deviceOf(row.value(Port).toString());
    check.version = row.value(Version).toString();
    check.findings.summary = row.value(Summary).toString();
    check.findings.failedTest = row.value(FailedTest).toInt();
    for (QStringView input : row.value(FailedInputs).toString().split(QStringLiteral(", "), Qt::SkipEmptyParts))
        check.findings.failedInputs << input.toInt();
    if (!row.value(Volts1).isNull()) {
        AnalogVolts volts{};
        for (int input = 0; input < 4; ++input) volts[input] = row.value(Volts1 + input).toDouble();
        check.findings.lastVolts = volts;
    }
}

QString outgoingColumns() {
    return QStringLiteral("id, uuid, ") + kFixedColumns.join(u',') + u',' + kEndedColumns.join(u',');
}

// A time as the lab reads it, whatever the history kept.
QVariant timeValue(const QVariant& kept) {
    return kept.isNull() ? QVariant() : QVariant(utcText(timeOf(kept)));
}

OutgoingCheck outgoingCheck(const QSqlQuery& query, const QString& station) {
    OutgoingCheck check;
    check.id = query.value(0).toLongLong();
    check.row.uuid = query.value(1).toString();
    int column = 2;
    for (const QString& name : kFixedColumns) check.row.fixed << ColumnValue{name, query.value(column++)};
    for (const QString& name : kEndedColumns) check.row.ended << ColumnValue{name, query.value(column++)};
    const auto value = [&check](const QString& name) -> QVariant& {
        for (auto* values : {&check.row.fixed, &check.row.ended})
            for (ColumnValue& value : *values)
                if (value.column == name) return value.value;
        Q_UNREACHABLE();
    };
    if (value(QStringLiteral("station")).isNull()) value(QStringLiteral("station")) = station;
    for (const char* time : {"started", "finished"}) value(QLatin1String(time)) = timeValue(value(QLatin1String(time)));
    check.card = value(QStringLiteral("card")).toString();
    QVariant& outcome = value(QStringLiteral("outcome"));
    check.storedOutcome = outcome.toString();
    const Outcome seen = outcomeSeen(outcomeOf(check.storedOutcome), value(QStringLiteral("owner")).toString());
    if (seen != outcomeOf(check.storedOutcome)) {
        outcome = outcomeName(seen);
        check.mark = SentState::SentInterrupted;
    }
    return check;
}

std::variant<QList<OutgoingCheck>, QSqlError> outgoing(QSqlQuery& query, const QString& station) {
    if (!query.exec()) return query.lastError();
    QList<OutgoingCheck> checks;
    while (query.next()) checks << outgoingCheck(query, station);
    return checks;
}

}  // namespace

std::optional<QSqlError> migrateChecks(QSqlDatabase database, int from) {
    QSqlQuery query(database);
    std::optional<QSqlError> error;
    if (from < 1) error = runAll(query, kStepTo1);
    if (!error && from < 2) {
        error = runAll(query, kStepTo2Columns);
        if (!error) error = fillListedColumns(database);
        if (!error) error = runAll(query, kStepTo2Indexes);
    }
    if (!error && from < 3) error = runAll(query, kStepTo3);
    if (!error && from < 4) {
        error = runAll(query, kStepTo4);
        if (!error) error = fillFailedConnections(database);
    }
    return error;
}

Outcome outcomeSeen(Outcome stored, const QString& owner) {
    return stored == Outcome::Running && !owner.isNull() && !programRunning(owner) ? Outcome::Interrupted : stored;
}

QSqlQuery insertCheck(QSqlDatabase database, const RunRecord& record, const CheckContext& context,
                      const QString& owner) {
    const QList<ColumnValue> values =
        QList<ColumnValue>{{QStringLiteral("owner"), owner},
                           {QStringLiteral("uuid"), QUuid::createUuid().toString(QUuid::WithoutBraces)}} +
        rowValues(record, context);
    QStringList columns;
    for (const ColumnValue& value : values) columns << value.column;
    QSqlQuery query(database);
    query.prepare(QStringLiteral("INSERT INTO checks (%1) VALUES (?%2)")
                      .arg(columns.join(u','), QStringLiteral(", ?").repeated(values.size() - 1)));
    for (const ColumnValue& value : values) query.addBindValue(value.value);
    return query;
}

QSqlQuery completeCheck(QSqlDatabase database, qint64 id, const RunRecord& record, const CheckContext& context) {
    const QList<ColumnValue> values = rowValues(record, context);
    QSqlQuery query(database);
    // Its end waits to be sent, as its start did.
    query.prepare(QStringLiteral("UPDATE checks SET %1, sent = %2 WHERE id = ?")
                      .arg(assignments(values))
                      .arg(int(SentState::Waiting)));
    for (const ColumnValue& value : values) query.addBindValue(value.value);
    query.addBindValue(id);
    return query;
}

Selection filterCondition(Store store, int schemaVersion, const HistoryFilter& filter) {
    const bool lab = store == Store::Lab;
    QStringList conditions;
    Selection selection;
    if (filter.cardPattern && filter.card.contains(u'*')) {
        // Case matters, as for a label given whole; a label prefix reads an index in both.
        if (lab) {
            QString pattern = filter.card;
            for (const char* special : {"\\", "%", "_"})
                pattern.replace(QLatin1String(special), QStringLiteral("\\") + QLatin1String(special));
            conditions << QStringLiteral("card LIKE ?");
            selection.values << pattern.replace(u'*', u'%');
        } else {
            conditions << QStringLiteral("card GLOB ?");
            selection.values
                << QString(filter.card).replace(u'[', QStringLiteral("[[]")).replace(u'?', QStringLiteral("[?]"));
        }
    } else if (!filter.card.isEmpty()) {
        conditions << QStringLiteral("card = ?");
        selection.values << filter.card;
    }
    if (filter.outcome == Outcome::Interrupted) {
        // A check left running by a program that is gone was cut short too.
        conditions << QStringLiteral("outcome IN (?, ?)");
        selection.values << outcomeName(Outcome::Interrupted) << outcomeName(Outcome::Running);
    } else if (filter.outcome) {
        conditions << QStringLiteral("outcome = ?");
        selection.values << outcomeName(*filter.outcome);
    }
    if (filter.from.isValid()) {
        conditions << QStringLiteral("started >= ?");
        selection.values << utcText(filter.from);
    }
    if (filter.to.isValid()) {
        conditions << QStringLiteral("started < ?");
        selection.values << utcText(filter.to.addDays(1));
    }
    if (!filter.station.isEmpty()) {
        // A history kept before stations were named has none.
        if (!lab && schemaVersion < 3) {
            conditions << QStringLiteral("0 = 1");
        } else {
            conditions << QStringLiteral("station = ?");
            selection.values << filter.station;
        }
    }
    if (!conditions.isEmpty()) selection.sql = QStringLiteral(" WHERE ") + conditions.join(QStringLiteral(" AND "));
    return selection;
}

Selection selectChecks(Store store, int schemaVersion, const HistoryFilter& filter, int limit, ColumnSet columnSet) {
    Selection selection = filterCondition(store, schemaVersion, filter);
    selection.sql =
        QStringLiteral("SELECT %1 FROM checks").arg(storedColumns(store, schemaVersion, columnSet)) + selection.sql;
    // The id follows the time in the local indexes that hold a list, so the newest come first
    // unsorted; the lab's indexes hold the time alone in that order.
    selection.sql += store == Store::Lab ? QStringLiteral(" ORDER BY started DESC")
                                         : QStringLiteral(" ORDER BY started DESC, id DESC");
    if (limit > 0) selection.sql += QStringLiteral(" LIMIT %1").arg(limit);
    return selection;
}

Selection selectWhole(Store store, int schemaVersion, const StoredCheck& check) {
    const bool lab = store == Store::Lab;
    return {QStringLiteral("SELECT %1 FROM checks WHERE %2")
                .arg(storedColumns(store, schemaVersion, ColumnSet::Whole),
                     lab ? QStringLiteral("uuid = ?::uuid") : QStringLiteral("id = ?")),
            {lab ? QVariant(check.uuid) : QVariant(check.id)}};
}

StoredCheck storedCheck(const QSqlQuery& row) {
    StoredCheck check;
    if (!row.value(Record).isNull()) {
        ReportContents contents = readReport(QJsonDocument::fromJson(row.value(Record).toString().toUtf8()));
        check.record = std::move(contents.record);
        check.context = std::move(contents.context);
        check.version = std::move(contents.version);
        check.findings = findingsOf(check.record);
        check.whole = true;
    }
    readColumns(row, check);
    return check;
}

std::variant<QList<OutgoingCheck>, QSqlError> waitingChecks(QSqlDatabase database, const QString& station, qint64 after,
                                                            int limit) {
    QSqlQuery query(database);
    query.setForwardOnly(true);
    // The state as a literal, as the partial index of the waiting rows is written.
    query.prepare(QStringLiteral("SELECT %1 FROM checks WHERE sent = %2 AND id > ? ORDER BY id LIMIT %3")
                      .arg(outgoingColumns())
                      .arg(int(SentState::Waiting))
                      .arg(limit));
    query.addBindValue(after);
    return outgoing(query, station);
}

std::variant<QList<OutgoingCheck>, QSqlError> cutShortChecks(QSqlDatabase database, const QString& station) {
    QSqlQuery query(database);
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT %1 FROM checks WHERE outcome = ? AND sent = ?").arg(outgoingColumns()));
    query.addBindValue(outcomeName(Outcome::Running));
    query.addBindValue(int(SentState::Sent));
    auto checks = outgoing(query, station);
    if (auto* list = std::get_if<QList<OutgoingCheck>>(&checks))
        list->removeIf([](const OutgoingCheck& check) { return check.mark != SentState::SentInterrupted; });
    return checks;
}

std::optional<QSqlError> markSent(QSqlDatabase database, const QString& station,
                                  const QList<const OutgoingCheck*>& sent) {
    database.transaction();
    QSqlQuery mark(database);
    mark.prepare(
        QStringLiteral("UPDATE checks SET sent = ?, station = coalesce(station, ?) WHERE id = ? AND outcome = ?"));
    for (const OutgoingCheck* check : sent) {
        mark.addBindValue(int(check->mark));
        mark.addBindValue(station);
        mark.addBindValue(check->id);
        mark.addBindValue(check->storedOutcome);
        if (!mark.exec()) {
            const QSqlError error = mark.lastError();
            database.rollback();
            return error;
        }
    }
    if (!database.commit()) return database.lastError();
    return std::nullopt;
}

int waitingCount(QSqlDatabase database) {
    QSqlQuery query(database);
    query.prepare(QStringLiteral("SELECT count(*) FROM checks WHERE sent = %1").arg(int(SentState::Waiting)));
    int waiting = query.exec() && query.next() ? query.value(0).toInt() : 0;
    query.prepare(QStringLiteral("SELECT owner FROM checks WHERE outcome = ? AND sent = ?"));
    query.addBindValue(outcomeName(Outcome::Running));
    query.addBindValue(int(SentState::Sent));
    if (query.exec())
        while (query.next())
            waiting += outcomeSeen(Outcome::Running, query.value(0).toString()) == Outcome::Interrupted ? 1 : 0;
    return waiting;
}
