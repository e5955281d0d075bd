// The monkey: a few thousand seeded random user actions on the window, many
// of them landing inside a run's event pumps, then a clean run that must
// still come out right. Every message shown must be one of the program's own.
//
// VORN_MONKEY_ACTIONS=100000 runs a longer session and VORN_MONKEY_SEED=n
// another sequence; VORN_MONKEY_VERBOSE=1 prints every action. A failure
// prints the seed and the last actions, also on a crash or when the window
// stops answering.
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QLabel>
#include <QLineSeries>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTimer>
#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <mutex>
#include <random>
#include <thread>

#include "tests/ui/form_fixture.h"
#include "ui/about_box.h"
#include "ui/bit_button.h"
#include "ui/check_list_box.h"
#include "ui/data_grid.h"
#include "ui/graph_form.h"
#include "ui/grid_model.h"
#include "ui/radio_group.h"
#include "ui/run_control.h"

namespace vorn::testing {
namespace {

constexpr long default_actions = 3000;
constexpr std::uint64_t default_seed = 20240611;
// No action for this long: the window hangs.
constexpr std::chrono::seconds stall_limit{60};

long env_number(const char* name, long fallback) {
    const QByteArray text = qgetenv(name);
    bool ok = false;
    const long value = text.toLong(&ok);
    return ok && value > 0 ? value : fallback;
}

// The last actions in fixed buffers, so that a crash handler can print them
// without allocating.
class Trace {
public:
    static constexpr std::size_t kept = 24;
    static constexpr std::size_t width = 256;

    void set_header(const std::string& text) { copy(header_, text); }

    void add(const std::string& line) {
        const std::lock_guard lock(mutex_);
        const long n = count_.load();
        copy(lines_[static_cast<std::size_t>(n) % kept], line);
        count_.store(n + 1);
    }

    void print() {
        const std::lock_guard lock(mutex_);
        write_to(STDERR_FILENO);
    }

    // No lock and no allocation: also called from a signal handler.
    void write_to(int fd) const noexcept {
        put(fd, header_.data());
        const long n = count_.load();
        for (long i = std::max(0L, n - static_cast<long>(kept)); i < n; ++i) {
            put(fd, lines_[static_cast<std::size_t>(i) % kept].data());
        }
    }

private:
    using Line = std::array<char, width>;

    static void copy(Line& to, const std::string& text) {
        const std::size_t n = std::min(text.size(), width - 2);
        std::memcpy(to.data(), text.data(), n);
        to[n] = '\n';
        to[n + 1] = '\0';
    }

    static void put(int fd, const char* text) noexcept {
        const std::size_t n = std::strlen(text);
        if (write(fd, text, n) < 0) {
            return;
        }
    }

    std::mutex mutex_;
    std::atomic<long> count_{0};
    Line header_{};
    std::array<Line, kept> lines_{};
};

Trace trace;

constexpr std::array<int, 5> fatal_signals = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};
std::array<struct sigaction, fatal_signals.size()> previous_actions{};

// Prints the trace, then hands the signal back: the previous handler (a
// sanitizer's, say) or the default sees it when the fault repeats.
void on_fatal_signal(int signal_number) {
    trace.write_to(STDERR_FILENO);
    for (std::size_t i = 0; i < fatal_signals.size(); ++i) {
        if (fatal_signals[i] == signal_number) {
            sigaction(signal_number, &previous_actions[i], nullptr);
        }
    }
}

class CrashTrace {
public:
    CrashTrace() {
        struct sigaction action {};
        action.sa_handler = on_fatal_signal;
        sigemptyset(&action.sa_mask);
        for (std::size_t i = 0; i < fatal_signals.size(); ++i) {
            sigaction(fatal_signals[i], &action, &previous_actions[i]);
        }
    }
    ~CrashTrace() {
        for (std::size_t i = 0; i < fatal_signals.size(); ++i) {
            sigaction(fatal_signals[i], &previous_actions[i], nullptr);
        }
    }
    CrashTrace(const CrashTrace&) = delete;
    CrashTrace& operator=(const CrashTrace&) = delete;
};

// A run computes on the window's thread, so only another thread can tell
// that the window no longer comes back to its events.
class Watchdog {
public:
    Watchdog() : thread_([this] { watch(); }) {}
    ~Watchdog() {
        {
            const std::lock_guard lock(mutex_);
            stop_ = true;
        }
        wake_.notify_all();
        thread_.join();
    }
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

    void alive() { last_ = Clock::now().time_since_epoch().count(); }

private:
    using Clock = std::chrono::steady_clock;

    void watch() {
        std::unique_lock lock(mutex_);
        while (!wake_.wait_for(lock, std::chrono::seconds(1), [this] { return stop_; })) {
            const Clock::time_point last{Clock::duration(last_.load())};
            if (Clock::now() - last > stall_limit) {
                std::fprintf(stderr, "The window did not come back to its events for %lld s.\n",
                             static_cast<long long>(stall_limit.count()));
                trace.print();
                std::fflush(nullptr);
                std::_Exit(EXIT_FAILURE);
            }
        }
    }

    std::atomic<Clock::rep> last_{Clock::now().time_since_epoch().count()};
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stop_ = false;
    std::thread thread_;
};

// Keys that nothing took are normal for a monkey; QTest warns about each.
QtMessageHandler previous_handler = nullptr;
void quiet_key_warnings(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    // The offscreen platform cannot raise windows; not the program's concern.
    if (text.startsWith(QLatin1String("Keyboard event not accepted")) ||
        text.startsWith(QLatin1String("This plugin does not support"))) {
        return;
    }
    previous_handler(type, context, text);
}

class QuietKeyWarnings {
public:
    QuietKeyWarnings() { previous_handler = qInstallMessageHandler(quiet_key_warnings); }
    ~QuietKeyWarnings() { qInstallMessageHandler(previous_handler); }
    QuietKeyWarnings(const QuietKeyWarnings&) = delete;
    QuietKeyWarnings& operator=(const QuietKeyWarnings&) = delete;
};

std::string name_of(const QWidget* widget) {
    if (!widget->objectName().isEmpty()) {
        return widget->objectName().toStdString();
    }
    const auto* button = qobject_cast<const QAbstractButton*>(widget);
    return button != nullptr ? "\"" + button->text().toStdString() + "\"" : "?";
}

std::string shown(const QString& text) {
    const QString cut = text.size() > 40 ? text.left(40) + QStringLiteral("...") : text;
    return "\"" + cut.toStdString() + "\"";
}

// The program's messages: each must be the catalogue's text for its id and
// arguments, and its arguments must name what the window has: a field by its
// caption, a grid, a file that was offered.
class MessageOracle {
public:
    void add_file(const QString& path) { files_.push_back(path.toStdString()); }

    [[nodiscard]] bool known(const Message& message) const {
        if (message.text != render_message(message.id, message.args)) {
            return false;
        }
        const auto arg = [&message](std::size_t i) {
            return i < message.args.size() ? message.args[i] : std::string();
        };
        switch (message.id) {
            case MessageId::field_refused:
                return std::any_of(parameter_table().begin(), parameter_table().end(),
                                   [&](const Parameter& row) { return row.caption == arg(0); });
            case MessageId::grid_empty:
            case MessageId::cell_not_number:
                return arg(0) == "Training Data" || arg(0) == "Validation Data";
            case MessageId::data_file_refused:
                return std::find(files_.begin(), files_.end(), arg(0)) != files_.end();
            case MessageId::abort_question:
                return false;  // a question, never a message
            case MessageId::internal_error:
            case MessageId::internal_run_error:
            case MessageId::unexpected_error:
                return false;  // an error that escaped the catalogue
            default:
                return true;
        }
    }

private:
    std::vector<std::string> files_;
};

struct GridState {
    DataTable training;
    DataTable validation;
    bool training_loaded;
    bool validation_loaded;
    bool operator==(const GridState&) const = default;
};

class Monkey : public FormTest {
protected:
    void SetUp() override {
        seed_ = static_cast<std::uint64_t>(env_number("VORN_MONKEY_SEED", default_seed));
        actions_ = env_number("VORN_MONKEY_ACTIONS", default_actions);
        verbose_ = !qEnvironmentVariableIsEmpty("VORN_MONKEY_VERBOSE");
        rng_.seed(seed_);
        trace.set_header("Monkey seed " + std::to_string(seed_) + ", last actions:");
        form->run_control().seed = static_cast<std::uint32_t>(seed_);
        form->run_control().generation_hook = [this](const GenerationReport& report) {
            watchdog_.alive();
            runs_started_ += report.generation == 0 ? 1 : 0;
            ++generations_;
        };
        write_files();
        edits_ = {population().Edit1, population().Edit2,  population().Edit3,  population().Edit4,
                  population().Edit5, population().Edit6,  population().Edit7,  population().Edit8,
                  population().Edit9, population().Edit13, population().Edit14, population().Edit15,
                  problem().Edit10,   problem().Edit11,    problem().Edit12,    problem().Edit16,
                  problem().Edit17,   problem().Edit18};
        check_boxes_ = {problem().CheckBox3, population().CheckBox1, population().CheckBox2,
                        results().CheckBox4, results().CheckBox5,    results().CheckBox6,
                        results().CheckBox7};
        buttons_ = {problem().BitBtn3,
                    problem().BitBtn4,
                    problem().Button1,
                    problem().Button3,
                    problem().Button2,
                    results().BitBtn1,
                    results().BitBtn2,
                    form->graph_form()->findChild<QPushButton*>(QStringLiteral("BitBtn1")),
                    form->about_box()->findChild<QPushButton*>()};
        menu_items_ = {
            menu().Problem1, menu().GPrun2,      menu().Results1, menu().LoadTrainingData2,
            menu().Load1,    menu().StartGPrun1, menu().About1,   menu().CutT1,
            menu().CopyC1};
    }

    // Good files: copies of the bundled data sets (the loader writes its
    // record file next to them) and variants the reader accepts; bad files:
    // one for each way the reader refuses.
    void write_files() {
        const std::filesystem::path data =
            std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() / "data";
        std::error_code error;
        std::vector<std::filesystem::path> bundled;
        for (const auto& entry : std::filesystem::directory_iterator(data, error)) {
            if (entry.path().extension() == ".txt") {
                bundled.push_back(entry.path());
            }
        }
        std::sort(bundled.begin(), bundled.end());  // the same sequence on every machine
        for (const std::filesystem::path& path : bundled) {
            QFile source(QString::fromStdString(path.string()));
            if (source.open(QIODevice::ReadOnly)) {
                good_.push_back(
                    write_file(QString::fromStdString(path.filename().string()), source.readAll()));
            }
        }
        good_.push_back(write_file(QStringLiteral("rows.txt"), data_rows(30)));
        QByteArray crlf = "\xEF\xBB\xBF" + data_rows(12);
        crlf.replace("\n", "\r\n");
        good_.push_back(write_file(QStringLiteral("bom_crlf.txt"), crlf));
        good_.push_back(write_file(QStringLiteral("daten_\u00fc.txt"), data_rows(8, " ", false)));

        QByteArray binary;
        for (int i = 0; i < 512; ++i) {
            binary.append(static_cast<char>((i * 37) & 0xFF));
        }
        const std::pair<const char*, QByteArray> refused[] = {
            {"empty.txt", ""},
            {"binary.dat", binary},
            {"header.txt", "x1 y1 x2 y2\n1 2 3 4\n"},
            {"nan.txt", "1 2 3 4\n1 2 nan 4\n"},
            {"inf.txt", "1 inf 3 4\n"},
            {"outside_float.txt", "1 2 3 1e39\n"},
            {"commas.txt", "1,2,3,4\n"},
            {"decimal_comma.txt", "1,5 2 3 4\n"},
            {"split.txt", "1 2 3\n4\n"},
            {"five.txt", "1 2 3 4 5\n"},
            {"blank.txt", "\n  \n\t\n"},
        };
        for (const auto& [name, content] : refused) {
            bad_.push_back(write_file(QString::fromLatin1(name), content));
        }
        QDir(folder.path()).mkdir(QStringLiteral("a_folder"));
        bad_.push_back(folder.filePath(QStringLiteral("a_folder")));
        bad_.push_back(folder.filePath(QStringLiteral("missing.txt")));
        for (const QString& file : good_) {
            oracle_.add_file(file);
        }
        for (const QString& file : bad_) {
            oracle_.add_file(file);
        }
    }

    // ---------------------------------------------------------------------
    // Randomness

    int below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }
    bool chance(double p) { return std::uniform_real_distribution<double>(0, 1)(rng_) < p; }
    template <class T>
    T pick(const std::vector<T>& items) {
        return items[static_cast<std::size_t>(below(static_cast<int>(items.size())))];
    }
    QString number(int low, int high) { return QString::number(low + below(high - low + 1)); }
    QString decimal(double low, double high) {
        const double value = std::uniform_real_distribution<double>(low, high)(rng_);
        return QString::number(value, 'f', below(4));
    }

    QString garbage() {
        QString text;
        const int n = 1 + below(12);
        for (int i = 0; i < n; ++i) {
            text.append(QChar(0x20 + below(0x5F)));
        }
        return text;
    }

    // Texts no field takes, or takes only at its edge.
    QString odd_text() {
        static const std::vector<const char*> texts = {
            "1e400",  "-1e400", "nan",  "NaN", "inf",  "-inf",         "1e39",   "3.4028236e38",
            "1e-400", "1e9",    "0x10", "1,5", " 12 ", "--1",          "+-1",    ".",
            "-",      "e5",     "1e",   "0",   "-0",   "\u0661\u0662", "\u00bd", "12abc"};
        return QString::fromUtf8(pick(texts));
    }

    // Sizes never get long digit strings, nor digits added: a digit or two
    // edited away or typed on could leave a legal run of gigabytes (the
    // core's estimate counts the population only), which the test would
    // really allocate.
    [[nodiscard]] static bool is_size(const QLineEdit* edit) {
        static const QStringList sizes = {QStringLiteral("Edit1"), QStringLiteral("Edit2"),
                                          QStringLiteral("Edit3"), QStringLiteral("Edit8"),
                                          QStringLiteral("Edit12")};
        return sizes.contains(edit->objectName());
    }

    QString huge_number() {
        static const std::vector<const char*> texts = {"99999999999", "2147483648", "-2147483649"};
        return chance(0.2) ? QString(300, QLatin1Char('9')) : QString::fromLatin1(pick(texts));
    }

    // Mostly what a user would type there; run sizes stay small, so runs are short.
    QString sensible_text(const QLineEdit* edit) {
        const QString name = edit->objectName();
        if (name == QLatin1String("Edit1")) {
            return chance(0.03) ? QStringLiteral("5000") : number(2, 60);
        }
        if (name == QLatin1String("Edit2")) {
            return chance(0.03) ? QStringLiteral("500") : number(1, 8);
        }
        if (name == QLatin1String("Edit3")) {
            return chance(0.05) ? QStringLiteral("100") : number(1, 10);
        }
        if (name == QLatin1String("Edit7")) {
            return number(0, 100);
        }
        if (name == QLatin1String("Edit8")) {
            return chance(0.05) ? QStringLiteral("1000") : number(2, 200);
        }
        if (name == QLatin1String("Edit9") || name == QLatin1String("Edit15")) {
            return number(0, 10);
        }
        if (name == QLatin1String("Edit10") || name == QLatin1String("Edit11")) {
            return decimal(-10, 10);
        }
        if (name == QLatin1String("Edit12")) {
            return chance(0.05) ? QStringLiteral("10000") : number(1, 1000);
        }
        if (name == QLatin1String("Edit16") || name == QLatin1String("Edit17") ||
            name == QLatin1String("Edit18")) {
            static const std::vector<QString> names = {
                QStringLiteral("x"),      QStringLiteral("y"),   QStringLiteral("z"),
                QStringLiteral("Weight"), QStringLiteral("a b"), QString()};
            return pick(names);
        }
        return decimal(0, 1);  // the rates and ratios
    }

    QString field_text(const QLineEdit* edit) {
        switch (below(12)) {
            case 0:
                return {};
            case 1:
                return is_size(edit) ? odd_text() : huge_number();
            case 2:
                return odd_text();
            case 3:
                return garbage();
            case 4:
                return QStringLiteral("-") + number(0, 100);
            default:
                return sensible_text(edit);
        }
    }

    QString appended_text(const QLineEdit* edit) {
        if (!is_size(edit)) {
            return field_text(edit);
        }
        static const std::vector<const char*> suffixes = {".", ".5", "e", "e2", " ", "x", "-", ","};
        return QString::fromLatin1(pick(suffixes));
    }

    QString cell_text() {
        switch (below(8)) {
            case 0:
                return chance(0.2) ? huge_number() : odd_text();
            case 1:
                return garbage();
            default:
                return decimal(-10, 10);
        }
    }

    // ---------------------------------------------------------------------
    // Acting like a user

    void note(const std::string& line) {
        trace.add("#" + std::to_string(step_) + " " + line);
        if (verbose_) {
            std::fprintf(stderr, "#%ld %s\n", step_, line.c_str());
        }
    }

    [[nodiscard]] bool running() const { return results().BitBtn2->kind() != ButtonKind::ok; }

    // Typed key by key; QTest only types Latin-1 itself.
    static void type_text(QWidget* target, const QString& text) {
        for (const QChar c : text) {
            if (c.unicode() < 0x80) {
                QTest::keyClick(target, c.toLatin1());
            } else {
                QTest::sendKeyEvent(QTest::Click, target, Qt::Key_unknown, QString(c),
                                    Qt::NoModifier);
            }
        }
    }

    // Where a key goes: the focused control of the main window. Taken from
    // the window rather than the application, as window activation arrives
    // asynchronously from the platform.
    [[nodiscard]] QWidget* key_target() const {
        QWidget* focus = form->focusWidget();
        return focus != nullptr ? focus : form.get();
    }

    void press(QKeyCombination key) {
        QTest::keyClick(key_target(), key.key(), key.keyboardModifiers());
    }

    // Only a visible control can be clicked; QTest would hit whatever lies
    // at its place otherwise.
    bool click(QWidget* widget, QPoint at = {}) {
        if (widget == nullptr || !widget->isVisible()) {
            return false;
        }
        QTest::mouseClick(widget, Qt::LeftButton, {}, at.isNull() ? widget->rect().center() : at);
        return true;
    }

    [[nodiscard]] static QPoint mark_of(const QWidget* box) { return {5, box->height() / 2}; }

    void show_page_of(const QWidget* widget) {
        for (int i = 0; i < 3; ++i) {
            if (form->page_control()->widget(i)->isAncestorOf(widget)) {
                if (current_page() != i) {
                    click_tab(i);
                }
                return;
            }
        }
    }

    void type_into_field() {
        QLineEdit* edit = pick(edits_);
        show_page_of(edit);
        if (!edit->isVisible() || !edit->isEnabled()) {
            note("type " + edit->objectName().toStdString() + ": not reachable");
            return;
        }
        switch (below(10)) {
            case 0: {
                const QString text = appended_text(edit);
                note("append to " + edit->objectName().toStdString() + " " + shown(text));
                click(edit);
                edit->end(false);
                type_text(edit, text);
                break;
            }
            case 1:
                note("backspace in " + edit->objectName().toStdString());
                click(edit);
                for (int i = below(4); i >= 0; --i) {
                    QTest::keyClick(edit, Qt::Key_Backspace);
                }
                break;
            default: {
                const QString text = field_text(edit);
                note("type " + edit->objectName().toStdString() + " " + shown(text));
                edit->setFocus();
                edit->selectAll();
                if (text.isEmpty()) {
                    QTest::keyClick(edit, Qt::Key_Delete);
                } else {
                    type_text(edit, text);
                }
                break;
            }
        }
    }

    void type_into_cell() {
        StringGrid* grid = chance(0.6) ? problem().StringGrid1 : problem().StringGrid2;
        show_page_of(grid);
        const int rows = grid->cells()->rowCount();
        if (!grid->isVisible() || !grid->isEnabled() || rows == 0) {
            note("cell of " + grid->objectName().toStdString() + ": not reachable");
            return;
        }
        const int row = chance(0.8) ? below(std::min(rows, 12)) : below(rows);
        const int column = below(CellGridModel::column_count);
        const QString text = chance(0.1) ? QString() : cell_text();
        note("cell " + grid->objectName().toStdString() + " [" + std::to_string(row + 1) + "," +
             std::to_string(column + 1) + "] " + shown(text));
        static const std::vector<Qt::Key> endings = {Qt::Key_Return, Qt::Key_Return,
                                                     Qt::Key_Tab,    Qt::Key_Escape,
                                                     Qt::Key_Down,   Qt::Key_unknown};
        type_cell(grid, row, column, text, pick(endings));
    }

    // Qt::Key_unknown as `ending`: the editor stays open.
    void type_cell(StringGrid* grid, int row, int column, const QString& text, Qt::Key ending) {
        show_page_of(grid);
        if (!grid->isVisible() || !grid->isEnabled() || row >= grid->cells()->rowCount()) {
            return;
        }
        const QModelIndex index = grid->cells()->index(row, column);
        grid->scrollTo(index);
        click(grid->viewport(), grid->visualRect(index).center());
        if (text.isEmpty()) {
            QTest::keyClick(key_target(), Qt::Key_F2);
            QTest::keyClick(key_target(), Qt::Key_A, Qt::ControlModifier);
            QTest::keyClick(key_target(), Qt::Key_Delete);
        } else {
            // The first key opens the editor, which then has the focus.
            type_text(key_target(), text);
        }
        if (ending != Qt::Key_unknown) {
            QTest::keyClick(key_target(), ending);
        }
    }

    void offer_file() {
        dialogs->files.clear();
        const int kind = below(10);
        offered_bad_ = kind < 4;
        offered_ = kind == 9 ? QString() : offered_bad_ ? pick(bad_) : pick(good_);
        dialogs->files.push_back(offered_);
    }

    [[nodiscard]] static bool editing(const StringGrid* grid) {
        for (const QWidget* child : grid->viewport()->findChildren<QWidget*>()) {
            if (child->isVisible()) {
                return true;
            }
        }
        return false;
    }

    void load() {
        const bool validation = chance(0.4);
        // A click on Load ends a cell edit, which then stores its text.
        const bool cell_open = editing(problem().StringGrid1) || editing(problem().StringGrid2);
        const GridState before = grid_state();
        note(std::string(validation ? "load validation " : "load training ") +
             (offered_.isEmpty() ? "(cancelled)" : QFileInfo(offered_).fileName().toStdString()));
        switch (below(3)) {
            case 0: {
                QPushButton* button = validation ? problem().BitBtn4 : problem().BitBtn3;
                show_page_of(button);
                click(button);
                break;
            }
            case 1:
                press(validation ? Qt::CTRL | Qt::Key_V : Qt::CTRL | Qt::Key_T);
                break;
            default: {
                QAction* item = validation ? menu().Load1 : menu().LoadTrainingData2;
                if (item->isEnabled()) {
                    item->trigger();
                }
                break;
            }
        }
        if ((offered_bad_ || offered_.isEmpty()) && !cell_open && !(grid_state() == before)) {
            fail("a refused or cancelled load changed the grids or the loaded flags");
        }
    }

    [[nodiscard]] GridState grid_state() const {
        return {problem().StringGrid1->cells()->table(), problem().StringGrid2->cells()->table(),
                form->training_loaded, form->validation_loaded};
    }

    void click_control() {
        std::vector<QWidget*> visible;
        for (QWidget* widget : buttons_) {
            if (widget != nullptr && widget->isVisible()) {
                visible.push_back(widget);
            }
        }
        for (QWidget* widget : check_boxes_) {
            if (widget->isVisible()) {
                visible.push_back(widget);
            }
        }
        for (QRadioButton* radio : population().RadioGroup1->findChildren<QRadioButton*>()) {
            if (radio->isVisible()) {
                visible.push_back(radio);
            }
        }
        if (visible.empty()) {
            click_page_tab();
            return;
        }
        QWidget* widget = pick(visible);
        // A check box or radio item only takes a click on its mark or caption,
        // which need not reach the middle of the widget.
        const bool on_mark = qobject_cast<QPushButton*>(widget) == nullptr && chance(0.7);
        note("click " + name_of(widget) + (on_mark ? " on its mark" : "") + " on " +
             name_of(widget->window()));
        click(widget, on_mark ? mark_of(widget) : QPoint());
    }

    void click_function_item() {
        CheckListBox* list = problem().CheckListBox1;
        show_page_of(list);
        if (!list->isVisible()) {
            return;
        }
        QListWidgetItem* item = list->item(below(list->count()));
        const QRect rect = list->visualItemRect(item);
        if (chance(0.5)) {
            // On the check mark, or beside it on the caption.
            const QPoint at(rect.left() + 2 + below(std::max(1, rect.width() - 4)),
                            rect.center().y());
            note("click function " + item->text().toStdString() + " at x+" +
                 std::to_string(at.x() - rect.left()));
            click(list->viewport(), at);
        } else {
            note("space on function " + item->text().toStdString());
            click(list->viewport(), QPoint(rect.right() - 2, rect.center().y()));
            QTest::keyClick(key_target(), Qt::Key_Space);
        }
    }

    void click_page_tab() {
        const int page = below(3);
        note("tab " + std::to_string(page));
        click_tab(page);
    }

    void use_menu() {
        std::vector<QAction*> usable;
        for (QAction* item : menu_items_) {
            if (item->isVisible() && item->isEnabled()) {
                usable.push_back(item);
            }
        }
        QAction* item = pick(usable);
        note("menu " + item->objectName().toStdString());
        item->trigger();
    }

    void press_key() {
        static const std::vector<QKeyCombination> keys = {Qt::CTRL | Qt::Key_T,
                                                          Qt::CTRL | Qt::Key_V,
                                                          Qt::CTRL | Qt::Key_S,
                                                          Qt::CTRL | Qt::Key_C,
                                                          Qt::CTRL | Qt::Key_X,
                                                          QKeyCombination(Qt::Key_Return),
                                                          QKeyCombination(Qt::Key_Escape),
                                                          QKeyCombination(Qt::Key_Tab),
                                                          QKeyCombination(Qt::Key_Space)};
        const QKeyCombination key = pick(keys);
        note("key " + QKeySequence(key).toString().toStdString() + " to " + name_of(key_target()));
        press(key);
    }

    void start() {
        if (chance(0.5)) {
            note("start: Ctrl+S");
            press(Qt::CTRL | Qt::Key_S);
        } else {
            note("start: Start button");
            show_page_of(results().BitBtn2);
            click(results().BitBtn2);
        }
    }

    // Stop, then Abort, or Ctrl+S, which asks the abort question at any time.
    void abort_run() {
        note(std::string("abort, answering ") + (dialogs->answers.front() ? "Yes" : "No"));
        if (chance(0.5)) {
            press(Qt::CTRL | Qt::Key_S);
            return;
        }
        show_page_of(results().BitBtn2);
        if (!form->run_control().pause_requested()) {
            click(results().BitBtn1);
        }
        click(results().BitBtn2);
    }

    void pause_or_resume() {
        note("stop/resume");
        show_page_of(results().BitBtn1);
        if (chance(0.7)) {
            click(results().BitBtn1);
        } else {
            press(QKeyCombination(form->run_control().pause_requested() ? Qt::Key_Return
                                                                        : Qt::Key_Escape));
        }
    }

    // A user who reads a refusal mostly puts right what it names.
    void plan_fix(const std::string& message) {
        if (message.starts_with("\"Range\"")) {
            fix_ = [this] {
                note("fix: type Edit10 \"-1\" and Edit11 \"1\"");
                for (const auto& [edit, text] :
                     {std::pair{problem().Edit10, "-1"}, std::pair{problem().Edit11, "1"}}) {
                    show_page_of(edit);
                    if (edit->isVisible()) {
                        type_into(edit, QString::fromLatin1(text));
                    }
                }
            };
            return;
        }
        static const std::vector<std::pair<std::string, const char*>> fields = {
            {"\"Population Size\"", "Edit1"}, {"\"Generation\"", "Edit2"},
            {"\"Tournament Size\"", "Edit3"}, {"\"Crossover\"", "Edit4"},
            {"\"Mutation\"", "Edit5"},        {"\"One-point Mutation\"", "Edit6"},
            {"\"Reproduction\"", "Edit4"},    {"\"Elite Strategy\"", "Edit7"},
            {"\"Break Point\"", "Edit15"},    {"\"Number of constant\"", "Edit12"},
            {"\"Maximum Length\"", "Edit8"},  {"\"Maximum Initial Depth\"", "Edit9"},
            {"\"Function\"", "Edit13"},       {"\"Variable\"", "Edit14"},
            {"\"Constant\"", "Edit13"},       {"The population needs", "Edit1"},
        };
        for (const auto& [start, name] : fields) {
            if (message.starts_with(start)) {
                fix_ = [this, name = QString::fromLatin1(name)] {
                    for (QLineEdit* edit : edits_) {
                        if (edit->objectName() == name) {
                            // Fields that depend on others get their defaults.
                            const QString text =
                                name == QLatin1String("Edit4")    ? QStringLiteral("0.70")
                                : name == QLatin1String("Edit13") ? QStringLiteral("0.50")
                                                                  : sensible_text(edit);
                            note("fix: type " + name.toStdString() + " " + shown(text));
                            show_page_of(edit);
                            if (edit->isVisible() && edit->isEnabled()) {
                                type_into(edit, text);
                            }
                        }
                    }
                };
                return;
            }
        }
        static const QRegularExpression cell(
            R"(^(Training|Validation) Data, row ([0-9]+), column ([1-4]):)");
        if (const QRegularExpressionMatch match = cell.match(QString::fromStdString(message));
            match.hasMatch()) {
            StringGrid* grid = match.captured(1) == QLatin1String("Training")
                                   ? problem().StringGrid1
                                   : problem().StringGrid2;
            const int row = match.captured(2).toInt() - 1;
            const int column = match.captured(3).toInt() - 1;
            fix_ = [this, grid, row, column] {
                note("fix: cell " + grid->objectName().toStdString() + " [" +
                     std::to_string(row + 1) + "," + std::to_string(column + 1) + "]");
                type_cell(grid, row, column, decimal(-10, 10), Qt::Key_Return);
            };
            return;
        }
        const bool training = message.find("for training") != std::string::npos ||
                              message.find("\"Training Data\"") != std::string::npos;
        const bool validation = message.find("for validation") != std::string::npos ||
                                message.find("\"Validation Data\"") != std::string::npos;
        if (training || validation) {
            fix_ = [this, validation] {
                offered_ = pick(good_);
                offered_bad_ = false;
                dialogs->files.assign(1, offered_);
                note(std::string("fix: load ") + (validation ? "validation " : "training ") +
                     QFileInfo(offered_).fileName().toStdString());
                QPushButton* button = validation ? problem().BitBtn4 : problem().BitBtn3;
                show_page_of(button);
                click(button);
            };
        }
    }

    void act() {
        dialogs->answers.clear();
        dialogs->answers.push_back(chance(0.6));
        offer_file();
        if (fix_ && chance(0.6)) {
            const auto fix = std::move(fix_);
            fix_ = nullptr;
            fix();
            return;
        }
        if (running() && chance(0.3)) {
            abort_run();
            return;
        }
        if (running() && chance(0.1)) {
            pause_or_resume();
            return;
        }
        const int roll = below(100);
        if (roll < 28) {
            type_into_field();
        } else if (roll < 40) {
            type_into_cell();
        } else if (roll < 55) {
            click_control();
        } else if (roll < 61) {
            click_function_item();
        } else if (roll < 68) {
            click_page_tab();
        } else if (roll < 75) {
            use_menu();
        } else if (roll < 81) {
            press_key();
        } else if (roll < 90) {
            load();
        } else {
            start();
        }
    }

    // ---------------------------------------------------------------------
    // Oracles

    void fail(const std::string& what) {
        ADD_FAILURE() << what << " (seed " << seed_ << ", action " << step_ << ")";
        if (!failed_) {
            trace.print();
            std::string texts = "Fields:";
            for (const QLineEdit* edit : edits_) {
                texts += " " + edit->objectName().toStdString() + "=" + shown(edit->text());
            }
            std::fprintf(stderr, "%s\n", texts.c_str());
        }
        failed_ = true;
    }

    void check_dialogs() {
        for (const Message& message : dialogs->shown) {
            if (message.id == MessageId::abort_question) {
                note("  question: " + message.text);
                if (message.text != messages::abort_question().text) {
                    fail("not the program's question: " + message.text);
                }
                continue;
            }
            note("  message: " + message.text);
            ++messages_seen_;
            if (!oracle_.known(message)) {
                fail("not one of the program's messages: " + message.text);
            }
            plan_fix(message.text);
        }
        dialogs->shown.clear();
        dialogs->messages.clear();
        dialogs->questions.clear();
    }

    // The run buttons and the progress label tell the run's state.
    void check_run_state() {
        const RunControl& run = form->run_control();
        const BitBtn* start = results().BitBtn2;
        const BitBtn* stop = results().BitBtn1;
        const std::string state =
            std::string(run.running() ? "running" : "idle") +
            (run.pause_requested() ? ", paused" : "") + "; BitBtn2 \"" +
            start->text().toStdString() + (start->isEnabled() ? "\" enabled" : "\" disabled") +
            "; BitBtn1 \"" + stop->text().toStdString() +
            (stop->isEnabled() ? "\" enabled" : "\" disabled") + "; StartGPrun1 " +
            (menu().StartGPrun1->isVisible() ? "shown" : "hidden") + "; Label31 \"" +
            results().Label31->text().toStdString() + "\"";
        const QString stop_text = stop->text();
        if (!run.running()) {
            // Stop keeps "Pause" after an abort until the next run.
            if (start->kind() != ButtonKind::ok || !start->isEnabled() || stop->isEnabled() ||
                (stop_text != QLatin1String("Stop") && stop_text != QLatin1String("Pause")) ||
                !menu().StartGPrun1->isVisible() ||
                results().Label31->text() != QLatin1String("Not running")) {
                fail("the run buttons or the progress label are wrong: " + state);
            }
            return;
        }
        // A break point pauses without touching the buttons: one press of
        // Stop resumes.
        const bool stopped = start->isEnabled() && stop_text == QLatin1String("Resume");
        const bool going = !start->isEnabled() && stop_text != QLatin1String("Resume");
        if (start->kind() != ButtonKind::abort || !stop->isEnabled() ||
            menu().StartGPrun1->isVisible() || !(going || (stopped && run.pause_requested()))) {
            fail("the run buttons are wrong: " + state);
        }
    }

    // One action per call. The next is scheduled first, so that a run the
    // action starts carries the chain on from its own event pumps.
    void step(QEventLoop& loop) {
        watchdog_.alive();
        if (step_ >= actions_ || failed_) {
            finish(loop);
            return;
        }
        ++step_;
        QTimer::singleShot(0, form.get(), [this, &loop] { step(loop); });
        if (running()) {
            ++pumped_actions_;
        }
        act();
        check_dialogs();
        check_run_state();
    }

    // The last action ends any run still going: Ctrl+S and Yes.
    void finish(QEventLoop& loop) {
        if (running()) {
            note("final abort");
            dialogs->answers.assign(1, true);
            const std::size_t asked = dialogs->questions.size();
            press(Qt::CTRL | Qt::Key_S);
            if (dialogs->questions.size() == asked) {
                fail("Ctrl+S did not ask to abort the run");
                form->run_control().request_abort();
            }
            check_dialogs();
        }
        loop.quit();
    }

    // ---------------------------------------------------------------------
    // The clean run

    void type_field(QLineEdit* edit, const QString& text) {
        show_page_of(edit);
        ASSERT_TRUE(edit->isVisible()) << edit->objectName().toStdString();
        type_into(edit, text);
    }

    void set_check(QAbstractButton* box, bool checked) {
        show_page_of(box);
        if (box->isChecked() != checked) {
            click(box, mark_of(box));
        }
        EXPECT_EQ(box->isChecked(), checked) << box->objectName().toStdString();
    }

    void set_sane_settings() {
        dialogs->files.clear();
        dialogs->answers.clear();
        click_tab(problem_page);
        CheckListBox* list = problem().CheckListBox1;
        if (!list->checked(0)) {
            const QRect rect = list->visualItemRect(list->item(0));
            click(list->viewport(), QPoint(rect.right() - 2, rect.center().y()));
            QTest::keyClick(key_target(), Qt::Key_Space);
        }
        EXPECT_TRUE(list->checked(0));
        type_field(problem().Edit10, QStringLiteral("-1"));
        type_field(problem().Edit11, QStringLiteral("1"));
        type_field(problem().Edit12, QStringLiteral("1000"));
        type_field(problem().Edit18, QStringLiteral("z"));
        set_check(problem().CheckBox3, true);
        load_training(good_.front());
        EXPECT_TRUE(form->training_loaded);

        click_tab(population_page);
        const std::pair<QLineEdit*, const char*> fields[] = {
            {population().Edit1, "20"},   {population().Edit2, "3"},
            {population().Edit3, "6"},    {population().Edit4, "0.70"},
            {population().Edit5, "0.20"}, {population().Edit6, "0.00"},
            {population().Edit7, "10"},   {population().Edit8, "100"},
            {population().Edit9, "5"},    {population().Edit13, "0.50"},
            {population().Edit14, "0.20"}};
        for (const auto& [edit, text] : fields) {
            type_field(edit, QString::fromLatin1(text));
        }
        set_check(population().CheckBox2, false);
        click_tab(results_page);
        EXPECT_EQ(current_page(), results_page);
    }

    std::uint64_t seed_ = default_seed;
    long actions_ = default_actions;
    long step_ = 0;
    long runs_started_ = 0;
    long pumped_actions_ = 0;
    long messages_seen_ = 0;
    long generations_ = 0;
    bool failed_ = false;
    bool verbose_ = false;
    std::mt19937_64 rng_;
    MessageOracle oracle_;
    std::vector<QString> good_;
    std::vector<QString> bad_;
    QString offered_;
    bool offered_bad_ = false;
    std::vector<QLineEdit*> edits_;
    std::vector<QAbstractButton*> check_boxes_;
    std::vector<QPushButton*> buttons_;
    std::vector<QAction*> menu_items_;
    std::function<void()> fix_;
    Watchdog watchdog_;
};

TEST_F(Monkey, RandomActionsLeaveAWindowThatRunsCleanly) {
    const CrashTrace crash_trace;
    const QuietKeyWarnings quiet;
    const auto started = std::chrono::steady_clock::now();

    QEventLoop loop;
    QTimer::singleShot(0, form.get(), [this, &loop] { step(loop); });
    loop.exec();
    ASSERT_FALSE(form->run_control().running());
    ASSERT_FALSE(failed_);

    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::printf("Monkey seed %llu: %ld actions (%ld inside runs), %ld runs, %ld messages, %.1f s\n",
                static_cast<unsigned long long>(seed_), step_, pumped_actions_, runs_started_,
                messages_seen_, seconds);

    note("clean run");
    set_sane_settings();
    check_dialogs();
    ASSERT_FALSE(failed_);
    form->run_control().seed = 1;
    const long generations_before = generations_;
    click(results().BitBtn2);
    EXPECT_TRUE(dialogs->messages.empty() && dialogs->questions.empty())
        << "the clean run was refused or interrupted";
    check_dialogs();
    EXPECT_EQ(generations_ - generations_before, 3);

    EXPECT_TRUE(exit_statuses.empty());
    ASSERT_TRUE(form->run_control().last_outcome().has_value());
    const RunOutcome& outcome = *form->run_control().last_outcome();
    EXPECT_EQ(outcome.generations_done, 3);
    EXPECT_FALSE(outcome.aborted);
    EXPECT_FALSE(outcome.error.has_value());
    EXPECT_EQ(results().Label31->text(), "Not running");
    EXPECT_TRUE(results().Memo1->toPlainText().startsWith(QStringLiteral("z=")))
        << results().Memo1->toPlainText().toStdString();
    for (const QLineSeries* series :
         {results().Series3, results().Series5, results().Series4, results().FastLineSeries1}) {
        EXPECT_EQ(series->count(), 3) << series->objectName().toStdString();
    }
    if (HasFailure()) {
        trace.print();
    }
}

}  // namespace
}  // namespace vorn::testing
