#pragma once
// The runner called in-process, as the runner's tests drive it.
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli_options.h"
#include "cli/run_cli.h"

namespace vorn::testing {

struct CliResult {
    int code;
    std::string out;
    std::string err;
};

inline CliResult run_runner(const std::vector<std::string>& args,
                            const CliEnvironment& environment = {}) {
    std::ostringstream out;
    std::ostringstream err;
    const int code = run_cli(args, out, err, environment);
    return {code, out.str(), err.str()};
}

// What parse_cli says of a command line it cannot understand; empty when it can.
inline std::string usage_error(const std::vector<std::string>& args) {
    try {
        (void)parse_cli(args);
    } catch (const UsageError& e) {
        return e.what();
    }
    return "";
}

}  // namespace vorn::testing
