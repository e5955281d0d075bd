#include "bench/predict_bench.h"

#include <array>
#include <charconv>
#include <cstdio>
#include <random>
#include <string>

#include "bench/data_bench.h"
#include "problem/file_writer.h"

namespace vorn::bench {

namespace {

constexpr int points = 1'000'000;

std::string fixed(double value, int decimals) {
    std::array<char, 64> text{};
    const auto end = std::to_chars(text.data(), text.data() + text.size(), value,
                                   std::chars_format::fixed, decimals)
                         .ptr;
    return std::string(text.data(), end);
}

// Random points over the spirals' box, in the shortest texts of their doubles.
std::filesystem::path write_points(const std::filesystem::path& folder) {
    std::mt19937_64 rng(17);
    std::uniform_real_distribution<double> coordinate(-7, 7);
    std::string text;
    std::array<char, 32> number{};
    for (int i = 0; i < points; ++i) {
        for (const char after : {' ', '\n'}) {
            text.append(
                number.data(),
                std::to_chars(number.data(), number.data() + number.size(), coordinate(rng)).ptr);
            text += after;
        }
    }
    const auto path = folder / "points.txt";
    write_file(path, text, {});
    return path;
}

void limit_line(const std::string& name, double value, double limit, const char* unit) {
    std::printf("%s: %s %s (target <= %s %s) %s\n", name.c_str(), fixed(value, 2).c_str(), unit,
                fixed(limit, 2).c_str(), unit, value <= limit ? "met" : "NOT MET");
}

}  // namespace

void print_predict_figures() {
    const TempFolder folder;
    std::printf("\n6. Predictions (the runner in a process of its own)\n");
    // The program a default run on the spirals ends with.
    const std::string program = (folder.path() / "spirals.json").string();
    const ChildRun made = run_child({VORN_RUN_PATH, std::string(VORN_DATA_DIR) + "/two_spirals.txt",
                                     "--seed", "1", "--quiet", "--save-program", program});
    if (made.status != 0) {
        std::printf("no program to predict with: %s\n", made.output.c_str());
        return;
    }
    const std::string points_file = write_points(folder.path()).string();
    // Through the shell only to send the lines to /dev/null; exec leaves the
    // runner as the measured process.
    const ChildRun predicted = run_child({"/bin/sh", "-c",
                                          "exec '" + std::string(VORN_RUN_PATH) + "' --predict '" +
                                              program + "' '" + points_file + "' >/dev/null"});
    std::printf(
        "vorn-run --predict, a million points, the spirals' 77-node program: exit %d, %s s, "
        "%s MiB\n",
        predicted.status, fixed(predicted.seconds, 3).c_str(),
        fixed(predicted.peak_mib, 1).c_str());
    std::printf("\n");
    limit_line("predicting a million points, time", predicted.status == 0 ? predicted.seconds : 1e9,
               1.0, "s");
    limit_line("predicting a million points, peak memory", predicted.peak_mib, 20.0, "MiB");
}

}  // namespace vorn::bench
