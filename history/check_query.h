#ifndef HISTORY_CHECK_QUERY_H
#define HISTORY_CHECK_QUERY_H

#include <QDate>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>

#include "history/stored_check.h"

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

#endif
