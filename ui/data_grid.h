#pragma once
// A data grid: a table view over a CellGridModel without header sections,
// and the row of column labels that stands above it.
#include <QTableView>
#include <QWidget>
#include <optional>
#include <vector>

class QLabel;

namespace vorn {

class CellGridModel;

class StringGrid final : public QTableView {
    Q_OBJECT
public:
    static constexpr int default_row_count = 100;
    static constexpr int column_width = 40;
    static constexpr int row_height = 24;

    // `tab_between_cells`: Tab moves to the next cell instead of the next control.
    StringGrid(const QString& name, bool tab_between_cells, QWidget* parent);

    [[nodiscard]] CellGridModel* cells() const { return model_; }
    [[nodiscard]] int row_count() const;
    // Puts the text of a cell still being edited into the grid and closes
    // its editor, so that what a run reads is what the user sees.
    void finish_edit();

    [[nodiscard]] QSize minimumSizeHint() const override;

    // The widest text a loaded cell can show: six significant digits, a sign
    // and a negative two-digit exponent.
    static constexpr const char* widest_cell_text = "-8.88888E-38";
    // Pixels between a cell's edge and its text, on each side.
    [[nodiscard]] int text_margin() const;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void fit_cell_font();

    CellGridModel* model_;
    std::optional<QFont> base_font_;  // the inherited font, the largest cells use
};

// Labels placed over the first columns of a grid, following the columns'
// positions when the grid is resized.
class ColumnLabels final : public QWidget {
    Q_OBJECT
public:
    ColumnLabels(StringGrid* grid, std::vector<QLabel*> labels, QWidget* parent);
    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void place_labels();

    StringGrid* grid_;
    std::vector<QLabel*> labels_;
};

}  // namespace vorn
