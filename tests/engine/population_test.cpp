#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <utility>

#include "problem/errors.h"
#include "program/gene.h"
#include "program/random.h"
#include "tests/engine/engine_fixture.h"

namespace vorn {
namespace {

using testing::EngineFixture;

TEST(Population, ConvertsThePanelTexts) {
    EngineFixture f;
    f.population.tournament_size = "not read";  // only read for Tournament
    f.population.break_every = "not read";      // only read when Break Point is on
    f.build();
    const Tgp_pop& pop = *f.pop;
    EXPECT_EQ(pop.population_size, 20);
    EXPECT_EQ(pop.num_generations, 5);
    EXPECT_EQ(pop.elite_fraction, 0.1f);
    EXPECT_EQ(pop.break_every, 0);
    EXPECT_EQ(pop.crossover_rate, 0.7f);
    EXPECT_EQ(pop.reproduction_rate, 0.1f);
    EXPECT_EQ(pop.constant_ratio, 0.3f);
    EXPECT_EQ(pop.max_length, 100);
    EXPECT_EQ(pop.current_buffer, 0);
    EXPECT_EQ(pop.validation_history.size(), 5u);

    f.population.elite_strategy = false;
    f.population.elite_percent = "garbage";
    f.population.break_point = true;
    f.population.break_every = "7";
    f.population.selection_method = tournament;
    f.population.tournament_size = "3";
    f.build();
    EXPECT_EQ(f.pop->elite_fraction, 0.0f);
    EXPECT_EQ(f.pop->break_every, 7);
    EXPECT_EQ(f.pop->tournament_size, 3);
}

TEST(Population, BuffersHoldDistinctIndividualsWithOwnGenes) {
    EngineFixture f;
    f.population.max_length = "17";
    f.build();
    std::set<const Individual*> individuals;
    std::set<const std::int32_t*> genes;
    for (int b = 0; b < 2; ++b) {
        ASSERT_EQ(f.pop->generation_buffers[b].size(), 20u);
        for (const Individual* individual : f.pop->generation_buffers[b]) {
            individuals.insert(individual);
            genes.insert(individual->gene.data());
            EXPECT_EQ(individual->gene.size(), 17u);
        }
    }
    EXPECT_EQ(individuals.size(), 40u);
    EXPECT_EQ(genes.size(), 40u);
}

TEST(Population, EliteCountInDoublePrecision) {
    EXPECT_EQ(elite_count(100, 0.29f), 28);
    EXPECT_EQ(elite_count(1000, 0.1f), 100);
    EXPECT_EQ(elite_count(1000, 0.0f), 0);
    EXPECT_EQ(elite_count(7, 1.0f), 7);
}

TEST(Population, RefusesSettingsThatCannotRun) {
    struct Case {
        const char* what;
        std::function<void(EngineFixture&)> change;
        std::string message;
    };
    const std::vector<Case> cases = {
        {"population of one", [](auto& f) { f.population.population_size = "1"; },
         "\"Population Size\" must be a whole number of at least 2 (it is \"1\")."},
        {"population empty", [](auto& f) { f.population.population_size = ""; },
         "\"Population Size\" must be a whole number of at least 2 (it is \"\")."},
        {"population 1e9", [](auto& f) { f.population.population_size = "1e9"; },
         "\"Population Size\" must be a whole number of at least 2 (it is \"1e9\")."},
        {"no generation", [](auto& f) { f.population.num_generations = "0"; },
         "\"Generation\" must be a whole number of at least 1 (it is \"0\")."},
        {"empty tournament",
         [](auto& f) {
             f.population.selection_method = tournament;
             f.population.tournament_size = "0";
         },
         "\"Tournament Size\" must be a whole number from 1 to the larger of the \"Population "
         "Size\" and 1000 (it is \"0\")."},
        {"tournament larger than 1000 and the population",
         [](auto& f) {
             f.population.selection_method = tournament;
             f.population.tournament_size = "1001";
         },
         "\"Tournament Size\" must be a whole number from 1 to the larger of the \"Population "
         "Size\" and 1000 (it is \"1001\")."},
        {"tournament larger than a population above 1000",
         [](auto& f) {
             f.population.population_size = "1500";
             f.population.selection_method = tournament;
             f.population.tournament_size = "1501";
         },
         "\"Tournament Size\" must be a whole number from 1 to the larger of the \"Population "
         "Size\" and 1000 (it is \"1501\")."},
        {"constants beyond memory", [](auto& f) { f.problem.texts.num_constants = "2000000000"; },
         "\"Number of constant\" must be small enough for the constant table to fit in memory "
         "(it is \"2000000000\")."},
        {"negative elite", [](auto& f) { f.population.elite_percent = "-1"; },
         "\"Elite Strategy\" must be a percentage from 0 to 100 (it is \"-1\")."},
        {"elite above all", [](auto& f) { f.population.elite_percent = "100.5"; },
         "\"Elite Strategy\" must be a percentage from 0 to 100 (it is \"100.5\")."},
        {"negative depth", [](auto& f) { f.population.max_initial_depth = "-1"; },
         "\"Maximum Initial Depth\" must be a whole number of at least 0 (it is \"-1\")."},
        {"too short for + - * /", [](auto& f) { f.population.max_length = "2"; },
         "\"Maximum Length\" must be a whole number of at least 3 with the checked functions "
         "(it is \"2\")."},
        {"function ratio one", [](auto& f) { f.population.function_ratio = "1"; },
         "\"Function\" must be a number below 1 (it is \"1\")."},
        {"comma decimal", [](auto& f) { f.population.mutation_rate = "0,2"; },
         "\"Mutation\" must be a number (it is \"0,2\")."},
        {"huge rate", [](auto& f) { f.population.crossover_rate = "1e400"; },
         "\"Crossover\" must be a number (it is \"1e400\")."},
    };
    for (const auto& c : cases) {
        EngineFixture f;
        c.change(f);
        try {
            f.build();
            ADD_FAILURE() << c.what << ": accepted";
        } catch (const SettingError& e) {
            EXPECT_EQ(e.what(), c.message) << c.what;
        }
    }
}

// Entrants are drawn with replacement, so a tournament may outnumber the
// population, up to the larger of the population and 1000; a negative break
// point counts as its size.
TEST(Population, AcceptsWhatCanRun) {
    struct Case {
        const char* population;
        const char* tournament;
        const char* break_every;
    };
    const Case cases[] = {
        {"20", "21", "-5"}, {"5", "6", "-1"}, {"20", "1000", "0"}, {"1500", "1500", "-2147483648"}};
    for (const Case& c : cases) {
        EngineFixture f;
        f.population.population_size = c.population;
        f.population.selection_method = tournament;
        f.population.tournament_size = c.tournament;
        f.population.break_point = true;
        f.population.break_every = c.break_every;
        ASSERT_NO_THROW(f.build()) << c.tournament;
        EXPECT_EQ(f.pop->tournament_size, std::stoi(c.tournament));
        EXPECT_EQ(f.pop->break_every, std::stoi(c.break_every));
    }
}

TEST(Population, MemoryNeedIsCheckedBeforeAllocating) {
    EngineFixture f;
    f.population.population_size = "1000000000";
    try {
        f.build();
        ADD_FAILURE() << "accepted";
    } catch (const SettingError& e) {
        EXPECT_NE(std::string(e.what()).find("GiB of memory"), std::string::npos) << e.what();
    }
}

// Below a GiB the need is given in MiB, so a small limit never reads "0 GiB".
TEST(Population, MemoryNeedIsShownInAFittingUnit) {
    constexpr double mib = 1024.0 * 1024.0;
    const std::pair<double, const char*> cases[] = {{0.1 * mib, "about 1 MiB "},
                                                    {300 * mib, "about 300 MiB "},
                                                    {1023 * mib, "about 1023 MiB "},
                                                    {1400 * mib, "about 1 GiB "},
                                                    {12 * 1024 * mib, "about 12 GiB "}};
    for (const auto& [bytes, size] : cases) {
        const Message message = messages::population_memory(bytes);
        EXPECT_NE(message.text.find(size), std::string::npos) << message.text;
    }
}

TEST(Population, ShortestProgramFollowsTheCheckedFunctions) {
    EngineFixture f;
    f.problem.texts.checked = {false, false, false, false, true, false, false, false, false, false};
    f.population.max_length = "2";
    EXPECT_NO_THROW(f.build());
    f.problem.texts.checked = {false, false, false, false, false, false, false, false, false, true};
    f.population.max_length = "4";
    EXPECT_THROW(f.build(), SettingError);
    f.population.max_length = "5";
    EXPECT_NO_THROW(f.build());
}

}  // namespace
}  // namespace vorn
