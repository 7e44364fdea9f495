#include "batch/history_model.h"

#include <QBrush>
#include <QSqlRecord>

#include "history/wording.h"

void HistoryModel::show(HistoryReader& reader, const HistoryFilter& filter) {
    checks_.clear();
    if (auto query = reader.query(filter)) setQuery(std::move(*query));
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
        if (index.column() != Result || row.record.outcome == Outcome::Pass) return {};
        return QBrush(row.record.outcome == Outcome::Fail ? Qt::darkRed : Qt::darkYellow);
    }
    switch (index.column()) {
        case Date:
            return row.record.started.toString(QStringLiteral("dd/MM/yyyy HH:mm:ss"));
        case Station:
            return row.context.station;
        case Card:
            return cardWord(row.context.card);
        case Kind:
            return kindWord(row.record.kind);
        case Mode:
            return modeWord(row.context.mode);
        case Result:
            return outcomeWord(row.record.outcome);
        case Failed:
            return row.record.outcome == Outcome::Fail ? row.findings.summary : QString();
        default:
            return {};
    }
}

QVariant HistoryModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QSqlQueryModel::headerData(section, orientation, role);
    static const QStringList kHeaders{QStringLiteral("Fecha"),    QStringLiteral("Puesto"), QStringLiteral("Tarjeta"),
                                      QStringLiteral("Tipo"),     QStringLiteral("Modo"),   QStringLiteral("Resultado"),
                                      QStringLiteral("Qué falló")};
    return kHeaders.value(section);
}
