#include <gtest/gtest.h>

#include <sched.h>

#include <functional>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/fitness_pool.h"
#include "engine/grid_scan.h"
#include "engine/run_gp.h"
#include "program/gene.h"
#include "tests/engine/engine_fixture.h"

namespace vorn {
namespace {

using testing::EngineFixture;

// Records what the driver shows and lets a test act at each pump.
class ScriptedFrontEnd : public RunFrontEnd {
public:
    explicit ScriptedFrontEnd(Tproblem_setting& setting) : setting_(setting) {}

    void run_started() override { events.push_back("started"); }
    void set_up(const Tproblem_setting&, const Tgp_pop&, std::uint32_t seed) override {
        events.push_back("set_up " + std::to_string(seed));
    }
    void progress(std::int32_t g, std::int32_t n) override {
        events.push_back(std::to_string(g + 1) + " / " + std::to_string(n));
    }
    void generation_done(const GenerationReport& report) override {
        reports.push_back(report);
        genes.emplace_back(report.best_gene.begin(), report.best_gene.end());
    }
    void best_formula(const std::string& formula) override { formulas.push_back(formula); }
    void pump_events() override {
        ++pumps;
        if (on_pump) {
            on_pump(setting_, pumps);
        }
    }
    void wait_while_paused() override {
        ++waits;
        if (on_wait) {
            on_wait(setting_, waits);
        }
    }
    void aborted_while_paused() override { events.push_back("aborted while paused"); }
    void run_ended(const RunOutcome& outcome) override {
        events.push_back("ended");
        ended = outcome;
    }

    std::vector<std::string> events;
    std::vector<GenerationReport> reports;
    std::vector<std::vector<std::int32_t>> genes;
    std::vector<std::string> formulas;
    int pumps = 0;
    int waits = 0;
    RunOutcome ended;
    std::function<void(Tproblem_setting&, int)> on_pump;
    std::function<void(Tproblem_setting&, int)> on_wait;

private:
    Tproblem_setting& setting_;
};

TEST(RunDriver, WholeRunInOrder) {
    EngineFixture f;
    f.build();
    ScriptedFrontEnd front(*f.setting);
    const RunOutcome outcome = run_gp(*f.setting, *f.pop, front, RunOptions{42});
    EXPECT_EQ(outcome.seed, 42u);
    EXPECT_EQ(outcome.generations_done, 5);
    EXPECT_FALSE(outcome.aborted);
    EXPECT_FALSE(outcome.error);
    const std::vector<std::string> expected = {"started", "set_up 42", "1 / 5", "2 / 5",
                                               "3 / 5",   "4 / 5",     "5 / 5", "ended"};
    EXPECT_EQ(front.events, expected);
    ASSERT_EQ(front.reports.size(), 5u);
    EXPECT_EQ(front.formulas.size(), 5u);
    EXPECT_EQ(front.pumps, 5);
    for (std::size_t g = 0; g < 5; ++g) {
        const auto& report = front.reports[g];
        EXPECT_EQ(report.generation, static_cast<std::int32_t>(g));
        EXPECT_EQ(report.validation_fitness, f.pop->validation_history[g]);
        EXPECT_EQ(report.mean_length, f.pop->mean_length_history[g]);
        EXPECT_EQ(static_cast<float>(report.best_raw_fitness), f.pop->training_history[g]);
        // Training data serves for validation: the count is 2N times the fraction.
        EXPECT_EQ(report.validation_fitness, static_cast<float>(24 * report.best_raw_fitness));
        EXPECT_EQ(report.best_length, static_cast<std::int32_t>(front.genes[g].size()));
        EXPECT_TRUE(is_well_formed(f.setting->node_table, front.genes[g]));
        EXPECT_LE(report.validation_curve.size(), 21u * 21u);
        EXPECT_TRUE(report.training_curve.empty());
    }
    // With the elite kept, the best never gets worse.
    for (std::size_t g = 1; g < 5; ++g) {
        EXPECT_LE(front.reports[g].best_raw_fitness, front.reports[g - 1].best_raw_fitness);
    }
}

TEST(RunDriver, SameSeedSameRun) {
    std::vector<std::string> formulas[2];
    std::vector<float> fitness[2];
    for (int run = 0; run < 2; ++run) {
        EngineFixture f;
        f.population.num_generations = "4";
        f.population.selection_method = tournament;
        f.build();
        ScriptedFrontEnd front(*f.setting);
        (void)run_gp(*f.setting, *f.pop, front, RunOptions{7});
        formulas[run] = front.formulas;
        fitness[run] = f.pop->training_history;
    }
    EXPECT_EQ(formulas[0], formulas[1]);
    EXPECT_EQ(fitness[0], fitness[1]);
}

TEST(RunDriver, AbortEndsAtTheNextGenerationBoundary) {
    EngineFixture f;
    f.build();
    ScriptedFrontEnd front(*f.setting);
    front.on_pump = [](Tproblem_setting& s, int pump) {
        if (pump == 2) {
            s.abort_request = 1;
        }
    };
    const RunOutcome outcome = run_gp(*f.setting, *f.pop, front, RunOptions{1});
    EXPECT_TRUE(outcome.aborted);
    EXPECT_EQ(outcome.generations_done, 2);
    EXPECT_EQ(front.reports.size(), 2u);
    EXPECT_EQ(front.events.back(), "ended");
}

TEST(RunDriver, PauseWaitsAndAbortWhilePausedClearsThePause) {
    EngineFixture f;
    f.build();
    ScriptedFrontEnd front(*f.setting);
    front.on_pump = [](Tproblem_setting& s, int pump) {
        if (pump == 1) {
            s.pause_request = 1;
        }
    };
    front.on_wait = [](Tproblem_setting& s, int wait) {
        if (wait == 3) {
            s.abort_request = 1;
        }
    };
    const RunOutcome outcome = run_gp(*f.setting, *f.pop, front, RunOptions{1});
    EXPECT_EQ(front.waits, 3);
    EXPECT_TRUE(outcome.aborted);
    EXPECT_EQ(outcome.generations_done, 1);
    EXPECT_EQ(f.setting->pause_request, 0);
    EXPECT_NE(std::find(front.events.begin(), front.events.end(), "aborted while paused"),
              front.events.end());
}

TEST(RunDriver, PauseThenResumeGoesOn) {
    EngineFixture f;
    f.build();
    ScriptedFrontEnd front(*f.setting);
    front.on_pump = [](Tproblem_setting& s, int pump) {
        if (pump == 2) {
            s.pause_request = 1;
        }
    };
    front.on_wait = [](Tproblem_setting& s, int) { s.pause_request = 0; };
    const RunOutcome outcome = run_gp(*f.setting, *f.pop, front, RunOptions{1});
    EXPECT_EQ(front.waits, 1);
    EXPECT_FALSE(outcome.aborted);
    EXPECT_EQ(outcome.generations_done, 5);
}

// A break point of n, or of -n, pauses after every generation g + 1 that n
// divides; 0 never pauses.
TEST(RunDriver, BreakPointPausesEveryNthGenerationButNotAfterTheLast) {
    struct Case {
        const char* break_every;
        const char* generations;
        std::vector<int> paused_after;
        int pause_request;  // after the run
    };
    const Case cases[] = {
        {"2", "4", {2}, 1}, {"-2", "4", {2}, 1}, {"-5", "11", {5, 10}, 0}, {"0", "4", {}, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.break_every);
        EngineFixture f;
        f.population.break_point = true;
        f.population.break_every = c.break_every;
        f.population.num_generations = c.generations;
        f.build();
        ScriptedFrontEnd front(*f.setting);
        std::vector<int> paused_after;
        front.on_wait = [&](Tproblem_setting& s, int) {
            paused_after.push_back(static_cast<int>(front.reports.size()));
            s.pause_request = 0;  // one press of the pause button resumes
        };
        const RunOutcome outcome = run_gp(*f.setting, *f.pop, front, RunOptions{1});
        EXPECT_EQ(paused_after, c.paused_after);
        EXPECT_EQ(outcome.generations_done, std::stoi(c.generations));
        // Set after the last generation, without effect.
        EXPECT_EQ(f.setting->pause_request, c.pause_request);
    }
}

TEST(RunDriver, ARunThatCannotCreateProgramsEndsWithItsMessage) {
    EngineFixture f;
    // Only IFLTE within five nodes and almost no terminals: creation gives up.
    f.problem.texts.checked = {false, false, false, false, false, false, false, false, false, true};
    f.population.max_length = "5";
    f.population.max_initial_depth = "0";
    f.population.function_ratio = "0.999";
    f.population.variable_ratio = "0.0005";
    f.population.constant_ratio = "0.0005";
    f.build();
    ScriptedFrontEnd front(*f.setting);
    const RunOutcome outcome = run_gp(*f.setting, *f.pop, front, RunOptions{1});
    ASSERT_TRUE(outcome.error);
    EXPECT_EQ(outcome.error->id, MessageId::creation_failed) << outcome.error->text;
    EXPECT_NE(outcome.error->text.find("Maximum Length"), std::string::npos);
    EXPECT_EQ(outcome.seed, 1u);
    EXPECT_EQ(outcome.generations_done, 0);
    EXPECT_EQ(front.events.back(), "ended");
}

TEST(GridScan, LinesPerAxis) {
    EXPECT_EQ(scan_lines(0, 20).size(), 21u);
    EXPECT_EQ(scan_lines(0, 20)[20], 20);
    const auto unit = scan_lines(0, 1);
    EXPECT_GE(unit.size(), 20u);
    EXPECT_LE(unit.size(), 21u);
    EXPECT_EQ(scan_lines(3, 3), std::vector<double>{3});
    // A step below the coordinate's precision scans a single line.
    EXPECT_EQ(scan_lines(1e17, 1e17 + 16).size(), 1u);
    EXPECT_LE(scan_lines(-1e308, 1e308).size(), 21u);
    EXPECT_TRUE(scan_lines(1, 0).empty());
}

TEST(GridScan, PositiveRegionOverTheBox) {
    EngineFixture f;
    f.problem.texts.constant_min = "-1";
    f.problem.texts.constant_max = "1";
    f.problem.texts.num_constants = "4";  // -1, -0.5, 0, 0.5
    f.build();
    const Box box{0, 20, -10, 10};
    const std::vector<std::int32_t> positive = {9};
    EXPECT_EQ(positive_region(f.setting->node_table_view(), positive, box).size(), 441u);
    const std::vector<std::int32_t> zero = {8};
    EXPECT_TRUE(positive_region(f.setting->node_table_view(), zero, box).empty());
    const std::vector<std::int32_t> y = {5};  // positive above the x axis only
    const auto points = positive_region(f.setting->node_table_view(), y, box);
    EXPECT_EQ(points.size(), 21u * 10u);
    for (const auto& p : points) {
        EXPECT_GT(p.y, 0);
    }
    const Box b = data_box(std::vector<double>{1, 5}, std::vector<double>{2, 0},
                           std::vector<double>{-3, 4}, std::vector<double>{7, 1});
    EXPECT_EQ(b.x_min, -3);
    EXPECT_EQ(b.x_max, 5);
    EXPECT_EQ(b.y_min, 0);
    EXPECT_EQ(b.y_max, 7);
}

}  // namespace
}  // namespace vorn

namespace vorn {
namespace {

// With every search option, too: the options must not depend on how
// programs are scored.
TEST(RunDriver, EveryEvaluatorAndThreadCountRunsAlike) {
    struct Search {
        int selection;
        const char* parsimony;
        const char* objectives = "error";
        const char* tune = "0";
    };
    for (const Search search :
         {Search{0, "none"}, Search{lexicase, "lexicographic"}, Search{epsilon_lexicase, "penalty"},
          Search{1, "lexicographic"}, Search{0, "none", "error-and-size"},
          Search{lexicase, "none", "error", "4"}}) {
        SCOPED_TRACE(std::to_string(search.selection) + search.parsimony + search.objectives);
        struct Result {
            std::vector<std::string> formulas;
            std::vector<float> training;
            std::vector<float> validation;
            std::vector<std::size_t> curve_sizes;
        };
        const auto run = [&search](EvaluatorKind kind, unsigned threads) {
            EngineFixture f;
            f.problem.texts.checked.fill(true);
            f.population.selection_method = search.selection;
            f.population.parsimony = search.parsimony;
            f.population.objectives = search.objectives;
            f.population.tune_constants = search.tune;
            f.population.population_size = "80";
            f.population.num_generations = "6";
            f.build();
            ScriptedFrontEnd front(*f.setting);
            RunOptions options{99};
            options.evaluator = kind;
            options.threads = threads;
            (void)run_gp(*f.setting, *f.pop, front, options);
            Result result{front.formulas, f.pop->training_history, f.pop->validation_history, {}};
            for (const auto& report : front.reports) {
                result.curve_sizes.push_back(report.validation_curve.size());
            }
            return result;
        };
        const Result reference = run(EvaluatorKind::reference, 1);
        for (unsigned threads : {1u, 2u, 3u}) {
            const Result batch = run(EvaluatorKind::batch, threads);
            EXPECT_EQ(batch.formulas, reference.formulas) << threads;
            EXPECT_EQ(batch.training, reference.training) << threads;
            EXPECT_EQ(batch.validation, reference.validation) << threads;
            EXPECT_EQ(batch.curve_sizes, reference.curve_sizes) << threads;
        }
    }
}

}  // namespace
}  // namespace vorn

namespace vorn {
namespace {

TEST(RunDriver, AbortDuringALongCreationEndsTheRunAtOnce) {
    EngineFixture f;
    // Trees of IFLTE alone that almost never complete within 70 nodes.
    f.problem.texts.checked = {false, false, false, false, false, false, false, false, false, true};
    f.population.function_ratio = "0.95";
    f.population.variable_ratio = "0.03";
    f.population.max_length = "500";
    f.population.max_initial_depth = "6";
    f.population.population_size = "1000";
    f.build();
    ScriptedFrontEnd front(*f.setting);
    front.on_pump = [](Tproblem_setting& s, int pump) {
        if (pump == 3) {
            s.abort_request = 1;
        }
    };
    const RunOutcome outcome = run_gp(*f.setting, *f.pop, front, RunOptions{1});
    EXPECT_EQ(front.pumps, 3);
    EXPECT_TRUE(outcome.aborted);
    EXPECT_FALSE(outcome.error);
    EXPECT_EQ(outcome.generations_done, 0);
    EXPECT_TRUE(front.reports.empty());
}

}  // namespace
}  // namespace vorn

namespace vorn {
namespace {

// A population smaller than its tournament runs: entrants are drawn with
// replacement.
TEST(RunDriver, ATournamentLargerThanThePopulationRuns) {
    EngineFixture f;
    f.population.population_size = "5";
    f.population.selection_method = tournament;
    f.population.tournament_size = "6";
    f.build();
    ScriptedFrontEnd front(*f.setting);
    const RunOutcome outcome = run_gp(*f.setting, *f.pop, front, RunOptions{3});
    EXPECT_FALSE(outcome.error);
    EXPECT_EQ(outcome.generations_done, 5);
}

// Breeding pumps the front end's events every few thousand draws, so an abort
// answers within a long generation; the unfinished one is never used.
TEST(RunDriver, BreedingPumpsAndAnAbortCutsItShort) {
    EngineFixture f;
    f.population.population_size = "200";
    f.population.selection_method = tournament;
    f.population.tournament_size = "1000";
    f.build();
    ScriptedFrontEnd front(*f.setting);
    front.on_pump = [](Tproblem_setting& s, int pump) {
        if (pump == 3) {
            s.abort_request = 1;
        }
    };
    const std::int32_t buffer = f.pop->current_buffer;
    const RunOutcome outcome = run_gp(*f.setting, *f.pop, front, RunOptions{1});
    EXPECT_EQ(front.pumps, 3);
    EXPECT_TRUE(outcome.aborted);
    EXPECT_FALSE(outcome.error);
    EXPECT_EQ(outcome.generations_done, 1);
    EXPECT_EQ(front.reports.size(), 1u);
    EXPECT_EQ(front.formulas.size(), 1u);
    EXPECT_EQ(f.pop->current_buffer, buffer);
    EXPECT_EQ(front.events.back(), "ended");
}

// Whatever a run throws ends the run with a message and never leaves
// run_gp: the front end stays usable.
TEST(RunDriver, AnyExceptionEndsTheRunWithAMessage) {
    struct Case {
        const char* what;
        std::function<void()> fault;
        std::string message;
    };
    const Case cases[] = {
        {"logic error", [] { throw std::logic_error("operator out of range"); },
         "Internal error: operator out of range. The run was ended."},
        {"out of memory", [] { throw std::bad_alloc(); }, "Memory Allocation Error"},
        {"no std::exception", [] { throw 42; },
         "Internal error: unknown exception. The run was ended."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EngineFixture f;
        f.build();
        ScriptedFrontEnd front(*f.setting);
        front.on_pump = [&](Tproblem_setting&, int pump) {
            if (pump == 2) {
                c.fault();
            }
        };
        RunOutcome outcome;
        ASSERT_NO_THROW(outcome = run_gp(*f.setting, *f.pop, front, RunOptions{1}));
        ASSERT_TRUE(outcome.error);
        EXPECT_EQ(outcome.error->text, c.message);
        EXPECT_EQ(outcome.error->text, render_message(outcome.error->id, outcome.error->args));
        EXPECT_EQ(outcome.generations_done, 2);
        EXPECT_EQ(front.events.back(), "ended");
    }
}

// Scoring never makes more threads than the process may run on, nor more
// than there are programs; an affinity narrowed to one CPU leaves one.
TEST(Scoring, ThreadsClampedToUsableCpusAndPrograms) {
    const unsigned cpus = usable_cpus();
    ASSERT_GE(cpus, 1u);
    EXPECT_EQ(FitnessPool(0).threads(), cpus);
    EXPECT_EQ(FitnessPool(1024).threads(), cpus);
    EXPECT_EQ(FitnessPool(1).threads(), 1u);
    EXPECT_EQ(scoring_threads(0, 1000), cpus);
    EXPECT_EQ(scoring_threads(1024, 1000), cpus);
    EXPECT_EQ(scoring_threads(1024, 1), 1u);
    EXPECT_EQ(scoring_threads(0, 0), 1u);
    EngineFixture f;
    f.build();
    EXPECT_EQ(Evaluation(*f.setting, 100, EvaluatorKind::batch, 1024).threads(), cpus);

    cpu_set_t saved;
    ASSERT_EQ(sched_getaffinity(0, sizeof saved, &saved), 0);
    cpu_set_t one;
    CPU_ZERO(&one);
    for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu) {
        if (CPU_ISSET(cpu, &saved)) {
            CPU_SET(cpu, &one);
            break;
        }
    }
    ASSERT_EQ(sched_setaffinity(0, sizeof one, &one), 0);
    const unsigned narrowed = usable_cpus();
    const unsigned pool = FitnessPool(0).threads();
    ASSERT_EQ(sched_setaffinity(0, sizeof saved, &saved), 0);
    EXPECT_EQ(narrowed, 1u);
    EXPECT_EQ(pool, 1u);
}

}  // namespace
}  // namespace vorn
