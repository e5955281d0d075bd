#pragma once
// The "Population" page: population, selection, operator rates, initial node
// ratios, gene limits and the break point.
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QWidget;

namespace vorn {

class RadioGroup;

struct PopulationPage {
    QWidget* TabSheet3 = nullptr;

    QLabel* Label1 = nullptr;
    QLineEdit* Edit1 = nullptr;  // "Population Size"
    QLabel* Label2 = nullptr;
    QLineEdit* Edit2 = nullptr;  // "Generation"

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

    QCheckBox* CheckBox2 = nullptr;  // "Break Point"
    QLineEdit* Edit15 = nullptr;
    QLabel* Label22 = nullptr;
};

[[nodiscard]] PopulationPage build_population_page(QWidget* parent);

}  // namespace vorn
