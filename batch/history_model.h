#ifndef BATCH_HISTORY_MODEL_H
#define BATCH_HISTORY_MODEL_H

#include <QHash>
#include <QSqlQueryModel>

#include "history/history_reader.h"

// The checks of the history that a filter lets through, newest first, fetched only as the view
// shows them, so that a history of any size opens at once.
class HistoryModel : public QSqlQueryModel {
    Q_OBJECT
public:
    enum Column { Date, Station, Card, Kind, Mode, Result, Failed, ColumnCount };

    using QSqlQueryModel::QSqlQueryModel;

    void show(HistoryReader& reader, const HistoryFilter& filter);
    // The check of a row, as a list shows it.
    StoredCheck check(int row) const;

    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    mutable QHash<int, StoredCheck> checks_;  // the rows already read
};

#endif
