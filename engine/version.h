#pragma once
// What built this program, as records, program files and --version name it.
#include <string>
#include <string_view>

namespace vorn {

// "vorn 1.0.0", with " (git <commit>)" when built from a checkout.
[[nodiscard]] std::string_view version_text();
// The compiler that built the program, e.g. "g++ 12.2.0".
[[nodiscard]] std::string compiler_version();
// The C library the program runs with, e.g. "glibc 2.36".
[[nodiscard]] std::string libc_version();

}  // namespace vorn
