#include "batch/history_model.h"

#include <QBrush>
#include <QSqlRecord>

#include "history/stored_check.h"

void HistoryModel::show(const QSqlDatabase& database, const HistoryFilter& filter) {
    checks_.clear();
    // The model moves back and forth over the rows it has fetched.
    setQuery(filteredChecks(database, filter, 0, false));
}

StoredCheck HistoryModel::check(int row) const {
    auto known = checks_.constFind(row);
    if (known != checks_.constEnd()) return *known;
    // The query's own columns, which this model does not show as they are.
    QSqlRecord values = record();
    for (int column = 0; column < values.count(); ++column)
        values.setValue(column, QSqlQueryModel::data(createIndex(row, column)));
    return *checks_.insert(row, storedCheck(values));
}

int HistoryModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant HistoryModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    if (role != Qt::DisplayRole && role != Qt::ForegroundRole) return {};
    const StoredCheck row = check(index.row());
    if (role == Qt::ForegroundRole) {
        if (index.column() != Result || row.outcome == u"pass") return {};
        return QBrush(row.outcome == u"fail" ? Qt::darkRed : Qt::darkYellow);
    }
    switch (index.column()) {
        case Date:
            return row.started.toString(QStringLiteral("dd/MM/yyyy HH:mm:ss"));
        case Card:
            return cardWord(row.card);
        case Kind:
            return kindWord(row.kind);
        case Mode:
            return modeWord(row.mode);
        case Result:
            return outcomeWord(row.outcome);
        case Failed:
            return row.outcome == u"fail" ? failureSummary(row.record) : QString();
        default:
            return {};
    }
}

QVariant HistoryModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QSqlQueryModel::headerData(section, orientation, role);
    static const QStringList kHeaders{QStringLiteral("Fecha"),     QStringLiteral("Tarjeta"),
                                      QStringLiteral("Tipo"),      QStringLiteral("Modo"),
                                      QStringLiteral("Resultado"), QStringLiteral("Qué falló")};
    return kHeaders.value(section);
}
