#include "ui/check_list_box.h"

#include <QResizeEvent>
#include <QStyle>

namespace vorn {

CheckListBox::CheckListBox(const QString& name, const QStringList& items, QWidget* parent)
    : QListWidget(parent) {
    setObjectName(name);
    // Top-to-bottom flow with wrapping fills a column before the next one.
    setFlow(QListView::TopToBottom);
    setWrapping(true);
    setResizeMode(QListView::Adjust);
    setUniformItemSizes(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    for (const QString& text : items) {
        auto* item = new QListWidgetItem(text, this);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
    }
}

bool CheckListBox::checked(int index) const {
    return item(index)->checkState() == Qt::Checked;
}

void CheckListBox::set_checked(int index, bool checked) {
    item(index)->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
}

int CheckListBox::rows_per_column() const {
    return (count() + columns - 1) / columns;
}

int CheckListBox::item_height() const {
    const int indicator = style()->pixelMetric(QStyle::PM_IndicatorHeight, nullptr, this);
    return std::max(fontMetrics().height(), indicator) + 6;
}

QSize CheckListBox::sizeHint() const {
    int widest = 0;
    for (int i = 0; i < count(); ++i) {
        widest = std::max(widest, fontMetrics().horizontalAdvance(item(i)->text()));
    }
    const int indicator = style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, this);
    const int column_width = widest + indicator + 16;
    return {columns * column_width + 2 * frameWidth(),
            rows_per_column() * item_height() + 2 * frameWidth() + 1};
}

QSize CheckListBox::minimumSizeHint() const {
    return sizeHint();
}

void CheckListBox::resizeEvent(QResizeEvent* event) {
    QListWidget::resizeEvent(event);
    fit_grid();
}

// The grid cell takes a column's share of the width and a row's share of the
// height, so exactly `rows_per_column` items fit in a column.
void CheckListBox::fit_grid() {
    const QSize area = viewport()->size();
    const int rows = std::max(1, rows_per_column());
    // One pixel spare: the view wraps an item that ends exactly at the edge.
    setGridSize(QSize(std::max(1, area.width() / columns),
                      std::max(item_height(), (area.height() - 1) / rows)));
}

}  // namespace vorn
