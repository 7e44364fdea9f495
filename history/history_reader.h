#ifndef HISTORY_HISTORY_READER_H
#define HISTORY_HISTORY_READER_H

#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <variant>

#include <QByteArray>
#include <QDate>
#include <QSqlQuery>
#include <QString>

#include "history/checks_table.h"
#include "history/history_figures.h"

class HistoryDatabase;
class LabDatabase;

// The one reader of a history: the command line's list and spreadsheet and the station's views all
// read through it, with the same messages. It opens the history when first asked, so one that the
// journal creates with its first check is found then, and never writes to it: a history on a
// read-only medium, or of an earlier version, is read as it is. Its connection lives in the thread
// that asks first.
// With a lab history, it reads the lab's checks, every station's, with the same queries; when the
// lab cannot be reached, it reads the station's own history and says so (labProblem). Opening the
// lab, and every read of it, may wait on the network (at most LabDatabase::kConnectTimeoutS to
// connect): a window reads the lab through batch/lab_loader, never on its own thread.
class HistoryReader {
public:
    // An empty path: no history is kept (--no-history). An empty lab: no lab history.
    explicit HistoryReader(QString path, QString lab = {});
    ~HistoryReader();

    // Why the history cannot be read now, in Spanish; nothing once it is open.
    std::optional<QString> problem();
    // Why the lab history, when there is one, is not what is read, in Spanish; then
    // localInstead() says what is.
    const std::optional<QString>& labProblem() const { return labProblem_; }
    // What the driver or the server said of the last problem, in its own words: for a technician.
    const QString& driverSaid() const { return driverSaid_; }
    static QString localInstead() { return QStringLiteral(" Se muestra el historial de este puesto."); }
    bool readsLab() const { return lab_ != nullptr; }
    // No check has been kept yet: no mistake, though there is nothing to read.
    bool missing() const;
    const QString& path() const { return path_; }

    // The checks a filter lets through, newest first (limit 0 for all), each as a list or a
    // spreadsheet shows it. Gives back what went wrong, if anything.
    std::optional<QString> forEach(const HistoryFilter& filter, const std::function<void(const StoredCheck&)>& visit,
                                   int limit = 0, ColumnSet columnSet = ColumnSet::List);
    // The same checks for a model to read as it goes; nothing when not open.
    std::optional<QSqlQuery> query(const HistoryFilter& filter);
    // What a window shows of a lab history at most: its newest checks, as a PostgreSQL result
    // comes whole at once.
    static constexpr int kLabRowsShown = 5000;
    // The statement forEach runs for that filter, to look at (its plan); nothing when not open.
    std::optional<Selection> selection(const HistoryFilter& filter, int limit, ColumnSet columnSet);
    // One check of those read, read whole.
    std::optional<StoredCheck> whole(const StoredCheck& check);

    // The figures of the checks a filter lets through (history_figures.h), or why they cannot be
    // read; none at all where nothing has been checked yet. A station's own history of an earlier
    // version is brought up to date first when it can be written; otherwise its connections are not
    // counted.
    std::variant<HistoryFigures, QString> figures(const HistoryFilter& filter);

    // --history-list: one line per check. Gives back what went wrong, if anything.
    std::optional<QString> writeList(const HistoryFilter& filter, std::FILE* out);
    // The checks as CSV at path ("-": standard output), a file replaced whole; with no check kept
    // yet, the header alone. Gives back what went wrong, if anything.
    std::optional<QString> writeCsv(const HistoryFilter& filter, const QString& path);

private:
    QSqlQuery run(const Selection& selection);
    QSqlDatabase database() const;
    Store store() const;
    int schemaVersion() const;
    QString cannotRead(const class QSqlError& error);

    QString path_;
    QString labConnection_;
    std::unique_ptr<HistoryDatabase> history_;
    std::unique_ptr<LabDatabase> lab_;
    std::optional<QString> labProblem_;
    QString driverSaid_;
};

// One line of --history-list: date and time, station, label, kind, outcome and what failed.
QString historyLine(const StoredCheck& check);

// CSV for a spreadsheet set up in Spanish: ';' between fields, decimal commas, quotes where needed,
// and no cell that a spreadsheet would take for a formula. The file begins with a byte-order mark
// and the header row.
QByteArray csvHeader();
QByteArray csvRow(const StoredCheck& check);
QString csvCell(QString text);

#endif
