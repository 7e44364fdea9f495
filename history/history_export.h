#ifndef HISTORY_HISTORY_EXPORT_H
#define HISTORY_HISTORY_EXPORT_H

#include <functional>
#include <optional>

#include <QByteArray>
#include <QString>

#include "history/stored_check.h"

class QSqlDatabase;

// Every check of the history, newest first, or only those of one card when card is not empty, with
// the columns the list or the spreadsheet needs. Gives back what went wrong, if anything.
enum class Reading { List, Spreadsheet };
std::optional<QString> forEachCheck(const QSqlDatabase& database, const QString& card, Reading reading,
                                    const std::function<void(const StoredCheck&)>& visit);

// One line of --history-list: date and time, label, kind, outcome and what failed.
QString historyLine(const StoredCheck& check);

// CSV for a spreadsheet set up in Spanish: ';' between fields, decimal commas, quotes where needed,
// and no cell that a spreadsheet would take for a formula. The file begins with a byte-order mark
// and the header row.
QByteArray csvHeader();
QByteArray csvRow(const StoredCheck& check);
QString csvCell(QString text);

#endif
