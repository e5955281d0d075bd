// Run records: every field survives the trip through the file, bad files
// are refused with the reason, and the comparisons name the first difference.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <random>
#include <string>

#include "engine/program_io.h"
#include "engine/run_record.h"
#include "problem/data_table.h"
#include "problem/messages.h"
#include "tests/problem/address_limit.h"
#include "tests/temp_folder.h"

namespace vorn {
namespace {

RunRecord sample_record() {
    RunRecord record;
    record.program_version = "vorn 1.0.0";
    record.plan.texts[ParamId::num_generations] = "3";
    record.plan.columns = "a,b,c";
    record.plan.seed = 4294967295U;
    record.plan.training = "/data/t.txt";
    record.plan.validation = "/elsewhere/v.txt";
    record.data = {{"training", "/data/t.txt", std::string(64, 'a')},
                   {"validation", "/elsewhere/v.txt", std::nullopt}};
    record.cells_sha256 = std::string(64, 'b');
    record.num_generations = 3;
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> unit(0, 1);
    for (std::int32_t g = 0; g < 3; ++g) {
        record.generations.push_back(
            {g, std::floor(static_cast<float>(unit(random) * 400)), unit(random), 10 + g, 20 - g});
    }
    Program program;
    program.nodes = {{OpCode::add, 0}, {OpCode::input1, 0}, {OpCode::constant, 0.1}};
    program.training_fitness = 1.0 / 3;
    record.last_program = program;
    record.best_validation = RecordedBest{2, 17, 0.25, program};
    record.wall_seconds = 0.125;
    record.threads = 2;
    record.compiler = "g++ 12.2.0";
    record.libc = "glibc 2.36";
    return record;
}

TEST(RunRecord, EveryFieldSurvivesTheFile) {
    const RunRecord record = sample_record();
    const RunRecord back = parse_record_text(record_text(record, "/data"), "r.json", "/data");
    EXPECT_EQ(back.program_version, record.program_version);
    EXPECT_EQ(back.plan.texts[ParamId::num_generations], "3");
    EXPECT_EQ(back.plan.texts[ParamId::population_size],
              record.plan.texts[ParamId::population_size]);
    EXPECT_EQ(back.plan.columns, record.plan.columns);
    EXPECT_EQ(back.plan.positive, std::nullopt);
    EXPECT_EQ(back.plan.seed, record.plan.seed);
    ASSERT_EQ(back.data.size(), 2U);
    EXPECT_EQ(back.data[0].path, "/data/t.txt");  // written relative, read back absolute
    EXPECT_EQ(back.data[1].path, "/elsewhere/v.txt");
    EXPECT_EQ(back.data[1].sha256, std::nullopt);
    EXPECT_EQ(rerun_difference(record, back), std::nullopt);
    EXPECT_EQ(experiment_difference(record, back), std::nullopt);
    ASSERT_EQ(back.generations.size(), 3U);
    for (std::size_t g = 0; g < 3; ++g) {
        EXPECT_EQ(back.generations[g].best_raw_fitness, record.generations[g].best_raw_fitness);
        EXPECT_EQ(back.generations[g].generation, record.generations[g].generation);
    }
    ASSERT_TRUE(back.last_program && back.best_validation);
    EXPECT_EQ(back.last_program->nodes[2].value, 0.1);
    EXPECT_EQ(back.best_validation->generation, 2);
    EXPECT_EQ(back.wall_seconds, 0.125);
    EXPECT_EQ(back.threads, 2U);
    EXPECT_TRUE(same_platform(record, back));
}

TEST(RunRecord, BadFilesAreRefusedWithTheReason) {
    const std::string good = record_text(sample_record(), "/data");
    const auto replaced = [&](const std::string& from, const std::string& to) {
        std::string text = good;
        const auto at = text.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        return text.replace(at, from.size(), to);
    };
    // The first value of `key` replaced by `value`.
    const auto valued = [&](const std::string& key, const std::string& value) {
        std::string text = good;
        const auto at = text.find("\"" + key + "\": ") + key.size() + 4;
        return text.replace(at, text.find_first_of(",\n", at) - at, value);
    };
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"{", "not JSON"},
        {replaced("\"vorn-run-record\"", "\"vorn-program\""), "not a run record"},
        {replaced("\"version\": 1", "\"version\": 2"), "newer"},
        {replaced("\"generations\": \"3\"", "\"generatoins\": \"3\""), "unknown parameter"},
        {replaced("\"seed\": 4294967295", "\"seed\": 4294967296"), "\"seed\""},
        {replaced("\"grid_edited\": false", "\"grid_edited\": 0"), "\"grid_edited\""},
        {replaced("\"best_length\": 20", "\"best_length\": -1"), "\"best_length\""},
        {replaced("\"cells_sha256\"", "\"cells\""), "\"cells_sha256\" is missing"},
        {replaced("\"+\"", "\"sqrt\""), "its program"},
        {replaced("\"version\": 1", "\"version\": 0"),
         "format version 0 is not a version this program reads"},
        {replaced("\"version\": 1", "\"version\": -5"), "version -5 is not a"},
        {replaced("\"seed\"", "\"seed\": 1, \"seed\""), "the key \"seed\" is given twice"},
        // Figures outside what a run can make.
        {valued("training_fitness", "7"), "\"training_fitness\" is not a number from 0 to 1"},
        {valued("training_fitness", "-0.5"), "\"training_fitness\""},
        {valued("validation_count", "-1"), "\"validation_count\" is not a whole number"},
        {valued("validation_count", "1e300"), "\"validation_count\""},
        {valued("validation_count", "0.5"), "\"validation_count\""},
        {valued("mean_length", "-3"), "\"mean_length\""},
        {replaced("\"wall_seconds\": 0.125", "\"wall_seconds\": -1.0"), "\"wall_seconds\""},
        {replaced("\"generations\": \"3\"", "\"" + std::string(1 << 20, 'g') + "\": \"3\""),
         "unknown parameter \"" + std::string(40, 'g') + "...\""},
    };
    for (const auto& [text, reason] : cases) {
        try {
            (void)parse_record_text(text, "r.json", "/data");
            ADD_FAILURE() << "accepted: " << reason;
        } catch (const RecordError& e) {
            EXPECT_EQ(e.message().id, MessageId::record_refused);
            EXPECT_NE(e.message().text.find(reason), std::string::npos) << e.message().text;
            EXPECT_LT(e.message().text.size(), 200U) << reason;
        }
    }
}

// A file that cannot be JSON is refused before it fills memory: by its size
// when it has one, at its first NUL byte when it has none.
TEST(RunRecord, HostileFilesAreRefusedBeforeTheyFillMemory) {
    if (!testing::address_limit_possible) {
        GTEST_SKIP() << "no address-space limit under AddressSanitizer";
    }
    const testing::TempFolder folder;
    const std::filesystem::path sparse = folder.path / "sparse.json";
    std::ofstream(sparse) << "{";
    std::filesystem::resize_file(sparse, std::uintmax_t{3} << 30);
    const std::string nul = folder.write("nul.json", std::string(1 << 20, ' ') + '\0');
    const struct {
        std::string file;
        std::string reason;
    } cases[] = {
        {"/dev/zero", "NUL byte"},
        {sparse.string(), "larger than 1 GiB"},
        {nul, "NUL byte"},
    };
    for (const auto& c : cases) {
        const auto result = testing::run_with_address_limit(48.0 * 1024 * 1024, [&] {
            std::string reasons;
            try {
                (void)read_record_file(c.file);
            } catch (const RecordError& e) {
                reasons += e.message().args.at(1) + "; ";
            } catch (const std::bad_alloc&) {
                reasons += "out of memory; ";
            }
            try {
                (void)load_program_file(c.file);
            } catch (const MessageError& e) {
                reasons += e.message().args.at(1);
            } catch (const std::bad_alloc&) {
                reasons += "out of memory";
            }
            return reasons;
        });
        EXPECT_TRUE(result.exited) << c.file;
        EXPECT_NE(result.text.find(c.reason), std::string::npos) << result.text;
        EXPECT_EQ(result.text.find("out of memory"), std::string::npos) << result.text;
    }
}

TEST(RunRecord, ComparisonsNameTheFirstDifference) {
    const RunRecord record = sample_record();
    RunRecord other = record;
    other.generations[1].mean_length += 1;
    other.generations[2].best_raw_fitness = 0.5;
    EXPECT_EQ(rerun_difference(record, other), "generation 2: mean length 12, recorded 11");
    other = record;
    other.generations.pop_back();
    EXPECT_EQ(rerun_difference(record, other), "2 generations, recorded 3");
    // A record of a run stopped early is compared as far as it went.
    EXPECT_EQ(rerun_difference(other, record), std::nullopt);
    other.num_generations = 2;
    EXPECT_EQ(rerun_difference(other, record), "3 generations, recorded 2");
    other = record;
    other.cells_sha256 = "c";
    EXPECT_EQ(rerun_difference(record, other), "different data: the SHA-256 of the cell texts");
    // Seeds, timing and the build are no part of the experiment.
    other = record;
    other.plan.seed = 1;
    other.wall_seconds = 9;
    other.compiler = "clang++ 14";
    EXPECT_EQ(experiment_difference(record, other), std::nullopt);
    EXPECT_FALSE(same_platform(record, other));
    other.plan.texts[ParamId::mutation_rate] = "0.3";
    EXPECT_EQ(experiment_difference(record, other), "parameter \"mutation\"");
}

TEST(RunRecord, CellHashFollowsEveryCellText) {
    const DataTable loaded({DataRow{1, 2, 3, 4}});
    DataTable typed = loaded;
    const std::string hash = cells_sha256({&loaded, nullptr});
    EXPECT_EQ(cells_sha256({&typed, nullptr}), hash);
    typed.set_cell_text(0, 3, "4.0");  // the same value, another text
    EXPECT_NE(cells_sha256({&typed, nullptr}), hash);
    EXPECT_NE(cells_sha256({nullptr, &loaded}), hash);  // which grid matters
}

TEST(RunRecord, SpreadIsMedianMinimumMaximum) {
    std::mt19937 random(3);
    for (std::size_t n = 1; n < 40; ++n) {
        std::vector<double> values;
        for (std::size_t i = 0; i < n; ++i) {
            values.push_back(static_cast<double>(random() % 100));
        }
        const Spread spread = spread_of(values);
        std::sort(values.begin(), values.end());
        EXPECT_EQ(spread.minimum, values.front());
        EXPECT_EQ(spread.maximum, values.back());
        const double median = n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
        EXPECT_EQ(spread.median, median) << n;
    }
}

}  // namespace
}  // namespace vorn
