#ifndef BATCH_HISTORY_MODEL_H
#define BATCH_HISTORY_MODEL_H

#include <optional>

#include <QAbstractTableModel>
#include <QList>
#include <QSqlQuery>

#include "history/history_reader.h"

// The checks that a filter lets through, newest first: those of the station's own history read
// only as the view shows them, so that a history of any size opens at once; or those the lab's
// server gave, all at once.
class HistoryModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { Date, Station, Card, Kind, Mode, Result, Failed, ColumnCount };

    using QAbstractTableModel::QAbstractTableModel;

    // Reads the station's own history as the view scrolls.
    void show(HistoryReader& reader, const HistoryFilter& filter);
    // Shows checks already read.
    void show(QList<StoredCheck> checks);
    void clear();
    // The check of a row, as a list shows it, or whole once setWhole gave it.
    const StoredCheck& check(int row) const { return checks_.at(row); }
    void setWhole(int row, const StoredCheck& whole);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

private:
    QList<StoredCheck> checks_;
    std::optional<QSqlQuery> rest_;  // the rows not read yet
};

#endif
