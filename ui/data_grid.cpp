#include "ui/data_grid.h"

#include <QEvent>
#include <QHeaderView>
#include <QLabel>
#include <QScrollBar>

#include "ui/grid_model.h"

namespace vorn {

StringGrid::StringGrid(const QString& name, bool tab_between_cells, QWidget* parent)
    : QTableView(parent), model_(new CellGridModel(default_row_count, this)) {
    setObjectName(name);
    setModel(model_);
    horizontalHeader()->hide();
    verticalHeader()->hide();
    // Fixed row heights keep a million-row grid as fast as a short one.
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(row_height);
    horizontalHeader()->setMinimumSectionSize(column_width);
    horizontalHeader()->setDefaultSectionSize(column_width);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setTabKeyNavigation(tab_between_cells);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                    QAbstractItemView::AnyKeyPressed);
}

int StringGrid::row_count() const {
    return model_->rowCount();
}

QSize StringGrid::minimumSizeHint() const {
    const int width = CellGridModel::column_count * column_width +
                      verticalScrollBar()->sizeHint().width() + 2 * frameWidth();
    return {width, 3 * row_height + 2 * frameWidth()};
}

ColumnLabels::ColumnLabels(StringGrid* grid, std::vector<QLabel*> labels, QWidget* parent)
    : QWidget(parent), grid_(grid), labels_(std::move(labels)) {
    for (QLabel* label : labels_) {
        label->setParent(this);
        label->setAlignment(Qt::AlignHCenter | Qt::AlignBottom);
    }
    connect(grid_->horizontalHeader(), &QHeaderView::sectionResized, this,
            &ColumnLabels::place_labels);
    // The grid may move inside its group without this row resizing.
    grid_->installEventFilter(this);
}

QSize ColumnLabels::sizeHint() const {
    int height = 0;
    for (const QLabel* label : labels_) {
        height = std::max(height, label->sizeHint().height());
    }
    return {CellGridModel::column_count * StringGrid::column_width, height};
}

void ColumnLabels::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    place_labels();
}

bool ColumnLabels::eventFilter(QObject* watched, QEvent* event) {
    if (watched == grid_ && (event->type() == QEvent::Move || event->type() == QEvent::Resize)) {
        place_labels();
    }
    return QWidget::eventFilter(watched, event);
}

void ColumnLabels::place_labels() {
    const int offset =
        grid_->viewport()->mapTo(window(), QPoint(0, 0)).x() - mapTo(window(), QPoint(0, 0)).x();
    for (std::size_t c = 0; c < labels_.size(); ++c) {
        const int column = static_cast<int>(c);
        labels_[c]->setGeometry(offset + grid_->columnViewportPosition(column), 0,
                                grid_->columnWidth(column), height());
    }
}

}  // namespace vorn
