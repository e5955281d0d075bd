// Labelled CSV files in the runner: --columns and --positive, the counts line
// on stderr, and the same run as the equivalent data file.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <sstream>
#include <string>
#include <vector>

#include "cli/cli_options.h"
#include "cli/run_cli.h"
#include "problem/number_text.h"
#include "tests/cli/cli_run.h"
#include "tests/temp_folder.h"

namespace vorn {
namespace {

using testing::TempFolder;

using Result = testing::CliResult;
using testing::usage_error;

Result run(const std::vector<std::string>& args) {
    return testing::run_runner(args);
}

// Five positives and two negatives, in the order of the equivalent file's rows.
const std::string unequal_csv =
    "\xEF\xBB\xBF"
    "kind,\"x pos\",y\r\n"
    "in,0.5,0.25\r\n"
    "out,-1.25,3\r\n"
    "in,1e-3,-2\r\n"
    "in,7,8\r\n"
    "out,0.1,0.2\r\n"
    "in,3.14159265,-9\r\n"
    "\" in \",100,200\r\n";
const std::string equivalent_data =
    "0.5 0.25 -1.25 3\n"
    "1e-3 -2 0.1 0.2\n"
    "7 8 -1.25 3\n"
    "3.14159265 -9 0.1 0.2\n"
    "100 200 -1.25 3\n";

TEST(CsvOptions, ParseAndRefuseAsUsage) {
    const CliOptions o =
        parse_cli(std::vector<std::string>{"t.csv", "--columns", "a, b ,3", "--positive=yes"});
    EXPECT_EQ(o.columns, "a, b ,3");
    EXPECT_EQ(o.positive, "yes");
    EXPECT_FALSE(parse_cli(std::vector<std::string>{"t.csv"}).columns);
    // A CSV validation file is enough.
    EXPECT_EQ(
        parse_cli(std::vector<std::string>{"t.txt", "--validation", "v.CSV", "--positive", "1"})
            .positive,
        "1");
    const struct {
        std::vector<std::string> args;
        std::string message;
    } cases[] = {
        {{"t.csv", "--columns", "a,b"}, "--columns takes three columns X,Y,LABEL"},
        {{"t.csv", "--columns", "a,,c"}, "--columns takes comma-separated columns"},
        {{"--predict", "p", "t.csv", "--columns", "a,b,c"}, "--predict takes --columns X,Y"},
        {{"--predict", "p", "t.csv", "--positive", "a"}, "--predict takes no --positive"},
        {{"--score", "p", "t.txt", "--positive", "a"}, "--positive applies to .csv"},
        {{"t.csv", "--columns"}, "--columns needs a value (X,Y,LABEL)"},
        {{"t.txt", "--columns", "1,2,3"}, "--columns applies to .csv files only"},
        {{"t.txt", "--positive", "a"}, "--positive applies to .csv files only"},
        {{"t.txt", "--validation", "v.txt", "--positive", "a"}, "--positive applies to .csv"},
    };
    for (const auto& c : cases) {
        EXPECT_TRUE(usage_error(c.args).starts_with(c.message)) << usage_error(c.args);
    }
    const std::string help = help_text();
    EXPECT_NE(help.find("--columns X,Y,LABEL"), std::string::npos);
    EXPECT_NE(help.find("--positive VALUE"), std::string::npos);
    // Listed with the data options, before the population's.
    EXPECT_LT(help.find("--positive VALUE"), help.find("\nPopulation:"));
}

std::vector<std::string> small_run(const std::string& file, std::vector<std::string> extra = {}) {
    std::vector<std::string> args = {file, "--population-size", "40", "--generations",
                                     "4",  "--num-constants",   "50", "--seed",
                                     "1"};
    args.insert(args.end(), extra.begin(), extra.end());
    return args;
}

TEST(CsvRuns, SameStdoutAsTheEquivalentDataFile) {
    const TempFolder folder;
    const std::string csv = folder.write("set.csv", unequal_csv);
    const std::string data = folder.write("set.txt", equivalent_data);
    // The header names the inputs unless names are given: "x pos" and "y".
    const Result from_data = run(small_run(data, {"--input1", "x pos"}));
    ASSERT_EQ(from_data.code, exit_done) << from_data.err;
    const Result named = run(small_run(csv, {"--input1", "u", "--input2", "v"}));
    EXPECT_EQ(named.out, run(small_run(data, {"--input1", "u", "--input2", "v"})).out);
    // The counts name the choice, by header name whichever way it was given.
    const std::string counts =
        "5 positive, 2 negative \xE2\x86\x92 5 rows, negatives cycled (columns \"x pos,y,kind\", "
        "positive \"in\")";
    for (const auto& extra : std::vector<std::vector<std::string>>{
             {},
             {"--columns", "x pos,y,kind"},
             {"--columns", "2,3,1", "--positive", "in"},
         }) {
        const Result from_csv = run(small_run(csv, extra));
        ASSERT_EQ(from_csv.code, exit_done) << from_csv.err;
        EXPECT_EQ(from_csv.out, from_data.out);
        EXPECT_EQ(from_csv.err, csv + ": " + counts + "\n");
    }
    // Validation too; --quiet keeps stderr empty.
    const Result both = run(small_run(csv, {"--validation", csv, "--quiet"}));
    ASSERT_EQ(both.code, exit_done) << both.err;
    EXPECT_EQ(both.err, "");
    EXPECT_EQ(both.out,
              run(small_run(data, {"--validation", data, "--quiet", "--input1", "x pos"})).out);
    // The other class as the positive one: the counts swap.
    const Result swapped = run(small_run(csv, {"--positive", "out", "--quiet"}));
    EXPECT_EQ(swapped.code, exit_done) << swapped.err;
    const Result validated = run(small_run(data, {"--validation", csv, "--positive", "out"}));
    EXPECT_EQ(validated.err, csv +
                                 ": 2 positive, 5 negative \xE2\x86\x92 5 rows, positives cycled "
                                 "(columns \"x pos,y,kind\", positive \"out\")\n");
}

// The validation file is read by the training file's columns, by header
// name, and its label: not by its own column order or first row.
TEST(CsvRuns, ValidationIsReadByTheTrainingFilesChoice) {
    const TempFolder folder;
    const std::string csv = folder.write("set.csv", unequal_csv);
    const std::string reordered = folder.write("other.csv",
                                               "y,kind,x pos\n"
                                               "3,out,-1.25\n"
                                               "0.25,in,0.5\n"
                                               "-2,in,1e-3\n"
                                               "8,in,7\n"
                                               "0.2,out,0.1\n"
                                               "-9,in,3.14159265\n"
                                               "200,\" in \",100\n");
    const std::string missing = folder.write("bare.csv", "1,2,in\n3,4,out\n");
    const Result same = run(small_run(csv, {"--validation", csv}));
    ASSERT_EQ(same.code, exit_done) << same.err;
    const Result other = run(small_run(csv, {"--validation", reordered}));
    ASSERT_EQ(other.code, exit_done) << other.err;
    EXPECT_EQ(other.out, same.out);
    EXPECT_NE(other.err.find("other.csv: 5 positive, 2 negative"), std::string::npos) << other.err;
    // A file without the training file's header names is refused.
    const Result refused = run(small_run(csv, {"--validation", missing}));
    EXPECT_EQ(refused.code, exit_refused);
    EXPECT_NE(refused.err.find("bare.csv"), std::string::npos) << refused.err;
}

// A program file keeps the columns and label its run read, so --score reads
// another file as the run read its validation data: the same count, whatever
// the file's column order or first row; --columns and --positive override.
TEST(CsvRuns, ScoreReadsByTheProgramsChoice) {
    const TempFolder folder;
    const std::string train =
        folder.write("train.csv",
                     "mean radius,mean texture,diagnosis\n1,2,malignant\n-1,-2,benign\n"
                     "2,1,malignant\n-2,-1,benign\n0.5,0.5,malignant\n3,-3,benign\n");
    const std::string valid =
        folder.write("valid.csv",
                     "diagnosis,mean texture,mean radius\nbenign,-1,-1\nbenign,2,-3\n"
                     "malignant,1,1\nbenign,-2,2\nmalignant,0.5,-0.5\n");
    const std::string fixed = folder.write("valid-ordered.csv",
                                           "mean radius,mean texture,diagnosis\n-1,-1,benign\n"
                                           "-3,2,benign\n1,1,malignant\n2,-2,benign\n"
                                           "-0.5,0.5,malignant\n");
    const std::string program = (folder.path / "p.json").string();
    ASSERT_EQ(run(small_run(train, {"--columns", "mean radius,mean texture,diagnosis", "--positive",
                                    "malignant", "--save-program", program, "--quiet"}))
                  .code,
              exit_done);
    const Result reordered = run({"--score", program, valid});
    const Result ordered = run({"--score", program, fixed});
    ASSERT_EQ(reordered.code, exit_done) << reordered.err;
    ASSERT_EQ(ordered.code, exit_done) << ordered.err;
    const auto counts = [](const std::string& line) { return line.substr(line.find(" rows=")); };
    EXPECT_EQ(counts(reordered.out), counts(ordered.out));
    const Result other = run({"--score", program, valid, "--positive", "benign"});
    EXPECT_NE(counts(other.out), counts(ordered.out));
}

// --score-format gives scripts the figures of the line: a CSV header and a
// row per file, or a JSON object per file, the same numbers in each.
TEST(CsvRuns, ScoreFormatsHoldTheLinesFigures) {
    const TempFolder folder;
    const std::string data = folder.write("set.txt", equivalent_data);
    const std::string program = (folder.path / "p.json").string();
    ASSERT_EQ(run(small_run(data, {"--quiet", "--save-program", program})).code, exit_done);
    const std::string line = run({"--score", program, data}).out;
    const auto csv =
        testing::lines_of(run({"--score", program, data, data, "--score-format", "csv"}).out);
    ASSERT_EQ(csv.size(), 3U);
    const nlohmann::json object = nlohmann::json::parse(
        testing::lines_of(run({"--score", program, data, "--score-format", "json"}).out).at(0));
    std::vector<std::string> names;
    std::stringstream header(csv[0]);
    for (std::string name; std::getline(header, name, ',');) {
        names.push_back(name);
    }
    ASSERT_EQ(names.front(), "file");
    std::stringstream row(csv[1].substr(csv[1].rfind('"') + 2));
    for (std::size_t i = 1; i < names.size(); ++i) {
        std::string value;
        std::getline(row, value, ',');
        SCOPED_TRACE(names[i]);
        EXPECT_NE(line.find(" " + names[i] + "=" + value), std::string::npos) << line;
        EXPECT_EQ(general_text(object.at(names[i]).get<double>()), value);
    }
    EXPECT_EQ(object.at("file"), data);
    EXPECT_EQ(run({data, "--score-format", "csv"}).code, exit_usage);
    EXPECT_EQ(run({"--score", program, data, "--score-format", "xml"}).code, exit_usage);
}

// --score counts a CSV file's points each once, and its rows and fraction as
// a run reads them; --predict reads the points of two of its columns, as
// from the equivalent files.
TEST(CsvRuns, ScoreAndPredictReadCsvFiles) {
    const TempFolder folder;
    const std::string csv = folder.write("set.csv", unequal_csv);
    const std::string data = folder.write("set.txt", equivalent_data);
    const std::string program = folder.path.string() + "/p.json";
    ASSERT_EQ(run(small_run(data, {"--quiet", "--save-program", program})).code, 0);
    const Result scored =
        run({"--score", program, csv, "--columns", "x pos,y,kind", "--positive", "in"});
    ASSERT_EQ(scored.code, 0) << scored.err;
    const Result expected = run({"--score", program, data});
    const auto field = [](const std::string& line, const std::string& name) {
        const auto start = line.find(" " + name + "=") + name.size() + 2;
        return line.substr(start, line.find(' ', start) - start);
    };
    for (const char* same : {"rows", "fraction", "TP", "FN"}) {
        EXPECT_EQ(field(scored.out, same), field(expected.out, same)) << same;
    }
    // Two negative points, not the five rows that cycle them.
    EXPECT_EQ(std::stoi(field(scored.out, "FP")) + std::stoi(field(scored.out, "TN")), 2);

    const std::string points = folder.write("points.txt",
                                            "0.5 0.25\n-1.25 3\n1e-3 -2\n7 8\n0.1 "
                                            "0.2\n3.14159265 -9\n100 200\n");
    const Result predicted = run({"--predict", program, csv, "--columns", "2,3"});
    ASSERT_EQ(predicted.code, 0) << predicted.err;
    EXPECT_EQ(predicted.out, run({"--predict", program, points}).out);
}

TEST(CsvRuns, RefusedFilesAndColumnsExitWithOne) {
    const TempFolder folder;
    const std::string csv = folder.write("set.csv", unequal_csv);
    const std::string bad = folder.write("bad.csv", "x,y,c\n1,2,a\n3,q,b\n");
    const struct {
        std::vector<std::string> extra;
        std::string file;
        std::string message;
    } cases[] = {
        {{"--columns", "x,y,kind"}, csv, ": no column is named \"x\" (the first row holds"},
        {{"--columns", "2,3,9"}, csv, ": no column 9 (the file has 3, numbered from 1)."},
        {{"--positive", "maybe"}, csv, ": no data row has the positive label \"maybe\""},
        {{}, bad, ", line 3: column 2 (\"y\"): \"q\" is not a number."},
    };
    for (const auto& c : cases) {
        const Result result = run(small_run(c.file, c.extra));
        EXPECT_EQ(result.code, exit_refused);
        EXPECT_EQ(result.out, "");
        EXPECT_TRUE(result.err.starts_with(c.file + c.message)) << result.err;
    }
    EXPECT_EQ(run(small_run(folder.path.string() + "/set.txt", {"--columns", "1,2,3"})).code,
              exit_usage);
}

}  // namespace
}  // namespace vorn
