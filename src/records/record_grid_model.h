#pragma once

#include <QAbstractTableModel>
#include <QBrush>
#include <QString>

#include <array>
#include <vector>

#include "records/records_query.h"
#include "records/store.h"

namespace records {

// The data-query grid over the listed records: a fixed heading row (the view's header), a fixed
// column 0, then the ten fields of a record in columns 2 to 11, one record per row, the oldest
// listed in the first row. The grid always has kListedRecords rows; rows beyond the listed
// records are empty. Texts are made when a cell is drawn, so filling the grid costs no more than
// the records it lists.
class RecordGridModel final : public QAbstractTableModel {
    Q_OBJECT

  public:
    static constexpr int kColumns = 12;
    static constexpr int kFirstFieldColumn = 2;

    RecordGridModel(std::array<QString, kColumns> headings, QBrush fixedBackground,
                    QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // The text of a cell of the model's rows; empty where no record is listed.
    [[nodiscard]] QString cellText(int row, int column) const;
    [[nodiscard]] const QString& heading(int column) const;
    [[nodiscard]] const ListedRecords& listed() const { return listed_; }

    // Lists `newest` in place of what was listed.
    void showRecords(std::vector<StoredRecord> newest);
    // Adds records logged after the newest listed.
    void addNewer(std::vector<StoredRecord> newer);

  private:
    void rowsChanged(int first, int last);

    std::array<QString, kColumns> headings_;
    QBrush fixedBackground_;
    ListedRecords listed_;
};

}  // namespace records
