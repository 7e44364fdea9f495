#include "batch/history_model.h"

#include <QBrush>

#include "record/wording.h"

namespace {
constexpr int kRowsAtOnce = 256;
}

void HistoryModel::show(HistoryReader& reader, const HistoryFilter& filter) {
    beginResetModel();
    checks_.clear();
    rest_ = reader.query(filter);
    endResetModel();
    fetchMore({});
}

void HistoryModel::show(QList<StoredCheck> checks) {
    beginResetModel();
    checks_ = std::move(checks);
    rest_.reset();
    endResetModel();
}

void HistoryModel::clear() {
    show(QList<StoredCheck>{});
}

void HistoryModel::setWhole(int row, const StoredCheck& whole) {
    if (row >= 0 && row < checks_.size() && checks_[row].id == whole.id && checks_[row].uuid == whole.uuid)
        checks_[row] = whole;
}

bool HistoryModel::canFetchMore(const QModelIndex& parent) const {
    return !parent.isValid() && rest_ && rest_->isActive();
}

void HistoryModel::fetchMore(const QModelIndex& parent) {
    if (!canFetchMore(parent)) return;
    QList<StoredCheck> more;
    while (more.size() < kRowsAtOnce && rest_->next()) more << storedCheck(*rest_);
    if (more.size() < kRowsAtOnce) rest_.reset();  // all read, or the read failed
    if (more.isEmpty()) return;
    beginInsertRows({}, int(checks_.size()), int(checks_.size() + more.size() - 1));
    checks_ << more;
    endInsertRows();
}

int HistoryModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(checks_.size());
}

int HistoryModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant HistoryModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    if (role != Qt::DisplayRole && role != Qt::ForegroundRole) return {};
    const StoredCheck& row = check(index.row());
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
        return QAbstractTableModel::headerData(section, orientation, role);
    static const QStringList kHeaders{QStringLiteral("Fecha"),    QStringLiteral("Puesto"), QStringLiteral("Tarjeta"),
                                      QStringLiteral("Tipo"),     QStringLiteral("Modo"),   QStringLiteral("Resultado"),
                                      QStringLiteral("Qué falló")};
    return kHeaders.value(section);
}
