#include "engine/run_gp.h"

#include <functional>
#include <new>
#include <stdexcept>

#include "engine/constant_tuning.h"
#include "engine/tgp_pop.h"
#include "problem/errors.h"
#include "problem/problem_setting.h"
#include "program/generic_sort.h"
#include "program/infix.h"
#include "program/interpreter.h"
#include "program/operators.h"
#include "program/random.h"

namespace vorn {

FitnessOptions fitness_options(Tgp_pop& pop) {
    FitnessOptions options;
    // With size an objective of its own, a penalty would count it twice.
    if (pop.parsimony == parsimony_penalty && !pop.size_objective) {
        options.size_penalty = pop.size_penalty;
    }
    if (uses_cases(pop.selection_method)) {
        options.case_errors = [&pop](const Individual* individual) {
            return pop.case_errors(individual);
        };
    }
    return options;
}

void rank_generation(const Tgp_pop& pop, std::span<Individual*> generation) {
    if (pop.size_objective) {
        rank_by_front(generation);
    } else if (pop.parsimony == parsimony_lexicographic) {
        generic_sort(generation, compare_fitness_then_length);
    } else {
        generic_sort(generation, compare_fitness);
    }
}

namespace {

void score_generation(Evaluation& evaluation, std::span<Individual* const> generation,
                      const FitnessOptions& options) {
    if (options.case_errors) {
        evaluation.score(generation, options.case_errors);
    } else {
        evaluation.score(generation);
    }
}

}  // namespace

bool assign_fitness(Evaluation& evaluation, std::span<Individual* const> generation,
                    const FitnessOptions& options) {
    score_generation(evaluation, generation, options);
    return normalize_fitness(generation, options);
}

bool normalize_fitness(std::span<Individual* const> generation, const FitnessOptions& options) {
    bool perfect = false;
    for (const Individual* individual : generation) {
        if (!(individual->raw_fitness > 0)) {
            perfect = true;
        }
    }
    double sum = 0;
    for (Individual* individual : generation) {
        if (options.size_penalty == 0) {
            individual->adjusted_fitness = 1 / (1 + individual->raw_fitness);
        } else {
            individual->adjusted_fitness =
                1 / (1 + (individual->raw_fitness + options.size_penalty * individual->length));
        }
        sum += individual->adjusted_fitness;
    }
    for (Individual* individual : generation) {
        individual->normalized_fitness = individual->adjusted_fitness / sum;
    }
    return perfect;
}

int compare_fitness(const Individual* a, const Individual* b) {
    if (a->normalized_fitness > b->normalized_fitness) {
        return -1;
    }
    if (a->normalized_fitness == b->normalized_fitness) {
        return 0;
    }
    return 1;
}

double mean_length(std::span<Individual* const> generation) {
    std::int64_t sum = 0;
    for (const Individual* individual : generation) {
        sum += individual->length;
    }
    return static_cast<double>(sum) / static_cast<double>(generation.size());
}

void initialize_run(Tproblem_setting& setting, Tgp_pop& pop, std::uint32_t seed,
                    RunFrontEnd* front_end) {
    seed_random(seed);
    if (front_end == nullptr) {
        pop.create_initial_population(setting);
        return;
    }
    // Creation can take a while with demanding settings: keep the front end
    // responsive and let an abort cut it short.
    pop.create_initial_population(setting, keep_going(setting, *front_end));
}

std::function<bool()> keep_going(Tproblem_setting& setting, RunFrontEnd& front_end) {
    return [&setting, &front_end] {
        front_end.pump_events();
        return setting.abort_request == 0;
    };
}

namespace {

GenerationReport report_generation(const Tproblem_setting& setting, Evaluation& evaluation,
                                   const Tgp_pop& pop, std::int32_t g, bool training_curve) {
    const Individual& best = *pop.current()[0];
    GenerationReport report;
    report.generation = g;
    report.num_generations = pop.num_generations;
    report.validation_fitness = pop.validation_history[g];
    report.best_raw_fitness = best.raw_fitness;
    report.mean_length = pop.mean_length_history[g];
    report.best_length = best.length;
    report.best_gene = best.program();
    report.validation_curve = evaluation.positive_region(
        report.best_gene,
        data_box(setting.valid_x1, setting.valid_y1, setting.valid_x2, setting.valid_y2));
    if (training_curve) {
        report.training_curve = evaluation.positive_region(
            report.best_gene,
            data_box(setting.train_x1, setting.train_y1, setting.train_x2, setting.train_y2));
    }
    return report;
}

}  // namespace

RunOutcome run_gp(Tproblem_setting& setting, Tgp_pop& pop, RunFrontEnd& front_end,
                  const RunOptions& options) {
    RunOutcome outcome;
    // The seed is settled first so that even a run that fails at creation
    // reports it.
    outcome.seed = options.seed ? *options.seed : clock_seed();
    try {
        front_end.run_started();
        Evaluation evaluation(
            setting, pop.max_length, options.evaluator,
            scoring_threads(options.threads, static_cast<std::size_t>(pop.population_size)));
        const std::function<bool()> responsive = keep_going(setting, front_end);
        const FitnessOptions fitness = fitness_options(pop);
        initialize_run(setting, pop, outcome.seed, &front_end);
        front_end.set_up(setting, pop, outcome.seed);
        for (std::int32_t g = 0; g < pop.num_generations; ++g) {
            while (setting.pause_request != 0) {
                front_end.wait_while_paused();
                if (setting.abort_request != 0) {
                    setting.pause_request ^= 1;
                    front_end.aborted_while_paused();
                    break;
                }
            }
            if (setting.abort_request != 0) {
                outcome.aborted = true;
                break;
            }
            front_end.progress(g, pop.num_generations);

            auto& generation = pop.generation_buffers[pop.current_buffer];
            assign_fitness(evaluation, generation, fitness);
            rank_generation(pop, generation);
            if (pop.tune_programs > 0) {
                const std::int32_t changed =
                    tune_constants(setting, evaluation, generation, pop.tune_programs);
                if (changed > 0) {
                    score_generation(evaluation, std::span(generation).first(changed), fitness);
                    normalize_fitness(generation, fitness);
                    rank_generation(pop, generation);
                }
            }
            if (pop.size_objective) {
                pop.front_archive.add(generation);
            }
            const Individual& best = *generation[0];
            const auto validation =
                static_cast<float>(evaluation.validation_fitness(best.program()));
            const auto mean = static_cast<std::int32_t>(mean_length(generation));
            pop.record_statistics(g, validation, static_cast<float>(best.raw_fitness), mean);
            front_end.generation_done(
                report_generation(setting, evaluation, pop, g, front_end.wants_training_curve()));

            if (pop.break_every != 0 && (g + 1) % pop.break_every == 0) {
                setting.pause_request = 1;
            }
            const bool bred = pop.breed(g, setting, responsive);
            front_end.best_formula(infix_text(setting.node_table, best.program()));
            outcome.generations_done = g + 1;
            if (!bred) {
                // Aborted while breeding: the unfinished generation stays unused.
                outcome.aborted = true;
                break;
            }
            pop.current_buffer = 1 - pop.current_buffer;
            front_end.pump_events();
        }
    } catch (const RunError& error) {
        outcome.error = error.message();
    } catch (const SubtreeGrowthFailed& failure) {
        outcome.error = messages::mutation_failed(failure.max_length, failure.attempts);
    } catch (const std::bad_alloc&) {
        outcome.error = messages::memory_run();
    } catch (const std::length_error&) {
        outcome.error = messages::memory_run();
    } catch (const std::exception& error) {
        // A fault of the program, not of the settings: the run ends, the
        // front end goes on.
        outcome.error = messages::internal_run_error(error.what());
    } catch (...) {
        outcome.error = messages::internal_run_error("unknown exception");
    }
    front_end.run_ended(outcome);
    return outcome;
}

}  // namespace vorn
