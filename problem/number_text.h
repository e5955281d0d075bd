#pragma once
// The system's one set of rules for turning texts into numbers and numbers
// into texts. "." is the decimal point whatever the process locale; rounding
// is half away from zero on the value's exact decimal expansion.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vorn {

// Decimal text to double: surrounding blanks ignored, optional sign, digits
// with optional fraction and exponent. NaN, infinities, hex, empty texts and
// out-of-range values are not numbers.
[[nodiscard]] std::optional<double> parse_real(std::string_view text);

// As parse_real, narrowed to a 32-bit float; a value outside the float range
// is not a number.
[[nodiscard]] std::optional<float> parse_float32(std::string_view text);

// Whole-number text to int32 ("1e3" and "2.5" are not whole numbers).
[[nodiscard]] std::optional<std::int32_t> parse_int(std::string_view text);

// Cell text of a loaded 32-bit value: six significant digits, no trailing
// zeros, fixed for 1e-4 <= |rounded| < 1e6, otherwise "1.5E-6" form.
[[nodiscard]] std::string cell_text(float value);

// The number a run reads from a loaded value: parse_real(cell_text(value)),
// made without building the text; none when the value is not finite.
[[nodiscard]] std::optional<double> cell_value(float value);

// Label of a constant: two significant digits, then three decimals, fixed
// ("-0.990"); "1.2E2" form when the rounded integer part has over two digits.
[[nodiscard]] std::string constant_label(double value);

// Remainder label: two significant digits, then four decimals, fixed
// ("0.1300", "-0.1000").
[[nodiscard]] std::string remainder_text(long double value);

// General format: shortest text that reads back as the same double, at most
// 15 significant digits; whole values without decimals ("40", "0.5", "1E20").
[[nodiscard]] std::string general_text(double value);

// Fixed notation with `decimals` decimals, as the tables print figures.
[[nodiscard]] std::string fixed_text(double value, int decimals);

}  // namespace vorn
