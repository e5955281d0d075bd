#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include "cli/run_cli.h"

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    return vorn::run_cli(args, std::cout, std::cerr, isatty(STDERR_FILENO) == 1);
}
