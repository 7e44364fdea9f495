#ifndef BATCH_HISTORY_QUERY_H
#define BATCH_HISTORY_QUERY_H

#include <memory>
#include <optional>

#include <QDate>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>

#include "history/stored_check.h"

class HistoryDatabase;

// Which checks of the history a view shows: one card's, one outcome's, those of some days.
struct HistoryFilter {
    QString card;     // the label, exactly; empty for every card
    QString outcome;  // "pass", "fail" or "interrupted"; empty for all
    QDate from;       // first day, local time; invalid for no limit
    QDate to;         // last day, likewise
};

// The checks a filter lets through, newest first, as "SELECT <columns>" (those storedCheck reads),
// executed; limit 0 for all of them. A model that moves back over its rows needs forwardOnly false.
QSqlQuery filteredChecks(const QSqlDatabase& database, const HistoryFilter& filter, int limit = 0,
                         bool forwardOnly = true, const char* columns = kStoredCheckColumns);

// The same checks as CSV, in the format of --history-csv, replacing path whole. Gives back what
// went wrong, in Spanish, if anything.
std::optional<QString> writeFilteredCsv(const QSqlDatabase& database, const HistoryFilter& filter, const QString& path);

// The history read on the window's thread, opened once it exists: the journal creates it with the
// first check. Reads in WAL mode never wait for the journal's writes.
class HistoryReader {
public:
    explicit HistoryReader(QString path);
    ~HistoryReader();
    // The open history, or nothing (problem() says why).
    std::optional<QSqlDatabase> database();
    const QString& problem() const { return problem_; }
    const QString& path() const { return path_; }

private:
    QString path_;
    QString problem_;
    std::unique_ptr<HistoryDatabase> history_;
};

#endif
