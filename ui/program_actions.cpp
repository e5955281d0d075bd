#include "ui/program_actions.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QFontDatabase>
#include <QMenu>
#include <QPlainTextEdit>
#include <algorithm>

#include "engine/program_score.h"
#include "problem/file_writer.h"
#include "problem/number_text.h"
#include "program/program_export.h"
#include "ui/chart_menu.h"
#include "ui/data_files.h"
#include "ui/dialogs.h"
#include "ui/menus.h"
#include "ui/run_control.h"

namespace vorn {

namespace {

const QString program_filter = QStringLiteral("Program files (*.json);;All files (*)");

}  // namespace

ProgramActions::ProgramActions(
    const MainMenu& menu, QPlainTextEdit* formula_box, RunControl& run, Dialogs& dialogs,
    const HandlerGuard& guard,
    std::function<std::optional<DataTable>(const QString&, const CsvOptions&,
                                           std::optional<PairingCounts>*)>
        read_data)
    : QObject(formula_box),
      menu_(menu),
      formula_box_(formula_box),
      run_(run),
      dialogs_(dialogs),
      read_data_(std::move(read_data)) {
    connect_guarded(guard, menu.SaveBestProgram1, &QAction::triggered, this,
                    &ProgramActions::SaveBestProgram1Click);
    connect_guarded(guard, menu.ExportProgramC1, &QAction::triggered, this,
                    &ProgramActions::ExportProgramC1Click);
    connect_guarded(guard, menu.ExportProgramPython1, &QAction::triggered, this,
                    &ProgramActions::ExportProgramPython1Click);
    connect_guarded(guard, menu.ScoreProgram1, &QAction::triggered, this,
                    &ProgramActions::ScoreProgram1Click);

    formula_menu_ = new QMenu(formula_box);
    formula_menu_->setObjectName(QStringLiteral("FormulaMenu1"));
    copy_ = formula_menu_->addAction(QStringLiteral("Copy"));
    copy_->setObjectName(QStringLiteral("CopyFormula1"));
    copy_exact_ = formula_menu_->addAction(QStringLiteral("Copy Exact Formula"));
    copy_exact_->setObjectName(QStringLiteral("CopyExactFormula1"));
    connect_guarded(guard, copy_, &QAction::triggered, this, &ProgramActions::CopyFormula1Click);
    connect_guarded(guard, copy_exact_, &QAction::triggered, this,
                    &ProgramActions::CopyExactFormula1Click);
    formula_menu_->addSeparator();
    monospace_ = formula_menu_->addAction(QStringLiteral("Monospace Font"));
    monospace_->setObjectName(QStringLiteral("MonospaceFont1"));
    monospace_->setCheckable(true);
    connect(monospace_, &QAction::toggled, this, &ProgramActions::MonospaceFont1Toggle);
    formula_box->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(formula_box, &QWidget::customContextMenuRequested, this,
            &ProgramActions::show_formula_menu);

    // The window's charts save their images through the same dialogs, never
    // over the files of the last run.
    new ChartImageActions(
        dialogs, guard, [this] { return plan_inputs(run_.last_plan()); }, this);

    run_.program_changed = [this] { update_enabled(); };
    update_enabled();
}

void ProgramActions::update_enabled() {
    const bool has_program = run_.last_program().has_value();
    for (QAction* action :
         {menu_.SaveBestProgram1, menu_.ExportProgramC1, menu_.ExportProgramPython1, copy_exact_}) {
        action->setEnabled(has_program);
    }
}

void ProgramActions::show_formula_menu(const QPoint& position) {
    copy_->setEnabled(!formula_box_->toPlainText().isEmpty());
    formula_menu_->popup(formula_box_->viewport()->mapToGlobal(position));
}

Program ProgramActions::program_to_save(const Program& best) const {
    return with_provenance(best, run_.last_plan(), run_.last_seed());
}

// The last generation's best, or the generation's best that did best on
// validation: they differ when the run went on past its best. A front
// program shown in place of the best is offered first.
void ProgramActions::SaveBestProgram1Click() {
    if (!run_.last_program() || !run_.best_validation_program()) {
        return;
    }
    const ValidatedBest& validated = *run_.best_on_validation();
    QStringList options{QStringLiteral("Last generation's best"),
                        QStringLiteral("Best on validation (generation %1, count %2)")
                            .arg(validated.generation)
                            .arg(QString::fromStdString(general_text(validated.validation_count)))};
    // Numbered from 1, shortest first, as the runner's front files are.
    const std::optional<std::size_t> front = run_.selected_front();
    if (front) {
        const FrontMember& member = run_.front()[*front].member;
        options.prepend(QStringLiteral("Front program %1 (%2 nodes, training fitness %3)")
                            .arg(*front + 1)
                            .arg(member.nodes)
                            .arg(QString::fromStdString(general_text(member.training_fitness))));
    }
    const auto which =
        dialogs_.choose(QStringLiteral("Save Best Program"),
                        QStringLiteral("Which program do you want to save?"), options);
    if (!which) {
        return;
    }
    const int index = front ? *which - 1 : *which;
    const Program& chosen = index < 0    ? run_.front()[*front].member.program
                            : index == 1 ? *run_.best_validation_program()
                                         : *run_.last_program();
    const auto file =
        dialogs_.choose_save_file(QStringLiteral("Save Best Program"), program_filter,
                                  index < 0 ? QStringLiteral("front-%1.json").arg(*front + 1)
                                            : QStringLiteral("program.json"));
    if (file) {
        save_program_file(local_path(*file), program_to_save(chosen),
                          plan_inputs(run_.last_plan()));
    }
}

void ProgramActions::write_export(const QString& title, const QString& filter,
                                  const QString& suffix, bool python) {
    if (!run_.last_program()) {
        return;
    }
    const Program& program = *run_.last_program();
    const QString name =
        QString::fromStdString(exported_function_name(program.output_name)) + suffix;
    if (const auto file = dialogs_.choose_save_file(title, filter, name)) {
        write_file(local_path(*file),
                   export_program(program, python ? ExportLanguage::python : ExportLanguage::c),
                   plan_inputs(run_.last_plan()));
    }
}

void ProgramActions::ExportProgramC1Click() {
    write_export(QStringLiteral("Export Program as C"),
                 QStringLiteral("C sources (*.c);;All files (*)"), QStringLiteral(".c"), false);
}

void ProgramActions::ExportProgramPython1Click() {
    write_export(QStringLiteral("Export Program as Python"),
                 QStringLiteral("Python modules (*.py);;All files (*)"), QStringLiteral(".py"),
                 true);
}

// Asks for a program, then for the data; both are read before anything is
// shown, so a refusal of either is the only message.
void ProgramActions::ScoreProgram1Click() {
    const auto program_file =
        dialogs_.choose_open_file(QStringLiteral("Score Program: Program File"), program_filter);
    if (!program_file) {
        return;
    }
    const Program program = load_program_file(local_path(*program_file));
    const auto data_file = dialogs_.choose_open_file(QStringLiteral("Score Program: Data File"),
                                                     QStringLiteral("All files (*)"));
    if (!data_file) {
        return;
    }
    // A CSV file is read as the program's run read its data.
    const ProgramCsvChoice made_with = program_csv_choice(program);
    std::optional<PairingCounts> points;
    const std::optional<DataTable> table =
        read_data_(*data_file, CsvOptions{made_with.columns, made_with.positive}, &points);
    if (!table) {
        return;
    }
    const ScoreCounts counts = score_table(program_code(program), *table, points);
    dialogs_.message(messages::program_scored(QFile::encodeName(*program_file).toStdString(),
                                              score_line(local_path(*data_file).string(), counts)));
}

// The selection when there is one, else the whole formula as shown.
void ProgramActions::CopyFormula1Click() {
    const QString selected = formula_box_->textCursor().selectedText();
    QApplication::clipboard()->setText(selected.isEmpty() ? formula_box_->toPlainText() : selected);
}

// The fixed-pitch face at the box's own size, so the lines keep their height.
void ProgramActions::MonospaceFont1Toggle() {
    if (!monospace_->isChecked()) {
        formula_box_->setFont(plain_font_);
        return;
    }
    plain_font_ = formula_box_->font();
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    if (plain_font_.pixelSize() > 0) {
        fixed.setPixelSize(plain_font_.pixelSize());
    } else {
        fixed.setPointSizeF(plain_font_.pointSizeF());
    }
    formula_box_->setFont(fixed);
}

// The program the box shows: a front program clicked, or the best.
void ProgramActions::CopyExactFormula1Click() {
    if (const auto front = run_.selected_front()) {
        QApplication::clipboard()->setText(
            QString::fromStdString(exact_formula(run_.front()[*front].member.program)));
    } else if (const auto& program = run_.last_program()) {
        QApplication::clipboard()->setText(QString::fromStdString(exact_formula(*program)));
    }
}

}  // namespace vorn
