#pragma once
// What the runner does with program files: saving a run's best program, and
// the modes that score, evaluate or export a saved one.
#include <csignal>
#include <cstdint>
#include <filesystem>
#include <ostream>
#include <span>

#include "cli/cli_options.h"
#include "cli/console_front_end.h"
#include "engine/prepare_run.h"

namespace vorn {

// Writes the program the run printed last (or, as --save-which asks, the one
// printed as best validation), with where it came from. Throws
// MessageError (FileWriteError among them) when it cannot be written.
void save_run_program(const CliOptions& options, const PreparedRun& run,
                      const ConsoleFrontEnd& front_end, std::uint32_t seed,
                      std::span<const std::filesystem::path> inputs);

// The modes; each throws MessageError when the program file, or the points,
// cannot be read, and returns the exit status otherwise. A stop signal
// (`stop`, may be null) ends scoring before its next file and prediction at
// its next read or block, with whole lines written, a message on `err` and
// exit_signal_base + the signal, as it ends a run.
[[nodiscard]] int score_mode(const CliOptions& options, std::ostream& out, std::ostream& err,
                             const volatile std::sig_atomic_t* stop);
[[nodiscard]] int predict_mode(const CliOptions& options, std::ostream& out, std::ostream& err,
                               int input_fd, const volatile std::sig_atomic_t* stop);
[[nodiscard]] int export_mode(const CliOptions& options, std::ostream& out);
// Writes the simplified program and prints "N -> M nodes, written to FILE".
[[nodiscard]] int simplify_mode(const CliOptions& options, std::ostream& out);

}  // namespace vorn
