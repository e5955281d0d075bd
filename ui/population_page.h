#pragma once
// The "Population" page: population, selection, operator rates, initial node
// ratios, gene limits, the break point and the search options beyond them.
#include <QWidget>

#include "ui/handler_guard.h"

class QCheckBox;
class QComboBox;
class QDialog;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace vorn {

class ParameterTexts;
class RadioGroup;

class PopulationPage final : public QWidget {
    Q_OBJECT
public:
    // The page is the tab sheet TabSheet3, not yet in a page control; its
    // controls start with their defaults.
    PopulationPage(const HandlerGuard& guard, QWidget* parent);

    // The texts of the parameters on this page; the others are left alone.
    void read_texts(ParameterTexts& texts) const;

    // Handlers, named after the control and its event.
    void Edit4Change();
    void Edit5Change();
    void Edit6Change();
    void Edit13Change();
    void Edit14Change();
    void RadioGroup1Click();
    void CheckBox1Click();
    void CheckBox2Click();
    void ComboBox1Change();
    void ComboBox3Change();

    QLabel* Label1 = nullptr;
    QLineEdit* Edit1 = nullptr;  // "Population Size"
    QLabel* Label2 = nullptr;
    QLineEdit* Edit2 = nullptr;  // "Generation"
    QLabel* LabelSeed = nullptr;
    QLineEdit* EditSeed = nullptr;  // empty: a seed from the clock

    QGroupBox* GroupBox5 = nullptr;  // "Selection Method"
    RadioGroup* RadioGroup1 = nullptr;
    QLabel* Label4 = nullptr;
    QLineEdit* Edit3 = nullptr;  // "Tournament Size"
    QCheckBox* CheckBox1 = nullptr;
    QLineEdit* Edit7 = nullptr;
    QLabel* Label10 = nullptr;

    QGroupBox* GroupBox1 = nullptr;  // "Rate of GP Operations"
    QLabel* Label7 = nullptr;
    QLineEdit* Edit4 = nullptr;  // "Crossover"
    QLabel* Label9 = nullptr;
    QLineEdit* Edit5 = nullptr;  // "Mutation"
    QLabel* Label8 = nullptr;
    QLineEdit* Edit6 = nullptr;  // "One-point Mutation"
    QLabel* Label3 = nullptr;
    QLabel* Label6 = nullptr;  // reproduction, the remainder

    QGroupBox* GroupBox4 = nullptr;  // "Initial Ratio of the Nodes"
    QLabel* Label15 = nullptr;
    QLineEdit* Edit13 = nullptr;  // "Function"
    QLabel* Label16 = nullptr;
    QLineEdit* Edit14 = nullptr;  // "Variable"
    QLabel* Label14 = nullptr;
    QLabel* ConstLabel = nullptr;  // constants, the remainder

    QGroupBox* GroupBox2 = nullptr;  // "Restrictions on Genes"
    QLabel* Label5 = nullptr;
    QLineEdit* Edit8 = nullptr;  // "Maximum Length"
    QLabel* Label11 = nullptr;
    QLineEdit* Edit9 = nullptr;  // "Maximum Initial Depth"

    QLabel* Label40 = nullptr;       // "Search"
    QComboBox* ComboBox3 = nullptr;  // the preset: sets the search options, is no parameter
    QPushButton* Button4 = nullptr;  // "Options…": shows SearchDialog
    QDialog* SearchDialog = nullptr;
    QGroupBox* GroupBox9 = nullptr;  // "Search", in SearchDialog
    QLabel* Label35 = nullptr;
    QComboBox* ComboBox1 = nullptr;  // "Parsimony"
    QLabel* Label36 = nullptr;
    QLineEdit* Edit19 = nullptr;  // "Size Penalty"
    QLabel* Label37 = nullptr;
    QLineEdit* Edit20 = nullptr;  // "Hold-out"
    QLabel* Label38 = nullptr;
    QComboBox* ComboBox2 = nullptr;  // "Objectives"
    QLabel* Label39 = nullptr;
    QLineEdit* Edit21 = nullptr;  // "Constant Tuning"

    QCheckBox* CheckBox2 = nullptr;  // "Break Point"
    QLineEdit* Edit15 = nullptr;
    QLabel* Label22 = nullptr;

private:
    void update_reproduction_label();
    void update_constant_label();
};

}  // namespace vorn
