#pragma once
// The cell texts of one data grid. The texts are the data: a run, the graph
// and the loaders all read and write them here, one std::string per cell.
#include <QAbstractTableModel>
#include <span>
#include <vector>

#include "problem/data_file.h"

namespace vorn {

class CellGridModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int column_count = 4;

    CellGridModel(int row_count, QObject* parent);

    [[nodiscard]] int rowCount(const QModelIndex& parent = {}) const override;
    [[nodiscard]] int columnCount(const QModelIndex& parent = {}) const override;
    [[nodiscard]] QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    [[nodiscard]] Qt::ItemFlags flags(const QModelIndex& index) const override;

    [[nodiscard]] std::span<const CellRow> rows() const { return rows_; }
    [[nodiscard]] const std::string& cell(int column, int row) const;
    void set_cell(int column, int row, const std::string& text);

    // Replaces the whole content and the row count.
    void set_rows(std::vector<CellRow> rows);
    // Every cell empty; the row count stays.
    void clear_cells();

private:
    std::vector<CellRow> rows_;
};

}  // namespace vorn
