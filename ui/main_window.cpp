#include "ui/main_window.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QValueAxis>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <new>
#include <optional>

#include "engine/settings_file.h"
#include "problem/errors.h"
#include "problem/problem_setting.h"
#include "ui/about_box.h"
#include "ui/bit_button.h"
#include "ui/check_list_box.h"
#include "ui/data_files.h"
#include "ui/data_grid.h"
#include "ui/dialogs.h"
#include "ui/drop_loading.h"
#include "ui/graph_form.h"
#include "ui/grid_model.h"
#include "ui/handler_guard.h"
#include "ui/parameter_controls.h"
#include "ui/population_page.h"
#include "ui/problem_page.h"
#include "ui/program_actions.h"
#include "ui/recent_files.h"
#include "ui/record_actions.h"
#include "ui/results_page.h"
#include "ui/run_control.h"
#include "ui/settings_actions.h"

namespace vorn {

namespace {

void end_program_now(int status) {
    std::fflush(nullptr);
    std::_Exit(status);
}

}  // namespace

TForm1::TForm1(std::unique_ptr<Dialogs> dialogs)
    : dialogs_(std::move(dialogs)), exit_routine_(end_program_now) {
    if (!dialogs_) {
        dialogs_ = std::make_unique<QtDialogs>(this);
    }
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("VORN for Quenta Problem ver.1.1"));
    setFont(window_font());

    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    problem_ = new ProblemPage(guard(), PageControl1);
    population_ = new PopulationPage(guard(), PageControl1);
    results_ = new ResultsPage(PageControl1);
    PageControl1->addTab(problem_, QStringLiteral("Problem Setting"));
    PageControl1->addTab(population_, QStringLiteral("Population"));
    PageControl1->addTab(results_, QStringLiteral("Results"));
    setCentralWidget(PageControl1);
    menu_ = build_main_menu(this);
    new MenuShortcuts(this);
    RunWindow& run_window = *this;
    run_control_ = std::make_unique<RunControl>(*results_, run_window, *dialogs_);
    program_actions_ = new ProgramActions(
        menu_, results_->Memo1, *run_control_, *dialogs_, guard(),
        [this](const QString& path, const CsvOptions& csv, std::optional<PairingCounts>* counts) {
            return read_grid_file(path, *dialogs_, csv, nullptr, counts);
        });
    settings_actions_ = new SettingsActions(*this, menu_, *dialogs_, guard());
    new RecordActions(*this, *dialogs_, guard());
    recent_files_ = new RecentFiles(*this, menu_, *dialogs_, guard());
    new DropLoading(*this, guard());

    FormCreate();
    validation_loaded = false;
    training_loaded = false;
    function_table = build_function_table();

    GraphForm = new TGraphForm(this);
    GraphForm->setFont(window_font());
    connect_handlers();

    setMinimumSize(default_width, default_height);
    resize(default_width, default_height);
    move(225, 151);
}

TForm1::~TForm1() = default;

void TForm1::FormCreate() {
    for (int i = 0; i < 4; ++i) {
        problem_->CheckListBox1->set_checked(i, true);
    }
    AboutBox = new TAboutBox(this);
    AboutBox->setFont(window_font());
    PageControl1->setCurrentWidget(problem_);
    shown_page_ = problem_;
}

void TForm1::connect_handlers() {
    const auto on = [this](auto* sender, auto signal, void (TForm1::*handler)()) {
        connect_guarded(guard(), sender, signal, this, handler);
    };
    on(problem_->Edit16, &QLineEdit::textChanged, &TForm1::Edit16Change);
    on(problem_->Edit17, &QLineEdit::textChanged, &TForm1::Edit17Change);
    on(problem_->BitBtn3, &QPushButton::clicked, &TForm1::BitBtn3Click);
    on(problem_->BitBtn4, &QPushButton::clicked, &TForm1::BitBtn4Click);
    on(problem_->CheckBox3, &QCheckBox::toggled, &TForm1::update_validation_menu);
    on(problem_->Button1, &QPushButton::clicked, &TForm1::Button1Click);
    on(problem_->Button3, &QPushButton::clicked, &TForm1::Button3Click);
    on(problem_->Button2, &QPushButton::clicked, &TForm1::Button2Click);
    on(results_->BitBtn1, &QPushButton::clicked, &TForm1::BitBtn1Click);
    on(results_->BitBtn2, &QPushButton::clicked, &TForm1::BitBtn2Click);
    on(menu_.Exit1, &QAction::triggered, &TForm1::Exit1Click);
    on(menu_.Problem1, &QAction::triggered, &TForm1::Problem1Click);
    on(menu_.GPrun2, &QAction::triggered, &TForm1::GPrun2Click);
    on(menu_.Results1, &QAction::triggered, &TForm1::Results1Click);
    on(menu_.LoadTrainingData2, &QAction::triggered, &TForm1::BitBtn3Click);
    on(menu_.Load1, &QAction::triggered, &TForm1::BitBtn4Click);
    on(menu_.StartGPrun1, &QAction::triggered, &TForm1::BitBtn2Click);
    on(menu_.About1, &QAction::triggered, &TForm1::About1Click);
    connect(PageControl1, &QTabWidget::currentChanged, this, &TForm1::page_changed);
}

HandlerGuard TForm1::guard() {
    return [this](const std::function<void()>& handler) { run_guarded(handler); };
}

void TForm1::run_guarded(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const MessageError& error) {
        dialogs_->message(error.message());
    } catch (const std::bad_alloc&) {
        dialogs_->message(messages::memory_run());
    } catch (const std::exception& error) {
        dialogs_->message(messages::internal_error(error.what()));
    } catch (...) {
        dialogs_->message(messages::unexpected_error());
    }
}

// ---------------------------------------------------------------------------
// Variable names, shown on the page, the graph window and the plane chart

void TForm1::Edit16Change() {
    const QString name = problem_->Edit16->text();
    problem_->Label20->setText(name);
    problem_->Label17->setText(name);
    GraphForm->set_bottom_title(name);
    results_->chart1_bottom_axis->setTitleText(name);
}

void TForm1::Edit17Change() {
    const QString name = problem_->Edit17->text();
    problem_->Label26->setText(name);
    problem_->Label23->setText(name);
    GraphForm->set_left_title(name);
    results_->chart1_left_axis->setTitleText(name);
}

// ---------------------------------------------------------------------------
// Pages and the checks made on leaving them

void TForm1::apply_restore(const std::vector<Restore>& restore) {
    for (const auto& [id, text] : restore) {
        write_parameter_text(*this, id, text);
    }
}

void TForm1::TabSheet3Hide() {
    for (const Refusal& refusal : population_page_refusals(parameter_texts())) {
        apply_restore(refusal.restore);
        dialogs_->message(refusal.message);
        return_to_page(population_);
    }
}

void TForm1::TabSheet1Hide() {
    if (const auto refusal = problem_page_refusal(parameter_texts())) {
        dialogs_->message(refusal->message);
        apply_restore(refusal->restore);
        return_to_page(problem_);
    }
}

// Detected from the page control rather than from hide events, which also
// come when the window is minimised.
void TForm1::page_changed(int index) {
    QWidget* left = shown_page_;
    shown_page_ = PageControl1->widget(index);
    if (returning_to_page_ || left == shown_page_) {
        return;
    }
    if (left == population_) {
        run_guarded([this] { TabSheet3Hide(); });
    } else if (left == problem_) {
        run_guarded([this] { TabSheet1Hide(); });
    }
}

// Going back is no leaving of the page just entered: no checks run.
void TForm1::return_to_page(QWidget* page) {
    returning_to_page_ = true;
    PageControl1->setCurrentWidget(page);
    returning_to_page_ = false;
}

void TForm1::set_active_page(Page page) {
    switch (page) {
        case Page::problem_setting:
            PageControl1->setCurrentWidget(problem_);
            break;
        case Page::population:
            PageControl1->setCurrentWidget(population_);
            break;
        case Page::results:
            PageControl1->setCurrentWidget(results_);
            break;
    }
}

Page TForm1::active_page() const {
    const QWidget* page = PageControl1->currentWidget();
    if (page == population_) {
        return Page::population;
    }
    return page == results_ ? Page::results : Page::problem_setting;
}

void TForm1::Problem1Click() {
    set_active_page(Page::problem_setting);
}

void TForm1::GPrun2Click() {
    set_active_page(Page::population);
}

void TForm1::Results1Click() {
    set_active_page(Page::results);
}

// ---------------------------------------------------------------------------
// Data

void TForm1::BitBtn3Click() {
    if (const auto path = dialogs_->open_file(open_dialog_file_);
        path && load_training_file(*path)) {
        recent_files_->add(*path);
    }
}

void TForm1::BitBtn4Click() {
    if (const auto path = dialogs_->open_file(open_dialog_file_);
        path && load_validation_file(*path)) {
        recent_files_->add(*path);
    }
}

// The menu's validation load follows the page's own load button.
void TForm1::update_validation_menu() {
    menu_.Load1->setEnabled(!problem_->CheckBox3->isChecked());
}

void TForm1::Button2Click() {
    GraphForm->draw(problem_->StringGrid1->cells()->table(),
                    problem_->StringGrid2->cells()->table(), problem_->CheckBox3->isChecked());
    GraphForm->show_front();
}

// ---------------------------------------------------------------------------
// Run, menus, About

void TForm1::BitBtn1Click() {
    run_control_->toggle_pause();
}

// The button's kind alone tells a run in progress: then only the abort
// question is asked, so no second run can start inside one.
void TForm1::BitBtn2Click() {
    if (results_->BitBtn2->kind() != ButtonKind::ok) {
        run_control_->ask_abort();
        return;
    }
    problem_->StringGrid1->finish_edit();
    problem_->StringGrid2->finish_edit();
    const std::string seed_text = population_->EditSeed->text().toStdString();
    const auto seed = parse_seed(seed_text);
    if (!seed_text.empty() && !seed) {
        dialogs_->message(messages::field_refused(seed_caption, seed_requirement, seed_text));
        set_active_page(Page::population);
        return;
    }
    RunRequest request;
    request.plan = run_plan();
    if (!request.plan.seed) {
        request.plan.seed = run_control_->seed;
    }
    request.cells = grid_cells();
    request.training_loaded = training_loaded;
    request.validation_loaded = validation_loaded;
    PrepareResult prepared = prepare_run(request, function_table);
    for (const Notice& notice : prepared.notices) {
        dialogs_->message(notice.message);
        set_active_page(notice.page);
        apply_restore(notice.restore);
    }
    if (const auto& refusal = prepared.refusal) {
        apply_restore(refusal->restore);
        dialogs_->message(refusal->message);
        if (refusal->page) {
            set_active_page(*refusal->page);
        }
        return;
    }
    run_control_->start(std::move(*prepared.run), result_of_start(*this, request.plan));
}

RunPlan TForm1::run_plan() const {
    RunPlan plan;
    plan.texts = parameter_texts();
    plan.seed = parse_seed(population_->EditSeed->text().toStdString());
    if (!training_file_.isEmpty()) {
        plan.training = local_path(training_file_);
    }
    if (!validation_file_.isEmpty()) {
        plan.validation = local_path(validation_file_);
    }
    const bool validation_used = !plan.texts.flag(ParamId::use_training_data);
    set_plan_csv(plan, training_csv_, validation_used ? validation_csv_ : std::nullopt);
    return plan;
}

void TForm1::Exit1Click() {
    exit_routine_(0);
    // Only a test's exit routine returns: the run must not outlive it.
    run_control_->request_abort();
}

void TForm1::About1Click() {
    AboutBox->show();
    AboutBox->raise();
    AboutBox->activateWindow();
}

void TForm1::closeEvent(QCloseEvent* event) {
    // The run lives inside a handler below us on the stack: let it end at the
    // next generation boundary, then close.
    if (run_control_->running()) {
        run_control_->close_after_run();
        event->ignore();
        return;
    }
    // The other windows never keep the program alive on their own.
    GraphForm->hide();
    AboutBox->hide();
    QMainWindow::closeEvent(event);
}

// A main window has no default or cancel button: while "Results" shows, keys
// that no control took press the enabled run button of kind ok (Enter) or
// no (Esc).
void TForm1::keyPressEvent(QKeyEvent* event) {
    std::optional<ButtonKind> kind;
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        kind = ButtonKind::ok;
    } else if (event->key() == Qt::Key_Escape) {
        kind = ButtonKind::no;
    }
    BitBtn* button =
        kind && active_page() == Page::results ? run_control_->button_of_kind(*kind) : nullptr;
    if (button == nullptr) {
        QMainWindow::keyPressEvent(event);
        return;
    }
    event->accept();
    button->click();
}

// ---------------------------------------------------------------------------
// Texts for a run

ParameterTexts TForm1::parameter_texts() const {
    ParameterTexts texts;
    problem_->read_texts(texts);
    population_->read_texts(texts);
    results_->read_texts(texts);
    return texts;
}

GridCells TForm1::grid_cells() const {
    return problem_->grid_cells();
}

// ---------------------------------------------------------------------------
// What the run control sees of the window

void TForm1::show_start_command(bool shown) {
    menu_.StartGPrun1->setVisible(shown);
}

void TForm1::repaint_window() {
    repaint();
}

void TForm1::close_window() {
    close();
}

}  // namespace vorn
