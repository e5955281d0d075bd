#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include "cli/fd_stream.h"
#include "cli/run_cli.h"
#include "cli/stop_signals.h"

int main(int argc, char** argv) {
    vorn::install_stop_signals();
    const std::vector<std::string> args(argv + 1, argv + argc);
    // Not std::cout: the runner must know why a write to stdout failed.
    vorn::FdOutputStream out(STDOUT_FILENO);
    return vorn::run_cli(args, out, std::cerr,
                         vorn::CliEnvironment{.err_is_terminal = isatty(STDERR_FILENO) == 1,
                                              .stop_signal = &vorn::stop_signal()});
}
