#ifndef HISTORY_CHECKS_TABLE_H
#define HISTORY_CHECKS_TABLE_H

#include <optional>
#include <variant>

#include <QDate>
#include <QList>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QVariantList>

#include "lab/check_row.h"
#include "record/run_record.h"
#include "record/wording.h"

// The table checks, one row per check, of a station's own history (SQLite) and of a lab's
// (PostgreSQL, packaging/postgresql/historial-esquema.sql): the one place on the station's side
// that names its columns, writes its rows and reads them back.
//   id        the check's number in a station's own history
//   uuid      its identifier, made by the station, which the lab history knows it by
//   station   the station that made it; NULL for a check kept before version 3 until it is sent
//   started   its start, UTC, ISO 8601 ("2026-12-07T09:00:00.123Z"), so that text order is time order
//   finished  its end, likewise; NULL while it runs
//   card      the card's label; NULL when none was given
//   kind, mode, outcome   their names (report_document.h)
//   owner     the program that writes it while it runs (thisProgram()), to tell a running check
//             from one that was cut short
//   record    the JSON document of --report
//   summary, failed_test, failed_inputs, port, version, volts1 to volts4: what a list shows of the
//             record (a station's schema version 2 on)
//   sent      a SentState (a station's own history, version 3 on)
//   failed_connections  the connections the diagnosis of an ended check names, as failedConnections()
//             gives them (a station's version 4 on; the lab's once historial-laboratorio.sql has been
//             run again, which fills it in for the checks of stations of an earlier version)

// The schema version of a station's own history (PRAGMA user_version).
constexpr int kLocalSchemaVersion = 4;
// Brings a station's table from version `from` to kLocalSchemaVersion, inside a transaction the
// caller holds; gives back the error of the step that failed.
std::optional<QSqlError> migrateChecks(QSqlDatabase database, int from);

// Where a check of a station's own history stands with the lab history.
enum class SentState {
    Waiting = 0,          // not sent yet
    Sent = 1,             // sent as it was then (a running check, sent again when it ends)
    SentInterrupted = 2,  // left running by a program that is gone: sent as interrupted
};

// A check left running by a program that is gone (killed, a crash, a power cut) counts as
// interrupted. With no owner read (the lab's lists), a running check stays running: its own
// station ends it.
Outcome outcomeSeen(Outcome stored, const QString& owner);

// A check that starts, as an insert with its owner and a new uuid; its end, as an update of its
// row that marks it waiting to be sent again. Prepared and bound: the caller runs them.
QSqlQuery insertCheck(QSqlDatabase database, const RunRecord& record, const CheckContext& context,
                      const QString& owner);
QSqlQuery completeCheck(QSqlDatabase database, qint64 id, const RunRecord& record, const CheckContext& context);

// One check as a history keeps it, read back.
struct StoredCheck {
    qint64 id = 0;    // in a station's own history; 0 in the lab's
    QString uuid;     // the identifier the station made for it; empty before schema version 3
    QString owner;    // the program that writes it while it runs
    QString version;  // of the program that wrote it
    // Read whole, with its document; otherwise only its times, kind and outcome, and of its context
    // all but the faults: what a list shows, which findings holds.
    RunRecord record;
    CheckContext context;
    CheckFindings findings;
    bool whole = false;
};

// Which checks a reader reads, or a view shows: one card's, one outcome's, those of some days, one station's.
struct HistoryFilter {
    QString card;                    // the label, exactly; empty for every card
    std::optional<Outcome> outcome;  // interrupted takes in the checks left running by a program that is gone
    QDate from;                      // first day, local time; invalid for no limit
    QDate to;                        // last day, likewise
    QString station;                 // the station's name, exactly; empty for every station
    bool cardPattern = false;        // a '*' in card matches any characters there
};
// What a reader reads of each check: what a list shows, what a spreadsheet shows, every column but
// the document, or the check whole.
enum class ColumnSet { List, Spreadsheet, Columns, Whole };
// A station's own SQLite history, or the lab's on a PostgreSQL server.
enum class Store { Local, Lab };
// A statement and its bound values.
struct Selection {
    QString sql;
    QVariantList values;
};
// " WHERE ..." for the checks a filter lets through (empty for all), and its values.
Selection filterCondition(Store store, int schemaVersion, const HistoryFilter& filter);
// The checks a filter lets through, newest first (limit 0 for all), from a history of that store
// and schema version; a list's and a spreadsheet's columns come from indexes that hold them whole.
Selection selectChecks(Store store, int schemaVersion, const HistoryFilter& filter, int limit, ColumnSet columnSet);
// One check of those, whole.
Selection selectWhole(Store store, int schemaVersion, const StoredCheck& check);
// A row of either, from a query; with the interrupted rule applied.
StoredCheck storedCheck(const QSqlQuery& row);

// The figures of the checks a filter lets through, counted by the database (history_figures reads
// them). For a history that cannot count the connections (connectionsCounted false: a station's own
// of an earlier version opened to be read, a lab whose administrator has not yet run a later
// historial-laboratorio.sql) they count as none.
// Each is one pass over the checks, read by history_figures.
// One row per local day (in timeZone, an IANA name, for the lab): its checks passed and failed,
// then for each analog input 1 to 4 the readings, their sum and their sum of squares.
Selection selectDays(Store store, int schemaVersion, const HistoryFilter& filter, const QString& timeZone);
// One row per station, outcome and what its failed checks name: the station, the outcome's name,
// the connections (failedConnections()'s bits; -1 for failed checks whose connections are not
// counted; NULL for checks that did not fail) and how many checks.
Selection selectStations(Store store, int schemaVersion, bool connectionsCounted, const HistoryFilter& filter);
// One row: the labels, the labelled cards with a passed or failed check of the whole sequence, those
// whose earliest such check passed, and those whose latest such check passed.
Selection selectCards(Store store, int schemaVersion, const HistoryFilter& filter);
// Rows of the last readings of test 6 of analog inputs 1 to 4 and how many checks read them so: the
// card's converter gives each input at most 256 values, and a lab's cards read much the same.
Selection selectVoltValues(Store store, int schemaVersion, const HistoryFilter& filter);
// The owners of a station's own running checks: their program may be gone.
Selection selectRunningOwners(int schemaVersion, const HistoryFilter& filter);

// A check of a station's own history on its way to the lab, and how to mark it once there.
struct OutgoingCheck {
    qint64 id = 0;
    QString storedOutcome;  // as read: a check completed meanwhile is not marked
    QString card;           // its label, to name it when the lab refuses it
    SentState mark = SentState::Sent;
    CheckRow row;
};
// At most limit checks that wait, after the one numbered after; a check kept before stations were
// named goes with station's name.
std::variant<QList<OutgoingCheck>, QSqlError> waitingChecks(QSqlDatabase database, const QString& station, qint64 after,
                                                            int limit);
// The checks sent while running whose program has gone since: they go again, as interrupted.
std::variant<QList<OutgoingCheck>, QSqlError> cutShortChecks(QSqlDatabase database, const QString& station);
// The checks that went, marked in one transaction.
std::optional<QSqlError> markSent(QSqlDatabase database, const QString& station,
                                  const QList<const OutgoingCheck*>& sent);
// How many checks wait to go, those cut short since they were sent among them.
int waitingCount(QSqlDatabase database);

#endif
