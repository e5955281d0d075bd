// Program files of runs: digests of data files, provenance, and the road
// from a run's gene to a file and back.
#include "engine/program_io.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>

#include "problem/errors.h"
#include "problem/file_writer.h"
#include "tests/program/sample_genes.h"
#include "tests/temp_folder.h"

namespace vorn {
namespace {

using testing::TempFolder;

// What the system's own tool says of the file.
std::string sha256sum_of(const std::string& path) {
    const std::string command = "sha256sum '" + path + "'";
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return "";
    }
    std::array<char, 65> hex{};
    const std::size_t got = fread(hex.data(), 1, 64, pipe);
    pclose(pipe);
    return std::string(hex.data(), got);
}

TEST(ProgramIo, Sha256AgreesWithKnownDigestsAndSha256sum) {
    EXPECT_EQ(sha256_hex(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(sha256_hex("abc"),
              "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    const TempFolder folder;
    // Several read chunks, and a last one cut short.
    std::string bytes(200'003, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<char>((i * 131) % 251);
    }
    std::vector<std::string> files = {folder.write("big.bin", bytes), folder.write("empty", "")};
    for (const char* name : {"two_spirals.txt", "circle.txt", "two_clouds.txt"}) {
        files.push_back(std::string(VORN_DATA_DIR) + "/" + name);
    }
    for (const std::string& file : files) {
        const std::string expected = sha256sum_of(file);
        ASSERT_EQ(expected.size(), 64u) << file;
        EXPECT_EQ(sha256_of_file(file), expected) << file;
    }
    EXPECT_EQ(sha256_of_file(files[0]), sha256_hex(bytes));
    EXPECT_THROW((void)sha256_of_file(folder.path / "missing"), DataFileError);
    EXPECT_THROW((void)sha256_of_file(folder.path), DataFileError);
}

TEST(ProgramIo, ProvenanceKeepsEveryStoredTextAndWhatTheFilesHeld) {
    const TempFolder folder;
    RunPlan plan;
    ParameterTexts& texts = plan.texts;
    texts[ParamId::population_size] = "33";
    texts[ParamId::input1_name] = "L\xC3\xA4nge \\ \"a\"";
    texts.set_flag(ParamId::use_training_data, false);
    const std::string training = folder.write("train.txt", "1 2 3 4\n");
    plan.training = training;
    plan.validation = folder.path / "gone.txt";
    plan.seed = 4294967295u;
    const nlohmann::json block = provenance_block(plan, 4294967295u);
    // The CSV choice only where there is one, so other programs read as before.
    EXPECT_FALSE(block.contains("columns"));
    plan.columns = "a,b,c";
    EXPECT_EQ(provenance_block(plan, 4294967295u)["columns"], "a,b,c");

    EXPECT_EQ(block["seed"], 4294967295u);
    std::size_t keyed = 0;
    for (const Parameter& row : parameter_table()) {
        if (!row.settings_key.empty()) {
            ++keyed;
            EXPECT_EQ(block["parameters"][std::string(row.settings_key)], texts[row.id])
                << row.settings_key;
        }
    }
    EXPECT_EQ(block["parameters"].size(), keyed);
    ASSERT_EQ(block["data"].size(), 2u);
    EXPECT_EQ(block["data"][0]["role"], "training");
    EXPECT_EQ(block["data"][0]["file"], training);
    EXPECT_EQ(block["data"][0]["sha256"], sha256_hex("1 2 3 4\n"));
    EXPECT_EQ(block["data"][1]["role"], "validation");
    EXPECT_FALSE(block["data"][1].contains("sha256"));
}

TEST(ProgramIo, SavedRunProgramComesBackWithItsNamesAndMeasures) {
    const TempFolder folder;
    testing::Checks all{};
    all.fill(true);
    const Tproblem_setting setting = testing::setting_for(all, "37");
    std::mt19937 rng(11);
    const auto gene = testing::grow_gene(rng, setting, 60);
    const std::vector<std::filesystem::path> inputs = {folder.write("train.txt", "")};
    for (const std::optional<double> validation :
         {std::optional<double>(17), std::optional<double>()}) {
        Program program =
            program_of_run(setting.node_table_view(), gene, "u", "v", "class", 0.25, validation);
        program.provenance = {{"seed", 3}};
        save_program_file(folder.path / "p.json", program, inputs);
        const Program back = load_program_file(folder.path / "p.json");
        EXPECT_EQ(back.nodes.size(), gene.size());
        EXPECT_EQ(back.input1_name, "u");
        EXPECT_EQ(back.input2_name, "v");
        EXPECT_EQ(back.output_name, "class");
        EXPECT_EQ(back.training_fitness, 0.25);
        EXPECT_EQ(back.validation_count, validation);
        EXPECT_EQ(back.provenance, program.provenance);
    }
}

TEST(ProgramIo, RefusalsNameTheFileAndTheReason) {
    const TempFolder folder;
    struct Case {
        std::filesystem::path file;
        std::string reason;
    };
    const std::vector<Case> cases = {
        {folder.path / "missing.json", "No such file or directory"},
        {folder.path, "Is a directory"},
        {folder.write("half.json", "{\"format\": "), "not JSON"},
        {folder.write("other.json", "{\"format\": \"png\"}"), "not a program file"},
    };
    for (const Case& c : cases) {
        try {
            (void)load_program_file(c.file);
            ADD_FAILURE() << c.file << " was read";
        } catch (const MessageError& e) {
            EXPECT_EQ(e.message().id, MessageId::program_file_refused);
            EXPECT_EQ(e.message().args[0], c.file.string());
            EXPECT_NE(e.message().args[1].find(c.reason), std::string::npos) << e.what();
        }
    }

    Program program;
    program.nodes = {{OpCode::constant, 1}};
    const std::vector<std::filesystem::path> inputs = {folder.write("data.txt", "1 2 3 4\n")};
    EXPECT_THROW(save_program_file(inputs[0], program, inputs), FileWriteError);
    program.training_fitness = std::nan("");
    try {
        save_program_file(folder.path / "nan.json", program, inputs);
        ADD_FAILURE() << "a NaN fitness was written";
    } catch (const MessageError& e) {
        EXPECT_EQ(e.message().id, MessageId::file_not_written);
    }
    EXPECT_FALSE(std::filesystem::exists(folder.path / "nan.json"));
}

}  // namespace
}  // namespace vorn
