#pragma once
// The "Problem Setting" page: data grids, functions, constants, variable names.
#include <QWidget>

#include "ui/handler_guard.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace vorn {

class CheckListBox;
class ParameterTexts;
class StringGrid;
struct GridCells;

class ProblemPage final : public QWidget {
    Q_OBJECT
public:
    // The page is the tab sheet TabSheet1, not yet in a page control; its
    // controls start with their defaults.
    ProblemPage(const HandlerGuard& guard, QWidget* parent);

    // The texts of the parameters on this page; the others are left alone.
    void read_texts(ParameterTexts& texts) const;
    // The grids' cells as they stand.
    [[nodiscard]] GridCells grid_cells() const;

    // Handlers, named after the control and its event.
    void CheckBox3Click();

    QGroupBox* GroupBox6 = nullptr;  // "Training Data"
    QLabel* Label20 = nullptr;
    QLabel* Label26 = nullptr;
    StringGrid* StringGrid1 = nullptr;
    QPushButton* BitBtn3 = nullptr;
    QPushButton* Button1 = nullptr;

    QGroupBox* GroupBox7 = nullptr;  // "Validation Data"
    QCheckBox* CheckBox3 = nullptr;
    QLabel* Label17 = nullptr;
    QLabel* Label23 = nullptr;
    StringGrid* StringGrid2 = nullptr;
    QPushButton* BitBtn4 = nullptr;
    QPushButton* Button3 = nullptr;

    QGroupBox* FunctionsGrouoBox = nullptr;  // "Functions"
    CheckListBox* CheckListBox1 = nullptr;

    QGroupBox* GroupBox3 = nullptr;  // "Constants"
    QLabel* Label13 = nullptr;
    QLineEdit* Edit10 = nullptr;
    QLabel* Label12 = nullptr;
    QLineEdit* Edit11 = nullptr;
    QLabel* Label19 = nullptr;
    QLineEdit* Edit12 = nullptr;

    QGroupBox* GroupBox8 = nullptr;  // "Variable"
    QLabel* Label25 = nullptr;
    QLabel* Label33 = nullptr;
    QLineEdit* Edit16 = nullptr;
    QLabel* Label34 = nullptr;
    QLineEdit* Edit17 = nullptr;
    QLabel* Label30 = nullptr;
    QLineEdit* Edit18 = nullptr;

    QPushButton* Button2 = nullptr;  // "Draw Graph"
};

}  // namespace vorn
