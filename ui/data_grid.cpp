#include "ui/data_grid.h"

#include <QEvent>
#include <QFontInfo>
#include <QFontMetrics>
#include <QHeaderView>
#include <QLabel>
#include <QProxyStyle>
#include <QScrollBar>

#include "ui/grid_model.h"

namespace vorn {

namespace {

// Cells keep one pixel between their edge and their text, so six-digit texts
// fit columns as narrow as the default window gives them.
class CellStyle final : public QProxyStyle {
public:
    int pixelMetric(PixelMetric metric, const QStyleOption* option,
                    const QWidget* widget) const override {
        return metric == PM_FocusFrameHMargin ? 0
                                              : QProxyStyle::pixelMetric(metric, option, widget);
    }
};

constexpr int smallest_pixel_size = 7;

}  // namespace

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
    auto* style = new CellStyle;
    style->setParent(this);
    setStyle(style);
}

int StringGrid::text_margin() const {
    // Item views pad a cell's text by the focus frame margin plus one.
    return style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1;
}

void StringGrid::resizeEvent(QResizeEvent* event) {
    QTableView::resizeEvent(event);
    fit_cell_font();
}

// The largest size of the inherited font, down to a legible floor, at which
// the widest cell text fits the stretched columns.
void StringGrid::fit_cell_font() {
    if (!base_font_) {
        base_font_ = font();
    }
    const int column = viewport()->width() / CellGridModel::column_count;
    QFont fitted = *base_font_;
    int size = fitted.pixelSize() > 0 ? fitted.pixelSize() : QFontInfo(fitted).pixelSize();
    for (; size > smallest_pixel_size; --size) {
        fitted.setPixelSize(size);
        if (QFontMetrics(fitted).horizontalAdvance(QString::fromLatin1(widest_cell_text)) +
                2 * text_margin() <=
            column) {
            break;
        }
    }
    fitted.setPixelSize(size);
    if (fitted != font()) {
        setFont(fitted);
    }
}

void StringGrid::finish_edit() {
    if (state() != QAbstractItemView::EditingState) {
        return;
    }
    // The delegate's editor is a child of the viewport; commitData ignores
    // any widget that edits no cell.
    for (QWidget* editor : viewport()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        commitData(editor);
        closeEditor(editor, QAbstractItemDelegate::NoHint);
    }
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
