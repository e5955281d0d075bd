#pragma once
// The "Results" page: the three charts with their series, the check boxes
// that steer them, the best-individual panel, progress and the run buttons;
// and the front chart, shown only for a run with the size objective.
#include <QWidget>

class QCheckBox;
class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QProgressBar;

QT_BEGIN_NAMESPACE
class QChartView;
class QLineSeries;
class QScatterSeries;
class QValueAxis;
QT_END_NAMESPACE

namespace vorn {

class BitBtn;
class ParameterTexts;

class ResultsPage final : public QWidget {
    Q_OBJECT
public:
    // The page is the tab sheet TabSheet4, not yet in a page control.
    explicit ResultsPage(QWidget* parent);

    // The texts of the parameters on this page; the others are left alone.
    void read_texts(ParameterTexts& texts) const;

    QCheckBox* CheckBox6 = nullptr;  // "Training fitness"
    QCheckBox* CheckBox5 = nullptr;  // "Auto zoom"
    QCheckBox* CheckBox7 = nullptr;  // "Training data"
    QCheckBox* CheckBox4 = nullptr;  // "Fixed range"

    QChartView* Chart2 = nullptr;  // fitness of the best per generation
    QLineSeries* Series3 = nullptr;
    QLineSeries* Series5 = nullptr;

    QChartView* Chart3 = nullptr;  // gene lengths per generation
    QLineSeries* Series4 = nullptr;
    QLineSeries* FastLineSeries1 = nullptr;

    QChartView* Chart1 = nullptr;  // the input plane
    QScatterSeries* Series1 = nullptr;
    QScatterSeries* Series2 = nullptr;
    QScatterSeries* Series6 = nullptr;
    QScatterSeries* Series7 = nullptr;
    QScatterSeries* Series8 = nullptr;
    QScatterSeries* Series9 = nullptr;
    QScatterSeries* Series10 = nullptr;
    QValueAxis* chart1_bottom_axis = nullptr;
    QValueAxis* chart1_left_axis = nullptr;

    // The run's front of training fitness against nodes: its points, the line
    // through them and the point clicked; Chart4's panel is hidden but for a
    // run with the size objective.
    QWidget* PanelFront = nullptr;
    QChartView* Chart4 = nullptr;
    QScatterSeries* Series11 = nullptr;
    QLineSeries* Series12 = nullptr;
    QScatterSeries* Series13 = nullptr;

    QGroupBox* Panel2 = nullptr;  // "Best individual"
    QLabel* Label28 = nullptr;
    QLabel* Label32 = nullptr;
    QLabel* Label27 = nullptr;
    QPlainTextEdit* Memo1 = nullptr;
    QCheckBox* CheckBoxSimplified = nullptr;  // the shown program's simplified formula
    QLabel* LabelNodes = nullptr;             // its nodes before and after, while simplified
    QLabel* LabelBestValidation = nullptr;    // where the best on validation was found

    QProgressBar* ProgressBar1 = nullptr;
    QLabel* Label31 = nullptr;
    QLabel* LabelSeed = nullptr;   // the seed of the run shown
    QLabel* LabelSpeed = nullptr;  // how fast the run goes, and how long it took
    BitBtn* BitBtn2 = nullptr;     // Start / Abort
    BitBtn* BitBtn1 = nullptr;     // Stop / Resume

protected:
    void resizeEvent(QResizeEvent* event) override;
};

}  // namespace vorn
