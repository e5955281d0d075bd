#include "ui/chart_legend.h"

#include <QChart>
#include <QChartView>
#include <QGridLayout>
#include <QLegend>
#include <QPainter>
#include <QPainterPath>
#include <QScatterSeries>
#include <QVBoxLayout>
#include <QXYSeries>

namespace vorn {

namespace {

constexpr const char* left_out_property = "vorn_left_out_of_legend";
constexpr int marker_box = 11;

// The series' marker or line, then its title.
class LegendEntry final : public QWidget {
public:
    LegendEntry(const QXYSeries* series, QWidget* parent)
        : QWidget(parent),
          title_(series->name()),
          colour_(series->color()),
          edge_(series->color().darker(150)),
          line_(series->type() != QAbstractSeries::SeriesTypeScatter),
          image_(series->lightMarker()) {
        if (const auto* points = qobject_cast<const QScatterSeries*>(series)) {
            shape_ = points->markerShape();
            edge_ = points->borderColor();
        }
        setObjectName(title_);
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    }

    [[nodiscard]] const QString& title() const { return title_; }

    [[nodiscard]] QSize sizeHint() const override {
        const QFontMetrics metrics = fontMetrics();
        return {marker_box + 4 + metrics.horizontalAdvance(title_) + 2,
                std::max(marker_box, metrics.height())};
    }

protected:
    void paintEvent(QPaintEvent* /*event*/) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF box(0.5, (height() - marker_box) / 2.0 + 0.5, marker_box - 1, marker_box - 1);
        paint_marker(painter, box);
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(QRect(marker_box + 4, 0, width() - marker_box - 4, height()),
                         Qt::AlignLeft | Qt::AlignVCenter, title_);
    }

private:
    void paint_marker(QPainter& painter, const QRectF& box) const {
        if (line_) {
            painter.setPen(QPen(colour_, 2));
            painter.drawLine(QPointF(box.left(), box.center().y()),
                             QPointF(box.right(), box.center().y()));
            return;
        }
        if (!image_.isNull()) {
            painter.drawImage(box, image_);
            return;
        }
        // A wash colour shows better opaque in the legend.
        QColor fill = colour_;
        fill.setAlpha(255);
        painter.setPen(edge_.alpha() == 0 ? fill.darker(120) : edge_);
        painter.setBrush(fill);
        switch (shape_) {
            case QScatterSeries::MarkerShapeRectangle:
                painter.drawRect(box.adjusted(1, 1, -1, -1));
                break;
            case QScatterSeries::MarkerShapeTriangle: {
                QPainterPath path;
                path.moveTo(box.center().x(), box.top());
                path.lineTo(box.bottomRight());
                path.lineTo(box.bottomLeft());
                path.closeSubpath();
                painter.drawPath(path);
                break;
            }
            case QScatterSeries::MarkerShapeRotatedRectangle: {
                QPainterPath path;
                path.moveTo(box.center().x(), box.top());
                path.lineTo(box.right(), box.center().y());
                path.lineTo(box.center().x(), box.bottom());
                path.lineTo(box.left(), box.center().y());
                path.closeSubpath();
                painter.drawPath(path);
                break;
            }
            default:
                painter.drawEllipse(box.adjusted(1, 1, -1, -1));
                break;
        }
    }

    QString title_;
    QColor colour_;
    QColor edge_;
    bool line_;
    QImage image_;
    QScatterSeries::MarkerShape shape_ = QScatterSeries::MarkerShapeCircle;
};

}  // namespace

ChartLegend::ChartLegend(QChart* chart, int columns, QWidget* parent) : QWidget(parent) {
    chart->legend()->hide();
    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(4, 2, 4, 0);
    layout->setHorizontalSpacing(10);
    layout->setVerticalSpacing(1);
    QFont small = font();
    small.setPixelSize(11);
    setFont(small);
    int index = 0;
    for (QAbstractSeries* abstract : chart->series()) {
        const auto* series = qobject_cast<QXYSeries*>(abstract);
        if (series == nullptr || series->property(left_out_property).toBool()) {
            continue;
        }
        layout->addWidget(new LegendEntry(series, this), index / columns, index % columns,
                          Qt::AlignLeft);
        ++index;
    }
    layout->setColumnStretch(columns, 1);
}

void ChartLegend::leave_out(QAbstractSeries* series) {
    series->setProperty(left_out_property, true);
}

QStringList ChartLegend::titles() const {
    QStringList titles;
    const auto* grid = static_cast<const QGridLayout*>(layout());
    for (int i = 0; i < grid->count(); ++i) {
        if (const auto* entry = dynamic_cast<const LegendEntry*>(grid->itemAt(i)->widget())) {
            titles.append(entry->title());
        }
    }
    return titles;
}

ChartPanel::ChartPanel(QChartView* view, int legend_columns, QWidget* parent)
    : QWidget(parent), view_(view), legend_(new ChartLegend(view->chart(), legend_columns, this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(legend_);
    view_->setParent(this);
    layout->addWidget(view_, 1);
    // The legend shares the chart's back colour so the two read as one.
    setAutoFillBackground(true);
    QPalette back = palette();
    back.setColor(QPalette::Window, Qt::white);
    setPalette(back);
}

}  // namespace vorn
