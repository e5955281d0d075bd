#pragma once
// Checks shared by the fuzz targets. A failed check prints what it saw and
// aborts, which libFuzzer records as a finding together with its input.
#include <string_view>

namespace vorn::fuzz {

[[noreturn]] void fail(std::string_view what, std::string_view detail);

inline void check(bool ok, std::string_view what, std::string_view detail) {
    if (!ok) {
        fail(what, detail);
    }
}

// Each text of a value must be the value's exact decimal expansion rounded
// half away from zero as the function promises. The expected text is built
// from glibc's printf, which prints exact expansions, so the oracle shares no
// code with the functions under test.
void check_cell_text(float value);
void check_constant_label(double value);
void check_remainder_text(long double value);
void check_general_text(double value);

}  // namespace vorn::fuzz
