#pragma once
// Switches the process to a comma-decimal locale for one test, so the test
// can show that number texts do not depend on it; back to "C" at its end.
#include <clocale>

namespace vorn::testing {

struct GermanNumbers {
    GermanNumbers() = default;
    GermanNumbers(const GermanNumbers&) = delete;
    GermanNumbers& operator=(const GermanNumbers&) = delete;
    ~GermanNumbers() { std::setlocale(LC_ALL, "C"); }
    const bool set = std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
};

}  // namespace vorn::testing
