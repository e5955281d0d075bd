// The real vorn-run, started as a process with its output piped.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace vorn {
namespace {

struct Process {
    int code = -1;
    std::string out;
    std::string err;
};

// Runs `vorn-run arguments` through the shell; stderr goes to a file so that
// it is piped too.
Process run_executable(const std::string& arguments) {
    const auto err_path =
        std::filesystem::temp_directory_path() /
        ("vorn-run-stderr-" +
         std::to_string(std::filesystem::file_time_type::clock::now().time_since_epoch().count()));
    const std::string command =
        std::string("'") + VORN_RUN_PATH + "' " + arguments + " 2>'" + err_path.string() + "'";
    Process result;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return result;
    }
    char buffer[4096];
    for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
        result.out.append(buffer, n);
    }
    const int status = pclose(pipe);
    result.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::stringstream err;
    err << std::ifstream(err_path).rdbuf();
    result.err = err.str();
    std::filesystem::remove(err_path);
    return result;
}

TEST(VornRunExecutable, SeededRunsPrintIdenticalOutput) {
    const std::string arguments = std::string("'") + VORN_DATA_DIR +
                                  "/two_spirals.txt' --population-size 200 --generations 5 "
                                  "--seed 1";
    const Process first = run_executable(arguments);
    const Process second = run_executable(arguments);
    ASSERT_EQ(first.code, 0) << first.err;
    EXPECT_EQ(first.err, "");  // piped: no progress bar
    EXPECT_EQ(first.out, second.out);
    EXPECT_NE(first.out.find("\nz="), std::string::npos) << first.out;
    EXPECT_TRUE(first.out.ends_with("\nseed 1\n")) << first.out;
}

TEST(VornRunExecutable, ExitCodes) {
    EXPECT_EQ(run_executable("--help").code, 0);
    const Process usage = run_executable("--population");
    EXPECT_EQ(usage.code, 2);
    EXPECT_NE(usage.err.find("unknown option --population"), std::string::npos);
    EXPECT_EQ(run_executable("/nonexistent/data.txt").code, 1);
}

}  // namespace
}  // namespace vorn
