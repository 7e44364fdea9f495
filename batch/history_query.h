#ifndef BATCH_HISTORY_QUERY_H
#define BATCH_HISTORY_QUERY_H

#include <memory>
#include <optional>

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>

#include "history/check_query.h"

class HistoryDatabase;

// The checks a filter lets through as CSV, in the format of --history-csv, replacing path whole. Gives back what
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
