#include "python/array_run.h"

#include <array>
#include <charconv>
#include <exception>
#include <new>

#include "engine/best_on_validation.h"
#include "engine/prepare_run.h"
#include "engine/program_io.h"
#include "problem/csv_pairing.h"
#include "problem/csv_table.h"
#include "problem/errors.h"
#include "program/batch_eval.h"
#include "program/functable.h"
#include "program/infix.h"

namespace vorn {

namespace {

// The columns of the text labelled_csv_text writes, as --columns names them.
constexpr std::string_view array_columns = "1,2,3";
constexpr std::string_view positive_text = "1";
// What refusals of a point name as its file.
constexpr std::string_view points_name = "X";

void append_number(std::string& text, double value) {
    std::array<char, 32> digits{};
    const auto result = std::to_chars(digits.data(), digits.data() + digits.size(), value);
    text.append(digits.data(), result.ptr);
}

ParameterTexts texts_of(const ArrayRunInput& input) {
    ParameterTexts texts;
    for (const auto& [key, text] : input.texts) {
        bool found = false;
        for (const Parameter& row : parameter_table()) {
            if (!row.settings_key.empty() && row.settings_key == key) {
                texts[row.id] = text;
                found = true;
            }
        }
        if (!found) {
            throw ArrayRunRefused("unknown parameter \"" + key + "\"");
        }
    }
    fill_remainders(texts);
    return texts;
}

DataTable paired_table(const LabelledPoints& points) {
    try {
        const CsvTable table = parse_csv_text(labelled_csv_text(points), std::string(points_name));
        const CsvChoice choice =
            csv_choice_from_option(table, array_columns, std::string(positive_text));
        return DataTable(pair_csv(table, choice).rows);
    } catch (const MessageError& error) {
        throw ArrayRunRefused(error.message().text);
    }
}

// Keeps what the runner keeps of each generation; a hook's false answer,
// or a break point's pause, never leaves the run waiting.
class ArrayFrontEnd : public RunFrontEnd {
public:
    ArrayFrontEnd(const ArrayRunHooks& hooks, Tproblem_setting& setting)
        : hooks_(hooks), setting_(setting) {}

    void generation_done(const GenerationReport& report) override {
        best_gene_.assign(report.best_gene.begin(), report.best_gene.end());
        best_training_fitness_ = report.best_raw_fitness;
        best_validation_fitness_ = report.validation_fitness;
        best_on_validation_.observe(report);
        history_.push_back(generation_row(report));
        if (hooks_.generation_done && !hooks_.generation_done(history_.back())) {
            setting_.abort_request = 1;
        }
    }
    void pump_events() override {
        if (hooks_.keep_going && !hooks_.keep_going()) {
            setting_.abort_request = 1;
        }
    }
    // Pausing is the window's; a break point here only lets the run go on.
    void wait_while_paused() override {
        setting_.pause_request = 0;
        pump_events();
    }

    std::vector<std::int32_t> best_gene_;
    double best_training_fitness_ = 0;
    float best_validation_fitness_ = 0;
    BestOnValidation best_on_validation_;
    std::vector<GenerationRow> history_;

private:
    const ArrayRunHooks& hooks_;
    Tproblem_setting& setting_;
};

}  // namespace

std::string labelled_csv_text(const LabelledPoints& points) {
    std::string text;
    text.reserve(points.xs.size() * 48);
    for (std::size_t i = 0; i < points.xs.size(); ++i) {
        append_number(text, points.xs[i]);
        text += ',';
        append_number(text, points.ys[i]);
        text += points.is_positive[i] != 0 ? ",1\n" : ",0\n";
    }
    return text;
}

ArrayRunResult run_on_arrays(const ArrayRunInput& input, const ArrayRunHooks& hooks) {
    RunRequest request;
    request.plan.texts = texts_of(input);
    request.plan.seed = input.seed;
    request.plan.columns = std::string(array_columns);
    request.plan.positive = input.positive_label;
    const DataTable training = paired_table(input.training);
    const DataTable validation;
    request.cells = GridCells{&training, &validation};
    request.training_loaded = true;
    request.check_constant_range = true;
    request.threads = input.threads;

    const std::vector<functable> function_table = build_function_table();
    PrepareResult prepared = prepare_run(request, function_table);
    ArrayRunResult result;
    for (const Notice& notice : prepared.notices) {
        result.notices.push_back(notice.message.text);
    }
    if (prepared.refusal) {
        throw ArrayRunRefused(prepared.refusal->message.text);
    }
    PreparedRun& run = *prepared.run;

    ArrayFrontEnd front_end(hooks, *run.setting);
    RunOptions options;
    options.seed = run.plan.seed;
    options.threads = input.threads;
    const RunOutcome outcome = run_gp(*run.setting, *run.pop, front_end, options);
    if (outcome.error) {
        throw std::runtime_error(outcome.error->text);
    }
    result.seed = outcome.seed;
    result.stopped = outcome.aborted;
    result.history = std::move(front_end.history_);
    if (result.history.empty()) {
        return result;
    }
    // The program the runner saves: with a hold-out, the best on the
    // held-out rows.
    const auto& best = front_end.best_on_validation_.best();
    const bool on_validation = run.parameters.population.holdout > 0 && best;
    const std::vector<std::int32_t>& gene = on_validation ? best->gene : front_end.best_gene_;
    const Program program =
        on_validation ? run_program(run, gene, best->training_fitness, best->validation_count)
                      : run_program(run, gene, front_end.best_training_fitness_,
                                    front_end.best_validation_fitness_);
    result.program_text = program_file_text(with_provenance(program, run.plan, outcome.seed));
    result.formula = infix_text(run.setting->node_table, gene);
    return result;
}

void program_values(const std::string& program_text, std::span<const double> xs,
                    std::span<const double> ys, std::span<double> out) {
    ProgramCode code;
    try {
        code = program_code(read_program_text(program_text));
    } catch (const ProgramFileError& error) {
        throw ArrayRunRefused(std::string("not a program: ") + error.what());
    }
    BatchEvaluator evaluator(code.view(), DataColumns{}, DataColumns{},
                             static_cast<std::int32_t>(code.gene.size()));
    evaluator.evaluate(code.gene, xs, ys, out);
}

}  // namespace vorn
