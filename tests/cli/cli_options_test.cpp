#include "cli/cli_options.h"
#include "engine/search_parameters.h"
#include "tests/cli/cli_run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <set>
#include <string>
#include <vector>

namespace vorn {
namespace {

CliOptions parse(std::vector<std::string> args) {
    return parse_cli(args);
}

using testing::usage_error;

TEST(CliOptions, DefaultsAreTheCoreDefaults) {
    const CliOptions options = parse({"data.txt"});
    EXPECT_EQ(options.training_file, "data.txt");
    EXPECT_FALSE(options.validation_file);
    EXPECT_FALSE(options.seed);
    EXPECT_FALSE(options.csv_file);
    EXPECT_FALSE(options.quiet);
    const ParameterTexts defaults;
    for (const Parameter& row : parameter_table()) {
        EXPECT_EQ(options.texts[row.id], defaults[row.id]) << row.control;
    }
    EXPECT_EQ(options.texts[ParamId::output_name], "z");
    EXPECT_EQ(options.texts[ParamId::functions], "+,-,*,/");
}

TEST(CliOptions, EachOptionFillsItsField) {
    const CliOptions o = parse({"--population-size",
                                "30",
                                "--generations=4",
                                "--selection",
                                "tournament",
                                "--tournament-size",
                                "3",
                                "--crossover",
                                "0.6",
                                "--mutation",
                                "0.1",
                                "--one-point-mutation",
                                "0.05",
                                "--elite",
                                "5",
                                "--max-length",
                                "40",
                                "--max-initial-depth",
                                "3",
                                "--function-ratio",
                                "0.4",
                                "--variable-ratio",
                                "0.3",
                                "--constant-range",
                                "-2.5:1e1",
                                "--num-constants",
                                "20",
                                "--functions",
                                " sin , IFLTE,-",
                                "--input1",
                                "u",
                                "--input2",
                                "v",
                                "--output",
                                "class",
                                "--seed",
                                "4294967295",
                                "--csv",
                                "out.csv",
                                "--quiet",
                                "--validation",
                                "valid.txt",
                                "train.txt"});
    EXPECT_EQ(o.training_file, "train.txt");
    EXPECT_EQ(o.validation_file, "valid.txt");
    const ParameterTexts& p = o.texts;
    using I = ParamId;
    const std::vector<std::pair<ParamId, std::string>> expected = {
        {I::population_size, "30"},
        {I::num_generations, "4"},
        {I::selection_method, "tournament"},
        {I::tournament_size, "3"},
        {I::crossover_rate, "0.6"},
        {I::mutation_rate, "0.1"},
        {I::one_point_mutation_rate, "0.05"},
        {I::elite_strategy, "true"},
        {I::elite_percent, "5"},
        {I::max_length, "40"},
        {I::max_initial_depth, "3"},
        {I::function_ratio, "0.4"},
        {I::variable_ratio, "0.3"},
        {I::constant_min, "-2.5"},
        {I::constant_max, "1e1"},
        {I::num_constants, "20"},
        // Check-list order, whatever order the names came in.
        {I::functions, "-,sin,IFLTE"},
        {I::input1_name, "u"},
        {I::input2_name, "v"},
        {I::output_name, "class"},
        {I::use_training_data, "false"}};
    for (const auto& [id, text] : expected) {
        EXPECT_EQ(p[id], text) << parameter(id).control;
    }
    EXPECT_EQ(o.seed, 4294967295U);
    EXPECT_EQ(o.csv_file, "out.csv");
    EXPECT_TRUE(o.quiet);
}

TEST(CliOptions, ValuesStayTextForTheCore) {
    // Not numbers, but only the core may refuse them, naming the field.
    const CliOptions o = parse({"t.txt", "--population-size", "lots", "--crossover", "-0.5",
                                "--constant-range", "a:", "--input1", ""});
    EXPECT_EQ(o.texts[ParamId::population_size], "lots");
    EXPECT_EQ(o.texts[ParamId::crossover_rate], "-0.5");
    EXPECT_EQ(o.texts[ParamId::constant_min], "a");
    EXPECT_EQ(o.texts[ParamId::constant_max], "");
    EXPECT_EQ(o.texts[ParamId::input1_name], "");
}

TEST(CliOptions, EliteSwitchesLastOneWins) {
    EXPECT_FALSE(parse({"t.txt", "--no-elite"}).texts.flag(ParamId::elite_strategy));
    const CliOptions on = parse({"t.txt", "--no-elite", "--elite", "20"});
    EXPECT_TRUE(on.texts.flag(ParamId::elite_strategy));
    EXPECT_EQ(on.texts[ParamId::elite_percent], "20");
    EXPECT_FALSE(
        parse({"t.txt", "--elite", "20", "--no-elite"}).texts.flag(ParamId::elite_strategy));
}

// A preset sets the search options; an option given beside it wins,
// before or after it, and "written" undoes "modern".
TEST(CliOptions, ThePresetGivesWayToOptionsGivenBesideIt) {
    for (const auto& args :
         {std::vector<std::string>{"t.txt", "--search", "modern"},
          std::vector<std::string>{"t.txt", "--holdout", "0.3", "--search", "modern"},
          std::vector<std::string>{"t.txt", "--search", "modern", "--holdout", "0.3"}}) {
        const CliOptions options = parse(args);
        const bool holdout_given = args.size() > 3;
        for (const PresetText& preset : modern_search) {
            const std::string want = preset.id == ParamId::holdout && holdout_given
                                         ? std::string("0.3")
                                         : std::string(preset.text);
            EXPECT_EQ(options.texts[preset.id], want) << args.size();
        }
    }
    const CliOptions written = parse({"t.txt", "--search", "written", "--selection", "random"});
    EXPECT_EQ(written.texts[ParamId::selection_method], "random");
    EXPECT_EQ(written.texts[ParamId::objectives], "error");
    EXPECT_NE(usage_error({"t.txt", "--search", "new"}).find("written or modern"),
              std::string::npos);
}

TEST(CliOptions, BadUsage) {
    EXPECT_EQ(usage_error({"t.txt", "--bogus"}), "unknown option --bogus");
    EXPECT_NE(usage_error({"t.txt", "--selection", "Tournament"}).find("--selection"),
              std::string::npos);
    EXPECT_EQ(usage_error({"t.txt", "-x"}), "unknown option -x");
    EXPECT_EQ(usage_error({}), "no training file given");
    EXPECT_NE(usage_error({"a.txt", "b.txt"}).find("one training file only"), std::string::npos);
    EXPECT_NE(usage_error({"t.txt", "--generations"}).find("needs a value"), std::string::npos);
    EXPECT_NE(usage_error({"t.txt", "--quiet=yes"}).find("takes no value"), std::string::npos);
    EXPECT_NE(usage_error({"t.txt", "--constant-range", "5"}).find("MIN:MAX"), std::string::npos);
    for (const char* seed : {"", "-1", "4294967296", "12x", "1e3"}) {
        EXPECT_NE(usage_error({"t.txt", "--seed", seed}).find("--seed"), std::string::npos) << seed;
    }
}

TEST(CliOptions, FunctionListMustNameKnownFunctions) {
    EXPECT_NE(usage_error({"t.txt", "--functions", "+,exp"}).find("unknown function \"exp\""),
              std::string::npos);
    // The check-list text "ln (abs)" is not the printed name.
    EXPECT_NE(usage_error({"t.txt", "--functions", "ln (abs)"}).find("unknown function"),
              std::string::npos);
    // No function at all is bad usage rather than a silent fall-back to "+".
    for (const char* list : {"", ",", "+,,-", "sin,"}) {
        EXPECT_NE(usage_error({"t.txt", "--functions", list}).find("at least one"),
                  std::string::npos)
            << list;
    }
    CliOptions all = parse({"t.txt", "--functions", "+,-,*,/,sin,cos,tan,ln,log10,IFLTE"});
    EXPECT_EQ(all.texts[ParamId::functions], "+,-,*,/,sin,cos,tan,ln,log10,IFLTE");
}

TEST(CliOptions, ModesTakeTheirOperandsAndNoRunOption) {
    const CliOptions score = parse({"--score", "p.json", "a.txt", "--", "-b.txt"});
    EXPECT_EQ(score.mode, CliMode::score);
    EXPECT_EQ(score.program_file, "p.json");
    EXPECT_EQ(score.score_files, (std::vector<std::string>{"a.txt", "-b.txt"}));
    const CliOptions predict = parse({"--predict=p.json", "-"});
    EXPECT_EQ(predict.mode, CliMode::predict);
    EXPECT_EQ(predict.points_file, "-");
    const CliOptions exported = parse({"p.json", "--export", "python"});
    EXPECT_EQ(exported.mode, CliMode::export_program);
    EXPECT_EQ(exported.export_language, ExportLanguage::python);
    EXPECT_EQ(exported.program_file, "p.json");
    const CliOptions run = parse({"t.txt", "--save-program", "best.json", "--seed", "3"});
    EXPECT_EQ(run.mode, CliMode::run);
    EXPECT_EQ(run.save_program, "best.json");
    EXPECT_FALSE(run.save_which);
    EXPECT_EQ(parse({"t.txt", "--save-program", "b", "--save-which", "best-validation"}).save_which,
              SaveWhich::best_validation);
    EXPECT_EQ(parse({"t.txt", "--save-which=last", "--save-program", "b"}).save_which,
              SaveWhich::last);

    const std::vector<std::pair<std::vector<std::string>, std::string>> refused = {
        {{"--score", "p.json"}, "--score needs at least one data file"},
        {{"--predict", "p.json"}, "--predict needs one file of points"},
        {{"--predict", "p.json", "a", "b"}, "--predict needs one file of points"},
        {{"--export", "c"}, "--export needs one program file"},
        {{"--export", "java", "p.json"}, "--export takes c, python, formula, latex or sympy"},
        {{"--score", "p", "d", "--seed", "1"}, "--score cannot be combined with --seed"},
        {{"--population-size", "5", "--predict", "p", "-"},
         "--predict cannot be combined with --population-size"},
        {{"--export", "c", "p", "--validation", "v"}, "cannot be combined with --validation"},
        {{"--score", "p", "d", "--save-program", "x"}, "cannot be combined with --save-program"},
        {{"--score", "p", "d", "--quiet"}, "cannot be combined with --quiet"},
        {{"--score", "p", "d", "--predict", "p", "-"}, "--score and --predict cannot be combined"},
        {{"--export", "c", "--score", "p", "d"}, "--export and --score cannot be combined"},
        {{"t.txt", "--save-program", "x", "--csv", "x"}, "name the same file"},
        {{"t.txt", "--save-program"}, "--save-program needs a value (FILE)"},
        {{"t.txt", "--save-which", "last"}, "--save-which needs --save-program"},
        {{"t.txt", "--save-program", "b", "--save-which", "first"},
         "--save-which takes last or best-validation (it is \"first\")"},
        {{"--score", "p", "d", "--save-which", "last"}, "cannot be combined with --save-which"},
        {{"--simplify", "p", "q"}, "--simplify takes no operand (\"q\")"},
        {{"--export", "c", "p", "-o", "q"}, "--output-file needs --simplify"},
        {{"--simplify", "p", "--simplified"}, "--simplified needs --export"},
        {{"--export", "c", "p", "--digits", "3"}, "--digits needs --export latex"},
        {{"--export", "latex", "p", "--digits", "18"}, "--digits takes a whole number from 1"},
    };
    for (const auto& [args, message] : refused) {
        EXPECT_NE(usage_error(args).find(message), std::string::npos)
            << args.front() << " ...: " << usage_error(args);
    }
}

TEST(CliOptions, OptionsEndAtDoubleDash) {
    const CliOptions o = parse({"--quiet", "--", "--odd-name.txt"});
    EXPECT_EQ(o.training_file, "--odd-name.txt");
    EXPECT_EQ(parse({"--", "-o"}).training_file, "-o");
    EXPECT_EQ(parse({"--simplify", "p.json", "-o", "q.json"}).output_file, "q.json");
    EXPECT_TRUE(o.quiet);
    // Option values may start with a dash.
    EXPECT_EQ(parse({"t.txt", "--input1", "-u"}).texts[ParamId::input1_name], "-u");
}

TEST(CliOptions, HelpNeedsNoFileAndDocumentsEveryOptionWithDefaults) {
    EXPECT_TRUE(parse({"--help"}).help);
    EXPECT_TRUE(parse({"-h"}).help);
    const std::string help = help_text();
    for (const char* option : {"--validation FILE",
                               "--population-size N",
                               "--generations N",
                               "--selection METHOD",
                               "--tournament-size N",
                               "--crossover RATE",
                               "--mutation RATE",
                               "--one-point-mutation RATE",
                               "--elite PERCENT",
                               "--no-elite",
                               "--max-length N",
                               "--max-initial-depth N",
                               "--function-ratio RATIO",
                               "--variable-ratio RATIO",
                               "--constant-range MIN:MAX",
                               "--num-constants N",
                               "--functions LIST",
                               "--input1 NAME",
                               "--input2 NAME",
                               "--output NAME",
                               "--seed N",
                               "--csv FILE",
                               "--quiet",
                               "--help",
                               "--save-program FILE",
                               "--score PROGRAM",
                               "--predict PROGRAM",
                               "--export LANGUAGE"}) {
        EXPECT_NE(help.find(option), std::string::npos) << option;
    }
    for (const char* shown : {"(default: 1000)", "(default: proportional)", "(default: 0.70)",
                              "(default: -1:1)", "(default: +,-,*,/)", "Exit status"}) {
        EXPECT_NE(help.find(shown), std::string::npos) << shown;
    }
}

// The option names that follow each `prefix` in `text` ("--name" spelled
// with lower-case letters, digits and dashes).
std::set<std::string> options_after(const std::string& text, const std::string& prefix) {
    std::set<std::string> names;
    for (auto at = text.find(prefix); at != std::string::npos; at = text.find(prefix, at + 1)) {
        auto end = at + prefix.size();
        while (end < text.size() &&
               (std::islower(static_cast<unsigned char>(text[end])) != 0 ||
                std::isdigit(static_cast<unsigned char>(text[end])) != 0 || text[end] == '-')) {
            ++end;
        }
        names.insert(text.substr(at + prefix.size(), end - at - prefix.size()));
    }
    return names;
}

// The runner guide's option table lists exactly the runner's options, and for
// each parameter its caption and the default the table gives.
TEST(CliOptions, ReadmeOptionTableAgreesWithTheParameterTable) {
    std::ifstream readme(std::string(VORN_DATA_DIR) + "/../docs/user-guide/runner.md");
    ASSERT_TRUE(readme);
    std::vector<std::string> rows;
    std::string table;
    for (std::string line; std::getline(readme, line);) {
        if (line.starts_with("| `--")) {
            rows.push_back(line);
            table += line + "\n";
        }
    }
    EXPECT_EQ(options_after(table, "`--"), options_after(help_text(), "\n  --"));

    for (const Parameter& row : parameter_table()) {
        if (row.option_form == OptionForm::none) {
            continue;
        }
        const std::string option = "`--" + std::string(row.option);
        const auto found = std::find_if(rows.begin(), rows.end(), [&](const std::string& line) {
            return line.find(option + " ") != std::string::npos ||
                   line.find(option + "`") != std::string::npos;
        });
        ASSERT_NE(found, rows.end()) << option;
        if (row.kind != ParamKind::flag) {
            EXPECT_NE(found->find(row.caption), std::string::npos) << *found;
        }
        if (row.option_shows_default) {
            std::string shown(row.default_text);
            if (row.option_form == OptionForm::pair_low) {
                shown += ":" + std::string(parameter(*row.partner).default_text);
            }
            const std::string last_cell = found->substr(found->rfind(" | "));
            EXPECT_NE(last_cell.find(shown), std::string::npos) << *found;
        }
    }
}

}  // namespace
}  // namespace vorn
