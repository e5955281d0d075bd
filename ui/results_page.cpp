#include "ui/results_page.h"

#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineSeries>
#include <QLocale>
#include <QPalette>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QScatterSeries>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>

#include "ui/bit_button.h"
#include "ui/chart_legend.h"
#include "ui/chart_menu.h"
#include "ui/chart_style.h"
#include "ui/main_window.h"
#include "ui/parameter_controls.h"
#include "ui/widgets.h"

namespace vorn {

namespace {

QLineSeries* line_series(QChart* chart, const QString& name, const QString& title,
                         const QColor& colour) {
    auto* series = new QLineSeries();
    series->setObjectName(name);
    series->setName(title);
    series->setColor(colour);
    attach_series(chart, series);
    return series;
}

// The washes' marker sizes at the window's opening size.
constexpr int validation_wash = 8;
constexpr int training_wash = 5;

QScatterSeries* point_series(QChart* chart, const QString& name, const QString& title,
                             const QColor& colour, QScatterSeries::MarkerShape shape, int size) {
    auto* series = new QScatterSeries();
    series->setObjectName(name);
    series->setName(title);
    series->setColor(colour);
    series->setBorderColor(colour.alpha() < 255 ? Qt::transparent : colour.darker(150));
    series->setMarkerShape(shape);
    series->setMarkerSize(size);
    attach_series(chart, series);
    return series;
}

// Generations are counted from 0 in whole steps.
void add_generation_axis(QChart* chart) {
    QValueAxis* axis = add_value_axis(chart, Qt::AlignBottom, QStringLiteral("Generation"));
    axis->setRange(0, 50);
    axis->setTickCount(6);
    axis->setLabelFormat(QStringLiteral("%d"));
}

void build_fitness_chart(ResultsPage& page) {
    page.Chart2 = make_chart_view(QStringLiteral("Chart2"), &page);
    QChart* chart = page.Chart2->chart();
    add_generation_axis(chart);
    add_value_axis(chart, Qt::AlignLeft, QStringLiteral("Fitness of best indv."));
    page.Series3 =
        line_series(chart, QStringLiteral("Series3"), QStringLiteral("Validation"), Qt::blue);
    page.Series5 =
        line_series(chart, QStringLiteral("Series5"), QStringLiteral("Training"), Qt::red);
}

void build_length_chart(ResultsPage& page) {
    page.Chart3 = make_chart_view(QStringLiteral("Chart3"), &page);
    QChart* chart = page.Chart3->chart();
    add_generation_axis(chart);
    add_value_axis(chart, Qt::AlignLeft, QStringLiteral("Length of gene"));
    page.Series4 =
        line_series(chart, QStringLiteral("Series4"), QStringLiteral("Best indv."), Qt::red);
    page.FastLineSeries1 = line_series(chart, QStringLiteral("FastLineSeries1"),
                                       QStringLiteral("Average"), QColor(0, 128, 64));
}

void build_plane_chart(ResultsPage& page) {
    page.Chart1 = make_chart_view(QStringLiteral("Chart1"), &page);
    QChart* chart = page.Chart1->chart();
    page.chart1_bottom_axis = add_value_axis(chart, Qt::AlignBottom, QStringLiteral("X"));
    page.chart1_left_axis = add_value_axis(chart, Qt::AlignLeft, QStringLiteral("Y"));
    // Axis values read like "#,##0.##": grouped thousands, "." as the decimal
    // point whatever the locale, no trailing zeros.
    chart->setLocale(QLocale(QLocale::English, QLocale::UnitedStates));
    chart->setLocalizeNumbers(true);
    page.chart1_left_axis->setLabelFormat(QStringLiteral("%.10g"));
    page.chart1_bottom_axis->setLabelFormat(QStringLiteral("%.10g"));
    // Positive class in reds, negative class in blues; the curves are a faint
    // wash of the region so the data points stay readable over them.
    using Shape = QScatterSeries::MarkerShape;
    page.Series1 = point_series(chart, QStringLiteral("Series1"), QStringLiteral("Validation data"),
                                QColor(220, 0, 0), Shape::MarkerShapeCircle, 7);
    page.Series2 =
        point_series(chart, QStringLiteral("Series2"), QStringLiteral("Validation curve"),
                     QColor(255, 120, 120, 120), Shape::MarkerShapeRectangle, validation_wash);
    page.Series6 = point_series(chart, QStringLiteral("Series6"), QStringLiteral("Training data"),
                                QColor(128, 0, 0), Shape::MarkerShapeTriangle, 7);
    page.Series7 =
        point_series(chart, QStringLiteral("Series7"), QStringLiteral("Training curve"),
                     QColor(255, 170, 60, 90), Shape::MarkerShapeRectangle, training_wash);
    page.Series8 =
        point_series(chart, QStringLiteral("Series8"), QStringLiteral("Validation data2"),
                     QColor(0, 0, 230), Shape::MarkerShapeCircle, 7);
    page.Series9 = point_series(chart, QStringLiteral("Series9"), QStringLiteral("Training data2"),
                                QColor(0, 0, 110), Shape::MarkerShapeTriangle, 7);
    page.Series10 =
        point_series(chart, QStringLiteral("Series10"), QStringLiteral("Validation class-1"),
                     QColor(0, 150, 0), Shape::MarkerShapeRectangle, 7);
    ChartLegend::leave_out(page.Series2);
    ChartLegend::leave_out(page.Series7);
}

// Training fitness against nodes; Series13 marks the program clicked.
void build_front_chart(ResultsPage& page) {
    page.Chart4 = make_chart_view(QStringLiteral("Chart4"), &page);
    QChart* chart = page.Chart4->chart();
    add_value_axis(chart, Qt::AlignBottom, QStringLiteral("Nodes"))
        ->setLabelFormat(QStringLiteral("%d"));
    add_value_axis(chart, Qt::AlignLeft, QStringLiteral("Training fitness"));
    page.Series12 =
        line_series(chart, QStringLiteral("Series12"), QStringLiteral("Front line"), Qt::darkGray);
    using Shape = QScatterSeries::MarkerShape;
    page.Series11 = point_series(chart, QStringLiteral("Series11"), QStringLiteral("Front"),
                                 QColor(160, 0, 160), Shape::MarkerShapeCircle, 8);
    page.Series13 = point_series(chart, QStringLiteral("Series13"), QStringLiteral("Selected"),
                                 QColor(255, 200, 0), Shape::MarkerShapeCircle, 13);
    ChartLegend::leave_out(page.Series12);
}

// In a larger window the washes' markers grow with it, so that the positive
// region still reads as a region rather than as a grid of dots.
void scale_washes(ResultsPage& page, QSize window) {
    const qreal grown =
        std::max(1.0, std::min(static_cast<qreal>(window.width()) / TForm1::default_width,
                               static_cast<qreal>(window.height()) / TForm1::default_height));
    page.Series2->setMarkerSize(validation_wash * grown);
    page.Series7->setMarkerSize(training_wash * grown);
}

// Three lines of the page's font at the window's default height; 3 of every
// 10 pixels a taller window adds go to the formula box, the rest to the
// plane. A fixed height keeps the panel's layout as it is at the default size.
int formula_height(const QWidget& page, int window_height) {
    const int added = std::max(0, window_height - TForm1::default_height);
    return page.fontMetrics().lineSpacing() * 3 + 8 + added * 3 / 10;
}

QGroupBox* build_best_panel(ResultsPage& page) {
    page.Panel2 = make_group(QStringLiteral("Panel2"), QStringLiteral("Best individual"), &page);
    QGroupBox* panel = page.Panel2;
    page.Label28 = make_label(QStringLiteral("Label28"), QStringLiteral("Best Individual"), panel);
    page.Label32 = make_label(QStringLiteral("Label32"), QStringLiteral("Label32"), panel);
    page.Label27 = make_label(QStringLiteral("Label27"), QString(), panel);
    page.Label27->setWordWrap(true);
    page.Memo1 = new QPlainTextEdit(panel);
    page.Memo1->setObjectName(QStringLiteral("Memo1"));
    page.Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // Lines break at the blanks between a formula's pieces; only a piece
    // longer than a line is broken inside.
    page.Memo1->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    page.Memo1->setFixedHeight(formula_height(page, TForm1::default_height));
    page.CheckBoxSimplified = make_check_box(QStringLiteral("CheckBoxSimplified"),
                                             QStringLiteral("Simplified"), false, panel);
    page.CheckBoxSimplified->setToolTip(
        QStringLiteral("Show the program simplified, as a readable formula; off, the formula "
                       "as the run wrote it."));
    page.LabelNodes = make_label(QStringLiteral("LabelNodes"), QString(), panel);
    page.LabelNodes->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    page.LabelBestValidation = make_label(QStringLiteral("LabelBestValidation"), QString(), panel);
    // Wrapped to the panel's width, so a long count never widens the panel
    // at the charts' expense.
    page.LabelBestValidation->setWordWrap(true);
    page.LabelBestValidation->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);

    auto* layout = new QGridLayout(panel);
    layout->setContentsMargins(6, 4, 6, 4);
    layout->setVerticalSpacing(2);
    layout->addWidget(page.Label28, 0, 0);
    layout->addWidget(page.Label32, 0, 1);
    layout->setColumnStretch(1, 1);
    // The toggle shares the row of Label27, as tall as that label, so the
    // panel keeps its size.
    page.CheckBoxSimplified->setMaximumHeight(page.Label27->sizeHint().height());
    auto* toggle_row = new QHBoxLayout();
    toggle_row->addWidget(page.CheckBoxSimplified);
    toggle_row->addWidget(page.LabelNodes, 1);
    toggle_row->addWidget(page.Label27);
    layout->addLayout(toggle_row, 1, 0, 1, 2);
    layout->addWidget(page.Memo1, 2, 0, 1, 2);
    layout->addWidget(page.LabelBestValidation, 3, 0, 1, 2);
    return panel;
}

ChartPanel* panel_of(QChartView* view, int legend_columns, QWidget* parent) {
    auto* panel = new ChartPanel(view, legend_columns, parent);
    return panel;
}

QLayout* build_run_controls(ResultsPage& page) {
    page.ProgressBar1 = new QProgressBar(&page);
    page.ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    page.ProgressBar1->setRange(0, 100);
    page.ProgressBar1->setValue(0);
    page.ProgressBar1->setTextVisible(false);
    // A trough in the panel's colour: empty, it must not look like a text box.
    QPalette trough = page.ProgressBar1->palette();
    trough.setColor(QPalette::Base, trough.color(QPalette::Window).darker(108));
    page.ProgressBar1->setPalette(trough);
    page.Label31 =
        make_steady_label(QStringLiteral("Label31"), QStringLiteral("Not running"), &page);
    page.LabelSeed = make_label(QStringLiteral("LabelSeed"), QString(), &page);
    page.LabelSeed->setTextInteractionFlags(Qt::TextSelectableByMouse);
    page.LabelSpeed = make_label(QStringLiteral("LabelSpeed"), QString(), &page);
    page.LabelSpeed->setWordWrap(true);
    page.BitBtn2 = new BitBtn(QStringLiteral("BitBtn2"), ButtonKind::ok, &page);
    page.BitBtn2->setText(QStringLiteral("Start"));
    page.BitBtn1 = new BitBtn(QStringLiteral("BitBtn1"), ButtonKind::no, &page);
    page.BitBtn1->setText(QStringLiteral("Stop"));
    page.BitBtn2->setToolTip(
        QStringLiteral("Start a run with these settings; during a run, end it (after a "
                       "question)."));
    page.BitBtn1->setToolTip(QStringLiteral("Pause the run, or resume it."));
    page.BitBtn1->setEnabled(false);

    auto* buttons = new QHBoxLayout();
    buttons->addWidget(page.BitBtn2);
    buttons->addWidget(page.BitBtn1);
    auto* layout = new QVBoxLayout();
    layout->addWidget(page.ProgressBar1);
    layout->addWidget(page.Label31->parentWidget());
    layout->addWidget(page.LabelSeed);
    layout->addWidget(page.LabelSpeed);
    layout->addStretch(1);
    layout->addLayout(buttons);
    return layout;
}

}  // namespace

ResultsPage::ResultsPage(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("TabSheet4"));
    CheckBox6 = make_check_box(QStringLiteral("CheckBox6"), QStringLiteral("Training fitness"),
                               false, this);
    CheckBox5 =
        make_check_box(QStringLiteral("CheckBox5"), QStringLiteral("Auto zoom"), false, this);
    CheckBox7 =
        make_check_box(QStringLiteral("CheckBox7"), QStringLiteral("Training data"), false, this);
    CheckBox4 =
        make_check_box(QStringLiteral("CheckBox4"), QStringLiteral("Fixed range"), true, this);
    build_fitness_chart(*this);
    build_length_chart(*this);
    build_plane_chart(*this);
    build_front_chart(*this);
    attach_chart_menu(Chart1, QStringLiteral("plane"));
    attach_chart_menu(Chart2, QStringLiteral("fitness"));
    attach_chart_menu(Chart3, QStringLiteral("lengths"));
    attach_chart_menu(Chart4, QStringLiteral("front"));

    CheckBox6->setToolTip(QStringLiteral("Also draw the best program's training fitness."));
    CheckBox5->setToolTip(
        QStringLiteral("Lower the fitness axis whenever the validation fitness falls to a tenth "
                       "of it."));
    CheckBox7->setToolTip(
        QStringLiteral("Also draw the training points and where the best program is positive "
                       "on them."));
    CheckBox4->setToolTip(
        QStringLiteral("Keep the plane's axes as they are, zoom included; off, they follow the "
                       "points."));
    auto* boxes = new QHBoxLayout();
    for (QCheckBox* box : {CheckBox6, CheckBox5, CheckBox7, CheckBox4}) {
        boxes->addWidget(box);
    }
    boxes->addStretch(1);

    // The plane, the best program and the run controls on the left; the two
    // histories on the right, each with the height its axis title needs.
    auto* below_plane = new QHBoxLayout();
    below_plane->addWidget(build_best_panel(*this), 1);
    below_plane->addLayout(build_run_controls(*this));
    auto* left = new QVBoxLayout();
    left->addWidget(panel_of(Chart1, 3, this), 1);
    left->addLayout(below_plane);
    auto* right = new QVBoxLayout();
    right->addWidget(panel_of(Chart2, 2, this), 1);
    right->addWidget(panel_of(Chart3, 2, this), 1);
    PanelFront = panel_of(Chart4, 2, this);
    PanelFront->setObjectName(QStringLiteral("PanelFront"));
    PanelFront->setVisible(false);  // a hidden panel takes no room in the column
    right->addWidget(PanelFront, 1);
    auto* columns = new QHBoxLayout();
    columns->addLayout(left, 5);
    columns->addLayout(right, 4);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(4);
    layout->addLayout(boxes);
    layout->addLayout(columns, 1);
}

void ResultsPage::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Memo1->setFixedHeight(formula_height(*this, window()->height()));
    scale_washes(*this, window()->size());
}

void ResultsPage::read_texts(ParameterTexts& texts) const {
    read_parameter_texts(*this, texts);
}

}  // namespace vorn
