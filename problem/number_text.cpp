#include "problem/number_text.h"

#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

namespace vorn {

namespace {

// ---------------------------------------------------------------------------
// Text to number

enum class ParseStatus { ok, not_number, out_of_range };

[[nodiscard]] bool is_blank(char c) {
    return c == ' ' || c == '\t';
}
[[nodiscard]] bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

[[nodiscard]] std::string_view trim_blanks(std::string_view text) {
    while (!text.empty() && is_blank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && is_blank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

// Returns the index just past a run of digits starting at `pos`.
[[nodiscard]] std::size_t skip_digits(std::string_view text, std::size_t pos) {
    while (pos < text.size() && is_digit(text[pos])) {
        ++pos;
    }
    return pos;
}

// Checks the decimal grammar ourselves, because from_chars also takes "nan",
// "inf" and similar words that are not numbers here.
[[nodiscard]] bool is_decimal_text(std::string_view text) {
    std::size_t pos = 0;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        ++pos;
    }
    const std::size_t int_end = skip_digits(text, pos);
    std::size_t digit_count = int_end - pos;
    pos = int_end;
    if (pos < text.size() && text[pos] == '.') {
        const std::size_t frac_end = skip_digits(text, pos + 1);
        digit_count += frac_end - (pos + 1);
        pos = frac_end;
    }
    if (digit_count == 0) {
        return false;
    }
    if (pos < text.size() && (text[pos] == 'e' || text[pos] == 'E')) {
        ++pos;
        if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
            ++pos;
        }
        const std::size_t exp_end = skip_digits(text, pos);
        if (exp_end == pos) {
            return false;
        }
        pos = exp_end;
    }
    return pos == text.size();
}

template <typename T>
[[nodiscard]] ParseStatus parse_decimal(std::string_view text, T& value) {
    text = trim_blanks(text);
    if (!is_decimal_text(text)) {
        return ParseStatus::not_number;
    }
    // from_chars refuses a leading "+"; the grammar check above already made
    // sure a digit or "." follows it.
    if (text.front() == '+') {
        text.remove_prefix(1);
    }
    const char* last = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), last, value, std::chars_format::general);
    if (ec == std::errc::result_out_of_range) {
        return ParseStatus::out_of_range;
    }
    if (ec != std::errc{} || ptr != last) {
        return ParseStatus::not_number;
    }
    return ParseStatus::ok;
}

// ---------------------------------------------------------------------------
// Number to text

// A finite value as significant decimal digits: d1.d2d3... x 10^exponent.
// `digits` has no leading or trailing zeros and is empty for zero.
struct Decimal {
    bool negative = false;
    std::string digits;
    int exponent = 0;
};

void strip_trailing_zeros(Decimal& decimal) {
    while (!decimal.digits.empty() && decimal.digits.back() == '0') {
        decimal.digits.pop_back();
    }
}

// Digits after the point that `value` needs in scientific form to be written
// exactly. A value m * 2^k (m below 2^bits) with k < 0 is an integer times
// 10^k, with at most bits*log10(2) + (-k)*log10(5) + 1 significant digits.
template <typename T>
[[nodiscard]] int exact_precision(T value) {
    int binary_exponent = 0;
    static_cast<void>(std::frexp(value, &binary_exponent));
    constexpr int bits = std::numeric_limits<T>::digits;
    const int lowest_bit = binary_exponent - bits;
    double significant = 0.0;
    if (lowest_bit >= 0) {
        significant = binary_exponent * 0.30103 + 1.0;
    } else {
        significant = bits * 0.30103 + (-lowest_bit) * 0.69898 + 1.0;
    }
    return static_cast<int>(significant) + 2;
}

// The leading `max_digits` digits of a finite value's exact decimal expansion
// (cut off, not rounded). Rounding half away from zero to fewer digits looks
// only at the first dropped digit, so nothing further is needed.
template <typename T>
[[nodiscard]] Decimal exact_decimal(T value, std::size_t max_digits) {
    Decimal result;
    result.negative = std::signbit(value);
    if (value == 0) {
        return result;
    }
    const int precision = exact_precision(value);
    // Sized for the longest possible text, so to_chars cannot run out of room;
    // most values fit the buffer on the stack.
    const auto needed = static_cast<std::size_t>(precision) + 32;
    std::array<char, 192> small_buffer{};
    std::string large_buffer;
    char* first = small_buffer.data();
    if (needed > small_buffer.size()) {
        large_buffer.resize(needed);
        first = large_buffer.data();
    }
    const auto [end, ec] =
        std::to_chars(first, first + needed, value, std::chars_format::scientific, precision);
    std::string_view text(first, ec == std::errc{} ? static_cast<std::size_t>(end - first) : 0);
    if (!text.empty() && text.front() == '-') {
        text.remove_prefix(1);
    }
    const std::size_t e_pos = text.find('e');
    if (e_pos == std::string_view::npos) {
        return result;
    }
    const std::size_t last_digit = text.substr(0, e_pos).find_last_not_of("0.");
    for (char c : text.substr(0, last_digit + 1)) {
        if (result.digits.size() == max_digits) {
            break;
        }
        if (c != '.') {
            result.digits.push_back(c);
        }
    }
    strip_trailing_zeros(result);
    std::string_view exponent_text = text.substr(e_pos + 1);
    if (!exponent_text.empty() && exponent_text.front() == '+') {
        exponent_text.remove_prefix(1);
    }
    static_cast<void>(std::from_chars(
        exponent_text.data(), exponent_text.data() + exponent_text.size(), result.exponent));
    return result;
}

// Keeps `keep` leading digits, half away from zero. The digits are those of
// the exact expansion, so a dropped part starting with 5 is at least half a
// unit: round the magnitude up.
void keep_digits(Decimal& decimal, int keep) {
    if (keep < 0) {
        decimal.digits.clear();
        return;
    }
    const auto count = static_cast<std::size_t>(keep);
    if (count >= decimal.digits.size()) {
        return;
    }
    const bool round_up = decimal.digits[count] >= '5';
    decimal.digits.resize(count);
    if (round_up) {
        while (!decimal.digits.empty() && decimal.digits.back() == '9') {
            decimal.digits.pop_back();
        }
        if (decimal.digits.empty()) {
            decimal.digits.push_back('1');
            ++decimal.exponent;
        } else {
            ++decimal.digits.back();
        }
    }
    strip_trailing_zeros(decimal);
}

void round_significant(Decimal& decimal, int significant) {
    keep_digits(decimal, significant);
}

void round_decimals(Decimal& decimal, int decimals) {
    if (!decimal.digits.empty()) {
        keep_digits(decimal, decimal.exponent + 1 + decimals);
    }
}

[[nodiscard]] bool is_zero(const Decimal& decimal) {
    return decimal.digits.empty();
}

// Fixed notation; `decimals` pads the fraction to that many digits, or -1 for
// only the digits there are. A value that is zero is written without sign.
[[nodiscard]] std::string fixed_text(const Decimal& decimal, int decimals) {
    std::string text;
    if (decimal.negative && !is_zero(decimal)) {
        text.push_back('-');
    }
    const std::string& digits = decimal.digits;
    std::string fraction;
    if (is_zero(decimal)) {
        text.push_back('0');
    } else if (decimal.exponent >= 0) {
        const auto int_count = static_cast<std::size_t>(decimal.exponent) + 1;
        if (digits.size() <= int_count) {
            text += digits;
            text.append(int_count - digits.size(), '0');
        } else {
            text.append(digits, 0, int_count);
            fraction = digits.substr(int_count);
        }
    } else {
        text.push_back('0');
        fraction.assign(static_cast<std::size_t>(-decimal.exponent - 1), '0');
        fraction += digits;
    }
    if (decimals >= 0 && fraction.size() < static_cast<std::size_t>(decimals)) {
        fraction.append(static_cast<std::size_t>(decimals) - fraction.size(), '0');
    }
    if (!fraction.empty()) {
        text.push_back('.');
        text += fraction;
    }
    return text;
}

// "1.5E-6" form: first digit, the others after a point, "E" and the exponent.
[[nodiscard]] std::string scientific_text(const Decimal& decimal) {
    std::string text;
    if (decimal.negative) {
        text.push_back('-');
    }
    text.push_back(decimal.digits.front());
    if (decimal.digits.size() > 1) {
        text.push_back('.');
        text.append(decimal.digits, 1);
    }
    text.push_back('E');
    text += std::to_string(decimal.exponent);
    return text;
}

template <typename T>
[[nodiscard]] std::string non_finite_text(T value) {
    if (std::isnan(value)) {
        return "nan";
    }
    return value < 0 ? "-inf" : "inf";
}

}  // namespace

std::optional<double> parse_real(std::string_view text) {
    double value = 0.0;
    if (parse_decimal(text, value) != ParseStatus::ok) {
        return std::nullopt;
    }
    return value;
}

std::optional<float> parse_float32(std::string_view text) {
    // Parsed straight into a float so the decimal text is rounded only once.
    float value = 0.0F;
    if (parse_decimal(text, value) != ParseStatus::ok) {
        return std::nullopt;
    }
    return value;
}

std::optional<std::int32_t> parse_int(std::string_view text) {
    text = trim_blanks(text);
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
        if (!text.empty() && text.front() == '-') {
            return std::nullopt;
        }
    }
    const std::size_t digits_start = !text.empty() && text.front() == '-' ? 1 : 0;
    if (digits_start == text.size() || skip_digits(text, digits_start) != text.size()) {
        return std::nullopt;
    }
    std::int32_t value = 0;
    const char* last = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), last, value);
    if (ec != std::errc{} || ptr != last) {
        return std::nullopt;
    }
    return value;
}

std::string cell_text(float value) {
    if (!std::isfinite(value)) {
        return non_finite_text(value);
    }
    Decimal decimal = exact_decimal(value, 7);
    round_significant(decimal, 6);
    if (is_zero(decimal)) {
        return "0";
    }
    if (decimal.exponent >= -4 && decimal.exponent <= 5) {
        return fixed_text(decimal, -1);
    }
    return scientific_text(decimal);
}

std::optional<double> cell_value(float value) {
    if (!std::isfinite(value)) {
        return std::nullopt;
    }
    if (value == 0) {
        return 0.0;  // "0", without the sign of -0
    }
    // to_chars rounds to nearest with ties to even, the cell text ties away
    // from zero. Only an exact tie tells them apart, and it shows as a final
    // 5 among seven correctly rounded digits; those few take the long road.
    std::array<char, 32> buffer{};
    char* const first = buffer.data();
    char* const last = first + buffer.size();
    static_cast<void>(std::to_chars(first, last, value, std::chars_format::scientific, 6));
    const std::size_t seventh_digit = (value < 0 ? 1 : 0) + 7;
    if (buffer[seventh_digit] == '5') {
        return parse_real(cell_text(value));
    }
    const auto [end, ec] = std::to_chars(first, last, value, std::chars_format::scientific, 5);
    double result = 0.0;
    if (ec != std::errc{} || std::from_chars(first, end, result).ec != std::errc{}) {
        return parse_real(cell_text(value));
    }
    return result;
}

std::string constant_label(double value) {
    if (!std::isfinite(value)) {
        return non_finite_text(value);
    }
    Decimal decimal = exact_decimal(value, 3);
    round_significant(decimal, 2);
    if (!is_zero(decimal) && decimal.exponent >= 2) {
        return scientific_text(decimal);
    }
    round_decimals(decimal, 3);
    return fixed_text(decimal, 3);
}

std::string remainder_text(long double value) {
    if (!std::isfinite(value)) {
        return non_finite_text(value);
    }
    Decimal decimal = exact_decimal(value, 3);
    round_significant(decimal, 2);
    round_decimals(decimal, 4);
    return fixed_text(decimal, 4);
}

std::string general_text(double value) {
    if (!std::isfinite(value)) {
        return non_finite_text(value);
    }
    Decimal decimal = exact_decimal(value, 16);
    round_significant(decimal, 15);
    if (is_zero(decimal)) {
        return "0";
    }
    if (decimal.exponent >= -5 && decimal.exponent <= 14) {
        return fixed_text(decimal, -1);
    }
    return scientific_text(decimal);
}

std::string fixed_text(double value, int decimals) {
    std::array<char, 400> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                      std::chars_format::fixed, decimals);
    return {buffer.data(), result.ptr};
}

}  // namespace vorn
