#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "engine/evaluation.h"
#include "engine/holdout.h"
#include "engine/prepare_run.h"
#include "tests/problem/address_limit.h"
#include "tests/program/test_setting.h"

namespace vorn {
namespace {

using I = ParamId;

struct Road {
    std::vector<functable> function_table = build_function_table();
    std::vector<CellRow> training = {testing::row("0.1", "0.2", "2", "3"),
                                     testing::row("-0.3", "0.1", "-2", "1")};
    std::vector<CellRow> validation;
    DataTable training_table;
    DataTable validation_table;
    RunRequest request;

    Road() {
        request.training_loaded = true;
        request.plan.texts[I::population_size] = "20";
        request.plan.texts[I::num_generations] = "3";
    }
    [[nodiscard]] PrepareResult prepare() {
        training_table = DataTable::from_texts(training);
        validation_table = DataTable::from_texts(validation);
        request.cells = GridCells{&training_table, &validation_table};
        return prepare_run(request, function_table);
    }
};

// Each refusal Start can give: its message, the page it shows, and the field
// whose fixed text comes back first (if any), in the order the checks run.
TEST(PrepareRun, RefusalsThroughOneRoad) {
    struct Case {
        const char* what;
        std::function<void(Road&)> change;
        MessageId id;
        std::optional<Page> page;
        std::optional<ParamId> restored;
    };
    const auto set = [](ParamId id, std::string text) {
        return [id, text](Road& r) { r.request.plan.texts[id] = text; };
    };
    const std::vector<Case> cases = {
        {"no training data", [](Road& r) { r.request.training_loaded = false; },
         MessageId::training_not_loaded, Page::problem_setting, std::nullopt},
        {"no validation data",
         [](Road& r) {
             r.request.plan.texts.set_flag(I::use_training_data, false);
             r.request.plan.texts[I::reproduction_rate] = "-0.1";  // comes later
         },
         MessageId::validation_not_loaded, Page::problem_setting, std::nullopt},
        {"negative reproduction", set(I::reproduction_rate, "-0.1000"),
         MessageId::operation_rate_sum, Page::population, I::crossover_rate},
        {"unreadable reproduction label", set(I::reproduction_rate, "Label6"),
         MessageId::operation_rate_sum, Page::population, I::crossover_rate},
        {"negative constant share", set(I::constant_ratio, "-0.2000"), MessageId::node_ratio_sum,
         Page::population, I::function_ratio},
        {"constant range, runner only",
         [](Road& r) {
             r.request.check_constant_range = true;
             r.request.plan.texts[I::constant_min] = "2";
             r.request.plan.texts[I::constant_max] = "2";
             r.request.plan.texts[I::constant_ratio] = "-1";  // comes later
         },
         MessageId::constant_range, Page::problem_setting, I::constant_min},
        {"constants not a number", set(I::num_constants, "many"), MessageId::field_refused,
         Page::problem_setting, std::nullopt},
        {"range not a number", set(I::constant_max, "1,5"), MessageId::field_refused,
         Page::problem_setting, std::nullopt},
        {"empty training grid", [](Road& r) { r.training.clear(); }, MessageId::grid_empty,
         Page::problem_setting, std::nullopt},
        {"bad cell", [](Road& r) { r.training[1][2] = "x"; }, MessageId::cell_not_number,
         Page::problem_setting, std::nullopt},
        {"population of one", set(I::population_size, "1"), MessageId::field_refused,
         Page::population, std::nullopt},
        {"escape in a name", set(I::input1_name, "x\x1B[2J"), MessageId::field_refused,
         Page::problem_setting, std::nullopt},
        {"output name not UTF-8", set(I::output_name, "z\xFF"), MessageId::field_refused,
         Page::problem_setting, std::nullopt},
        {"break point checked",
         [](Road& r) {
             r.request.plan.texts.set_flag(I::break_point, true);
             r.request.plan.texts[I::break_every] = "-";
         },
         MessageId::field_refused, Page::population, std::nullopt},
        {"unknown parsimony", set(I::parsimony, "strict"), MessageId::field_refused,
         Page::population, std::nullopt},
        {"negative size penalty",
         [](Road& r) {
             r.request.plan.texts[I::parsimony] = "penalty";
             r.request.plan.texts[I::size_penalty] = "-1";
         },
         MessageId::field_refused, Page::population, std::nullopt},
        {"hold-out of every row", set(I::holdout, "0.9"), MessageId::field_refused,
         Page::population, std::nullopt},
        {"hold-out of no row", set(I::holdout, "0.1"), MessageId::field_refused, Page::population,
         std::nullopt},
        {"hold-out beside a validation file",
         [](Road& r) {
             r.request.validation_loaded = true;
             r.validation = r.training;
             r.request.plan.texts.set_flag(I::use_training_data, false);
             r.request.plan.texts[I::holdout] = "0.5";
         },
         MessageId::field_refused, Page::population, std::nullopt},
        {"population beyond memory",
         [](Road& r) {
             r.request.plan.texts[I::population_size] = "2000000000";
             r.request.plan.texts[I::max_length] = "2000000000";
         },
         MessageId::population_memory, Page::population, std::nullopt},
    };
    for (const Case& c : cases) {
        Road road;
        c.change(road);
        const PrepareResult result = road.prepare();
        ASSERT_TRUE(result.refusal) << c.what;
        EXPECT_FALSE(result.run) << c.what;
        const Refusal& refusal = *result.refusal;
        EXPECT_EQ(refusal.message.id, c.id) << c.what << ": " << refusal.message.text;
        EXPECT_EQ(refusal.message.text, render_message(refusal.message.id, refusal.message.args))
            << c.what;
        EXPECT_EQ(refusal.page, c.page) << c.what;
        EXPECT_EQ(refusal.restore.empty() ? std::nullopt : std::optional(refusal.restore[0].id),
                  c.restored)
            << c.what;
    }
}

TEST(PrepareRun, ReadyRunCarriesEveryParameter) {
    Road road;
    road.request.plan.texts[I::selection_method] = "tournament";
    road.request.plan.texts[I::tournament_size] = "4";
    road.request.plan.texts[I::elite_percent] = "29";
    road.request.plan.texts[I::constant_min] = "-5";
    road.request.plan.texts[I::constant_max] = "5";
    road.request.plan.texts[I::num_constants] = "77";
    road.request.plan.texts[I::output_name] = "class";
    road.request.plan.seed = 9;
    const PrepareResult result = road.prepare();
    ASSERT_TRUE(result.run) << result.refusal->message.text;
    EXPECT_TRUE(result.notices.empty());
    const Tgp_pop& pop = *result.run->pop;
    EXPECT_EQ(pop.population_size, 20);
    EXPECT_EQ(pop.num_generations, 3);
    EXPECT_EQ(pop.selection_method, tournament);
    EXPECT_EQ(pop.tournament_size, 4);
    EXPECT_EQ(pop.elite_fraction, 0.29f);
    EXPECT_EQ(pop.reproduction_rate, 0.1f);
    EXPECT_EQ(pop.constant_ratio, 0.3f);
    // Filled although the engine never reads them.
    EXPECT_EQ(pop.constant_min, -5.0f);
    EXPECT_EQ(pop.constant_max, 5.0f);
    EXPECT_EQ(pop.num_constants, 77);
    EXPECT_EQ(result.run->setting->num_constants, 77);
    EXPECT_EQ(result.run->parameters.output_name, "class");
    EXPECT_EQ(result.run->plan.seed, 9u);
}

TEST(PrepareRun, NoFunctionFallsBackToPlusAndGoesOn) {
    Road road;
    road.request.plan.texts[I::functions] = "";
    road.request.plan.texts[I::max_length] = "1";  // refused after the notice
    PrepareResult result = road.prepare();
    ASSERT_EQ(result.notices.size(), 1U);
    EXPECT_EQ(result.notices[0].message.id, MessageId::no_function);
    EXPECT_EQ(result.notices[0].page, Page::problem_setting);
    ASSERT_EQ(result.notices[0].restore.size(), 1U);
    EXPECT_EQ(result.notices[0].restore[0].text, "+");
    ASSERT_TRUE(result.refusal);
    EXPECT_EQ(result.refusal->message.text,
              "\"Maximum Length\" must be a whole number of at least 3 with the checked "
              "functions (it is \"1\").");

    road.request.plan.texts[I::max_length] = "3";
    result = road.prepare();
    ASSERT_TRUE(result.run);
    EXPECT_EQ(result.run->setting->num_functions, 1);
    EXPECT_EQ(result.run->setting->node_table[0].name, "+");
}

TEST(PrepareRun, PageLeaveChecks) {
    ParameterTexts texts;
    EXPECT_TRUE(population_page_refusals(texts).empty());
    texts[I::reproduction_rate] = "-0.1000";
    texts[I::constant_ratio] = "-0.2000";
    const auto both = population_page_refusals(texts);
    ASSERT_EQ(both.size(), 2U);
    EXPECT_EQ(both[0].message.id, MessageId::operation_rate_sum);
    EXPECT_EQ(both[0].restore.back().text, "0.10");
    EXPECT_EQ(both[1].message.id, MessageId::node_ratio_sum);
    // A label that is no number is no refusal here, unlike at Start.
    texts[I::reproduction_rate] = "Label6";
    texts[I::constant_ratio] = "0.3000";
    EXPECT_TRUE(population_page_refusals(texts).empty());

    EXPECT_FALSE(problem_page_refusal(texts));
    texts[I::constant_min] = "1";
    const auto range = problem_page_refusal(texts);
    ASSERT_TRUE(range);
    EXPECT_EQ(range->message.text, "Please set the range of constants proparly");
    EXPECT_EQ(range->restore[0].text, "-10");
    texts[I::constant_min] = "one";
    EXPECT_THROW((void)problem_page_refusal(texts), ParameterError);
}

TEST(PrepareRun, RemainderLabels) {
    EXPECT_EQ(remainder_label("0.70", "0.20", "0.00"), "0.1000");
    EXPECT_EQ(remainder_label("0.65", "0.20", "0.00"), "0.1500");
    EXPECT_EQ(remainder_label("0.70", "0.20", "0.20"), "-0.1000");
    EXPECT_EQ(remainder_label("0.666", "0.20", "0.00"), "0.1300");
    EXPECT_EQ(remainder_label("1.5", "-0.5", "0.00"), "0.0000");
    EXPECT_EQ(remainder_label("0.50", "0.20"), "0.3000");
    EXPECT_EQ(remainder_label(" 0.5 ", "0.2"), "0.3000");
    EXPECT_FALSE(remainder_label("", "0.20"));
    EXPECT_FALSE(remainder_label("0.", "0.2", "0,1"));
    EXPECT_FALSE(remainder_label("0.7", "nan"));
}

// Every text a control can hold survives the list and choice round trips.
TEST(PrepareRun, FunctionListsAndTheTable) {
    for (int mask = 0; mask < (1 << num_primitives); mask += 37) {
        std::array<bool, num_primitives> checked{};
        for (int i = 0; i < num_primitives; ++i) {
            checked[i] = ((mask >> i) & 1) != 0;
        }
        EXPECT_EQ(parse_function_list(function_list_text(checked)), checked) << mask;
    }
    EXPECT_FALSE(parse_function_list("+,exp"));
    EXPECT_FALSE(parse_function_list("+,,-"));
    for (const Parameter& row : parameter_table()) {
        EXPECT_FALSE(row.caption.empty()) << row.control;
        EXPECT_FALSE(row.description.empty()) << row.control;
        EXPECT_EQ(row.option_form == OptionForm::none, row.option.empty()) << row.control;
        EXPECT_EQ(row.partner.has_value(), row.option_form == OptionForm::sets_with_flag ||
                                               row.option_form == OptionForm::pair_low)
            << row.control;
    }
}

// Under an address-space limit (ulimit -v, a container) a population that
// cannot fit is refused up front with the field's message, while one that
// fits is built; neither ends the process.
TEST(PrepareRun, AnAddressSpaceLimitRefusesAnOversizedPopulation) {
    if (!testing::address_limit_possible) {
        GTEST_SKIP() << "no address-space limit under AddressSanitizer";
    }
    struct Case {
        const char* population;
        std::string outcome;
    };
    const Case cases[] = {{"1000000", "refused: population_memory on Population"},
                          {"1000", "built"}};
    for (const Case& c : cases) {
        Road road;
        road.request.plan.texts[I::population_size] = c.population;
        const auto result = testing::run_with_address_limit(256.0 * 1024 * 1024, [&] {
            const PrepareResult prepared = road.prepare();
            if (!prepared.refusal) {
                return std::string(prepared.run ? "built" : "neither");
            }
            const bool named = prepared.refusal->message.id == MessageId::population_memory &&
                               prepared.refusal->page == Page::population;
            return "refused: " + (named ? std::string("population_memory on Population")
                                        : prepared.refusal->message.text);
        });
        EXPECT_TRUE(result.exited) << c.population << ": signal " << result.status;
        EXPECT_EQ(result.text, c.outcome) << c.population;
    }
}

// The memory check counts the batch evaluator's copies of both data sets,
// one per scoring thread, and the extra threads' stacks.
TEST(PrepareRun, EvaluationMemoryGrowsWithRowsAndThreads) {
    Road road;
    road.training.assign(10000, testing::row("0.1", "0.2", "2", "3"));
    const PrepareResult prepared = road.prepare();
    ASSERT_TRUE(prepared.run);
    const Tproblem_setting& setting = *prepared.run->setting;
    const double copy = 2.0 * 10000 * 4 * sizeof(double);  // training and validation
    double before = 0;
    for (unsigned threads = 1; threads <= 4; ++threads) {
        const double bytes = evaluation_memory_bytes(setting, 100, threads);
        EXPECT_GE(bytes, threads * copy) << threads;
        EXPECT_GT(bytes - before, copy) << threads;
        before = bytes;
    }
}

// The rows held out: as many as the share asks, distinct, chosen by the seed
// alone, and moved whole from the training data to the validation data with
// the rest kept in order.
TEST(PrepareRun, HoldOutSplitsTheTrainingRowsBySeed) {
    for (const int rows : {2, 3, 10, 57}) {
        for (const char* share : {"0.2", "0.5", "0.75"}) {
            Road road;
            road.training.clear();
            for (int i = 0; i < rows; ++i) {
                road.training.push_back(testing::row(std::to_string(i), "1", "2", "3"));
            }
            road.request.plan.texts[I::holdout] = share;
            road.request.plan.seed = 5;
            const int held = held_out_count(rows, std::stof(share));
            if (held < 1 || held >= rows) {
                EXPECT_TRUE(road.prepare().refusal) << rows << " " << share;
                continue;
            }
            const PrepareResult result = road.prepare();
            ASSERT_TRUE(result.run) << rows << " " << share;
            const Tproblem_setting& s = *result.run->setting;
            ASSERT_EQ(s.num_validation_rows, held);
            ASSERT_EQ(s.num_training_rows, rows - held);
            std::vector<double> all = s.train_x1;
            all.insert(all.end(), s.valid_x1.begin(), s.valid_x1.end());
            EXPECT_TRUE(std::is_sorted(s.train_x1.begin(), s.train_x1.end()));
            EXPECT_TRUE(std::is_sorted(s.valid_x1.begin(), s.valid_x1.end()));
            std::sort(all.begin(), all.end());
            for (int i = 0; i < rows; ++i) {
                EXPECT_EQ(all[static_cast<std::size_t>(i)], i);
            }
            EXPECT_EQ(held_out_rows(rows, held, 5), held_out_rows(rows, held, 5));
        }
    }
    // Another seed, other rows (57 rows, 28 held: a repeat is all but impossible).
    EXPECT_NE(held_out_rows(57, 28, 5), held_out_rows(57, 28, 6));
}

}  // namespace
}  // namespace vorn
