#pragma once
// The small dialog that asks which columns of a labelled CSV file hold x, y
// and the label, and which label is the positive class, showing how the
// points will be paired for the choice as it stands.
#include <QDialog>

#include "problem/csv_pairing.h"

class QComboBox;
class QDialogButtonBox;
class QLabel;

namespace vorn {

class CsvDialog final : public QDialog {
    Q_OBJECT
public:
    // `table` must outlive the dialog.
    CsvDialog(const CsvTable& table, const CsvChoice& proposed, QWidget* parent);

    [[nodiscard]] CsvChoice choice() const;
    // The counts line of the choice, or why it cannot be paired (then OK is
    // disabled).
    [[nodiscard]] QString counts_text() const;
    [[nodiscard]] bool acceptable() const;

    QComboBox* x_box = nullptr;
    QComboBox* y_box = nullptr;
    QComboBox* label_box = nullptr;
    QComboBox* positive_box = nullptr;  // editable: any label may be typed
    QLabel* counts_label = nullptr;
    QDialogButtonBox* buttons = nullptr;

private:
    void fill_labels(const QString& keep);
    void label_column_changed();
    void columns_changed();
    void update_counts();

    const CsvTable& table_;
};

}  // namespace vorn
