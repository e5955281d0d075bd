#pragma once
// The cells of one data grid. The cells are the data: a run, the graph and
// the loaders all read and write them here. Loaded values stay 32-bit floats
// whose texts are made as the view asks for them.
#include <QAbstractTableModel>
#include <string>

#include "problem/data_table.h"

namespace vorn {

class CellGridModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int column_count = DataTable::column_count;

    CellGridModel(int row_count, QObject* parent);

    [[nodiscard]] int rowCount(const QModelIndex& parent = {}) const override;
    [[nodiscard]] int columnCount(const QModelIndex& parent = {}) const override;
    [[nodiscard]] QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    [[nodiscard]] Qt::ItemFlags flags(const QModelIndex& index) const override;

    [[nodiscard]] const DataTable& table() const { return table_; }
    [[nodiscard]] std::string cell(int column, int row) const;
    void set_cell(int column, int row, const std::string& text);

    // Replaces the whole content and the row count.
    void set_table(DataTable table);
    // Every cell empty; the row count stays.
    void clear_cells();

private:
    DataTable table_;
};

}  // namespace vorn
