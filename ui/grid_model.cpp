#include "ui/grid_model.h"

namespace vorn {

CellGridModel::CellGridModel(int row_count, QObject* parent)
    : QAbstractTableModel(parent), table_(static_cast<std::size_t>(row_count)) {}

int CellGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(table_.row_count());
}

int CellGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : column_count;
}

QVariant CellGridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) {
        return {};
    }
    if (role == Qt::DisplayRole || role == Qt::EditRole || role == Qt::ToolTipRole) {
        const std::string text = cell(index.column(), index.row());
        if (role == Qt::ToolTipRole && text.empty()) {
            return {};
        }
        return QString::fromStdString(text);
    }
    return {};
}

bool CellGridModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || role != Qt::EditRole) {
        return false;
    }
    set_cell(index.column(), index.row(), value.toString().toStdString());
    return true;
}

Qt::ItemFlags CellGridModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) {
        return Qt::NoItemFlags;
    }
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable | Qt::ItemNeverHasChildren;
}

std::string CellGridModel::cell(int column, int row) const {
    return table_.cell_text(static_cast<std::size_t>(row), column);
}

void CellGridModel::set_cell(int column, int row, const std::string& text) {
    table_.set_cell_text(static_cast<std::size_t>(row), column, text);
    const QModelIndex changed = index(row, column);
    emit dataChanged(changed, changed, {Qt::DisplayRole, Qt::EditRole});
}

void CellGridModel::set_table(DataTable table) {
    beginResetModel();
    table_ = std::move(table);
    endResetModel();
}

void CellGridModel::clear_cells() {
    table_.clear_cells();
    if (!table_.empty()) {
        emit dataChanged(index(0, 0), index(rowCount() - 1, column_count - 1));
    }
}

}  // namespace vorn
