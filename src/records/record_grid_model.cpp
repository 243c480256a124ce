#include "records/record_grid_model.h"

#include <algorithm>
#include <utility>

namespace records {

RecordGridModel::RecordGridModel(std::array<QString, kColumns> headings, QBrush fixedBackground,
                                 QObject* parent)
    : QAbstractTableModel(parent),
      headings_(std::move(headings)),
      fixedBackground_(std::move(fixedBackground)) {}

int RecordGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(kListedRecords);
}

int RecordGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumns;
}

QVariant RecordGridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) {
        return {};
    }
    if (role == Qt::DisplayRole) {
        return cellText(index.row(), index.column());
    }
    if (role == Qt::BackgroundRole && index.column() == 0) {
        return fixedBackground_;
    }
    return {};
}

QVariant RecordGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= kColumns) {
        return {};
    }
    if (role == Qt::DisplayRole) {
        return headings_[static_cast<std::size_t>(section)];
    }
    if (role == Qt::TextAlignmentRole) {
        // The leading blanks of a heading place it over its column, as typed.
        return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
    }
    return {};
}

Qt::ItemFlags RecordGridModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) {
        return Qt::NoItemFlags;
    }
    return index.column() == 0 ? Qt::ItemIsEnabled : Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

QString RecordGridModel::cellText(int row, int column) const {
    const std::vector<StoredRecord>& records = listed_.records();
    if (row < 0 || static_cast<std::size_t>(row) >= records.size() || column < kFirstFieldColumn ||
        column >= kColumns) {
        return {};
    }
    const std::string& text = records[static_cast<std::size_t>(row)]
                                  .fields[static_cast<std::size_t>(column - kFirstFieldColumn)];
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

const QString& RecordGridModel::heading(int column) const {
    static const QString none;
    return column >= 0 && column < kColumns ? headings_[static_cast<std::size_t>(column)] : none;
}

void RecordGridModel::showRecords(std::vector<StoredRecord> newest) {
    const int before = static_cast<int>(listed_.size());
    listed_.replace(std::move(newest));
    rowsChanged(0, std::max(before, static_cast<int>(listed_.size())) - 1);
}

void RecordGridModel::addNewer(std::vector<StoredRecord> newer) {
    const int before = static_cast<int>(listed_.size());
    const std::size_t left = listed_.addNewer(std::move(newer));
    // When older records left, every row moved up; otherwise only the new rows changed.
    rowsChanged(left > 0 ? 0 : before, static_cast<int>(listed_.size()) - 1);
}

void RecordGridModel::rowsChanged(int first, int last) {
    if (first <= last) {
        emit dataChanged(index(first, 0), index(last, kColumns - 1), {Qt::DisplayRole});
    }
}

}  // namespace records
