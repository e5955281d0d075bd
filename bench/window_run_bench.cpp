#include "bench/window_run_bench.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/data_bench.h"
#include "problem/file_writer.h"

namespace vorn::bench {

#ifdef VORN_WINDOW_PATH

namespace {

constexpr int rounds = 3;

// The fastest of a few rounds: the machine's noise only ever adds time.
double best_seconds(const std::vector<std::string>& command) {
    double best = 1e9;
    for (int round = 0; round < rounds; ++round) {
        const ChildRun run = run_child(command);
        if (run.status != 0) {
            std::printf("failed (exit %d): %s\n", run.status, run.output.c_str());
            return 1e9;
        }
        best = std::min(best, run.seconds);
    }
    return best;
}

}  // namespace

void print_window_run_figures() {
    const TempFolder folder;
    const std::string data = std::string(VORN_DATA_DIR) + "/two_spirals.txt";
    std::printf(
        "\n7. A run in the window (offscreen, --start --quit-after-run) against the runner: "
        "default settings on the two spirals, seed 1, whole processes, best of %d; the time of 1 "
        "generation is taken from that of 300 to leave out start-up\n",
        rounds);
    const auto window_seconds = [&](const char* generations) {
        const std::string settings = (folder.path() / generations).string() + ".vornsettings";
        write_file(settings,
                   std::string("format = vorn-settings 1\ngenerations = ") + generations +
                       "\nseed = 1\ntraining = " + data + "\n",
                   {});
        // The window's recent files go into the folder, not the user's settings.
        return best_seconds({"/usr/bin/env", "QT_QPA_PLATFORM=offscreen",
                             "XDG_CONFIG_HOME=" + folder.path().string(), VORN_WINDOW_PATH,
                             "--settings", settings, "--start", "--quit-after-run"});
    };
    const auto runner_seconds = [&](const char* generations) {
        return best_seconds(
            {VORN_RUN_PATH, data, "--seed", "1", "--generations", generations, "--quiet"});
    };
    const double window = window_seconds("300") - window_seconds("1");
    const double runner = runner_seconds("300") - runner_seconds("1");
    std::printf("window %.3f s   runner %.3f s   ratio %.2f\n\n", window, runner, window / runner);
    std::printf("window run over runner run: %.2f x (target <= 1.50 x) %s\n", window / runner,
                window <= 1.5 * runner ? "met" : "NOT MET");
}

#else

void print_window_run_figures() {
    std::printf("\n7. A run in the window: not measured, the window is not built\n");
}

#endif

}  // namespace vorn::bench
