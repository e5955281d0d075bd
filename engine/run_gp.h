#pragma once
// The run driver: one whole evolution on the caller's thread. It talks to its
// front end (window, runner, tests) only through RunFrontEnd.
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "engine/evaluation.h"
#include "engine/grid_scan.h"
#include "problem/messages.h"
#include "program/individual.h"

namespace vorn {

class Tproblem_setting;
class Tgp_pop;

// What one generation shows, handed over after it is evaluated and ranked.
struct GenerationReport {
    std::int32_t generation = 0;  // from 0
    std::int32_t num_generations = 0;
    float validation_fitness = 0;  // as recorded
    double best_raw_fitness = 0;   // the best individual's training fitness
    std::int32_t mean_length = 0;  // truncated
    std::int32_t best_length = 0;
    std::span<const std::int32_t> best_gene;
    std::vector<PlanePoint> validation_curve;  // grid points where the best is positive
    std::vector<PlanePoint> training_curve;    // filled only when the front end asks
};

// A generation's figures without its program and curves: what a window
// keeps of a run after it has ended.
struct GenerationRow {
    std::int32_t generation = 0;  // from 0
    float validation_fitness = 0;
    double best_raw_fitness = 0;
    std::int32_t mean_length = 0;
    std::int32_t best_length = 0;
};
[[nodiscard]] inline GenerationRow generation_row(const GenerationReport& report) {
    return {report.generation, report.validation_fitness, report.best_raw_fitness,
            report.mean_length, report.best_length};
}

struct RunOutcome {
    std::uint32_t seed = 0;
    std::int32_t generations_done = 0;
    bool aborted = false;
    std::optional<Message> error;  // what ended the run before its last generation
};

class RunFrontEnd {
public:
    virtual ~RunFrontEnd() = default;
    // Buttons to the running state, before anything else happens.
    virtual void run_started() {}
    // After the first generation is grown: clear the charts, set the progress
    // range and plot the data points.
    virtual void set_up(const Tproblem_setting& /*setting*/, const Tgp_pop& /*pop*/,
                        std::uint32_t /*seed*/) {}
    // Top of generation g (from 0), before it is evaluated.
    virtual void progress(std::int32_t /*g*/, std::int32_t /*num_generations*/) {}
    // Whether the training curve is wanted this generation.
    [[nodiscard]] virtual bool wants_training_curve() { return false; }
    virtual void generation_done(const GenerationReport& /*report*/) {}
    // The best program of the generation just evaluated, as formula text.
    virtual void best_formula(const std::string& /*formula*/) {}
    // Lets pending events through once per generation.
    virtual void pump_events() {}
    // Called again and again while the run is paused; may block until an
    // event arrives.
    virtual void wait_while_paused() { pump_events(); }
    // An abort arrived while paused; the pause request is already cleared.
    virtual void aborted_while_paused() {}
    // After the last generation, an abort or a RunError.
    virtual void run_ended(const RunOutcome& /*outcome*/) {}
};

struct RunOptions {
    std::optional<std::uint32_t> seed;  // the clock in whole seconds when unset
    EvaluatorKind evaluator = EvaluatorKind::batch;
    // Scoring threads, the caller's included; 0 = every usable CPU. Never
    // more than the usable CPUs or the programs (see scoring_threads).
    unsigned threads = 0;
};

// Runs every generation unless aborted; never throws: a RunError, lack of
// memory or any other exception ends the run and is reported in the outcome.
RunOutcome run_gp(Tproblem_setting& setting, Tgp_pop& pop, RunFrontEnd& front_end,
                  const RunOptions& options = {});

// Seeds the generator and grows the first generation; with a front end,
// its events are pumped while creation takes long.
void initialize_run(Tproblem_setting& setting, Tgp_pop& pop, std::uint32_t seed,
                    RunFrontEnd* front_end = nullptr);

// Pumps the front end's events and answers whether the run goes on: what
// creation and breeding call now and then during a long generation.
[[nodiscard]] std::function<bool()> keep_going(Tproblem_setting& setting, RunFrontEnd& front_end);

// What the search options add to fitness assignment; by default nothing.
struct FitnessOptions {
    // Added per node to the raw fitness before it is adjusted (penalty
    // parsimony); the raw fitness itself stays the misclassified share.
    double size_penalty = 0;
    // Where each individual's errors per training row go (lexicase).
    Evaluation::CaseErrorsOf case_errors;
};
// The options a population's parameters ask for.
[[nodiscard]] FitnessOptions fitness_options(Tgp_pop& pop);

// Fills the three fitness values of every individual; true when one of them
// is perfect (raw fitness not above 0).
bool assign_fitness(Evaluation& evaluation, std::span<Individual* const> generation,
                    const FitnessOptions& options = {});

// The adjusted and normalized fitness of every individual from its raw
// fitness; true when one of them is perfect.
bool normalize_fitness(std::span<Individual* const> generation, const FitnessOptions& options = {});

// The ranking of a generation, best first: by fitness, and with
// lexicographic parsimony the shorter of equals first.
void rank_generation(const Tgp_pop& pop, std::span<Individual*> generation);

// -1 when a's normalized fitness is greater, 0 when equal, +1 otherwise.
[[nodiscard]] int compare_fitness(const Individual* a, const Individual* b);

// Integer sum of lengths divided, as a real, by the population size.
[[nodiscard]] double mean_length(std::span<Individual* const> generation);

}  // namespace vorn
