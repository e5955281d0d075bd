#pragma once
// The one road from a front end's texts to a run: every text parsed once, the
// checks in Start's order with their messages, and either a ready run or the
// first refusal with its page and the texts to restore.
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/parameters.h"
#include "engine/run_plan.h"
#include "engine/tgp_pop.h"
#include "problem/messages.h"
#include "problem/problem_setting.h"

namespace vorn {

struct RunRequest {
    RunPlan plan;     // its texts and seed; the clock's seed when it has none
    GridCells cells;  // the data the plan's files were read into
    bool training_loaded = false;
    bool validation_loaded = false;
    // The runner has no page to leave, so Start checks the constant range.
    bool check_constant_range = false;
    // The scoring threads the run will be given (RunOptions::threads), for
    // the memory its evaluators take.
    unsigned threads = 0;
    // Runs of these settings that will be held in memory at once (--runs):
    // the memory check counts each of them.
    unsigned concurrent_runs = 1;
};

// A text a front end puts back into its control.
struct Restore {
    ParamId id;
    std::string text;
};

// Something to tell the user on the way; the run still goes on.
struct Notice {
    Message message;
    Page page;
    std::vector<Restore> restore;
};

struct Refusal {
    Message message;
    std::optional<Page> page;  // the page to show; none for lack of memory
    std::vector<Restore> restore;
};

struct RunParameters {
    ProblemParameters problem;
    PopulationParameters population;
    std::string output_name;
};

// What a run is made of. Everything a front end shows or writes about the
// run comes from here, not from controls that may change while it runs.
struct PreparedRun {
    RunPlan plan;
    RunParameters parameters;
    std::unique_ptr<Tproblem_setting> setting;
    std::unique_ptr<Tgp_pop> pop;
};

struct PrepareResult {
    std::vector<Notice> notices;  // shown first, in order
    std::optional<Refusal> refusal;
    std::optional<PreparedRun> run;  // set exactly when there is no refusal
};

[[nodiscard]] PrepareResult prepare_run(const RunRequest& request,
                                        std::span<const functable> function_table);

// The parts of the road, for callers that build a run's objects themselves;
// each throws ParameterError (or SettingError for the data) on the first
// text it cannot use, in Start's order.
[[nodiscard]] ProblemParameters parse_problem_parameters(const ParameterTexts& texts);
[[nodiscard]] PopulationParameters parse_population_parameters(const ParameterTexts& texts,
                                                               const ProblemParameters& problem,
                                                               const Tproblem_setting& setting);

// The function list text ("+,-,*,/") of the checked functions, and back;
// nothing when a name is unknown or the list has an empty item.
[[nodiscard]] std::string function_list_text(const std::array<bool, num_primitives>& checked);
[[nodiscard]] std::optional<std::array<bool, num_primitives>> parse_function_list(
    std::string_view text);

// 1 - the rates, each read as a single-precision number, shown with two
// significant digits and four decimals; nothing when a text is not a number.
[[nodiscard]] std::optional<std::string> remainder_label(std::string_view a, std::string_view b,
                                                         std::string_view c = "0");
// Sets the two remainder texts as the window's labels would show them; one
// that cannot be computed keeps its text, and Start then names the bad rate.
void fill_remainders(ParameterTexts& texts);

// What leaving the "Population" page restores and says when a remainder label
// is negative, in the order the checks are made.
[[nodiscard]] std::vector<Refusal> population_page_refusals(const ParameterTexts& texts);
// Leaving "Problem Setting" with a constant range that is no range; throws
// ParameterError when an end is not a number.
[[nodiscard]] std::optional<Refusal> problem_page_refusal(const ParameterTexts& texts);

}  // namespace vorn
