#include "fuzz/text_checks.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>
#include <vector>

#include "problem/number_text.h"

namespace vorn::fuzz {

namespace {

// |value| as significant digits d1.d2d3... x 10^exponent, no trailing zeros;
// empty digits for zero.
struct Digits {
    bool negative = false;
    std::string digits;
    int exponent = 0;
};

// Digits after the point that the exact expansion needs at most: a float has
// at most 112 significant digits, a double 767; the remainders checked here
// are one minus a float, whose lowest bit is no lower than the float's.
constexpr int float_digits = 120;
constexpr int double_digits = 780;

Digits exact_digits(long double value, int precision) {
    Digits d;
    d.negative = std::signbit(value);
    std::vector<char> text(static_cast<std::size_t>(precision) + 64);
    const int n = std::snprintf(text.data(), text.size(), "%.*Le", precision, std::fabs(value));
    const std::string s(text.data(), static_cast<std::size_t>(n));
    const std::size_t e = s.find('e');
    for (std::size_t i = 0; i < e; ++i) {
        if (s[i] != '.') {
            d.digits.push_back(s[i]);
        }
    }
    d.exponent = std::atoi(s.c_str() + e + 1);
    while (!d.digits.empty() && d.digits.back() == '0') {
        d.digits.pop_back();
    }
    return d;
}

// Keeps `keep` leading digits; the rest is at least half a unit exactly when
// its first digit is 5 or more, because the digits are exact.
void keep_leading(Digits& d, int keep) {
    if (static_cast<int>(d.digits.size()) <= keep) {
        return;
    }
    if (keep < 0) {
        d.digits.clear();
        return;
    }
    const bool up = d.digits[static_cast<std::size_t>(keep)] >= '5';
    d.digits.resize(static_cast<std::size_t>(keep));
    if (up) {
        int i = keep - 1;
        while (i >= 0 && d.digits[static_cast<std::size_t>(i)] == '9') {
            d.digits[static_cast<std::size_t>(i)] = '0';
            --i;
        }
        if (i < 0) {
            d.digits.insert(d.digits.begin(), '1');
            d.digits.pop_back();
            ++d.exponent;
            if (d.digits.empty()) {
                d.digits = "1";
            }
        } else {
            ++d.digits[static_cast<std::size_t>(i)];
        }
    }
    while (!d.digits.empty() && d.digits.back() == '0') {
        d.digits.pop_back();
    }
}

void keep_decimals(Digits& d, int decimals) {
    if (!d.digits.empty()) {
        keep_leading(d, d.exponent + 1 + decimals);
    }
}

std::string fixed_form(const Digits& d, int decimals) {
    std::string whole = "0";
    std::string fraction;
    if (!d.digits.empty()) {
        // All digits as an integer scaled by 10^(exponent + 1 - size).
        const int point = d.exponent + 1;  // digits before the point
        if (point <= 0) {
            fraction = std::string(static_cast<std::size_t>(-point), '0') + d.digits;
        } else if (point >= static_cast<int>(d.digits.size())) {
            whole = d.digits + std::string(static_cast<std::size_t>(point) - d.digits.size(), '0');
        } else {
            whole = d.digits.substr(0, static_cast<std::size_t>(point));
            fraction = d.digits.substr(static_cast<std::size_t>(point));
        }
    }
    while (static_cast<int>(fraction.size()) < decimals) {
        fraction.push_back('0');
    }
    std::string text = (d.negative && !d.digits.empty() ? "-" : "") + whole;
    if (!fraction.empty()) {
        text += "." + fraction;
    }
    return text;
}

std::string e_form(const Digits& d) {
    std::string text = d.negative ? "-" : "";
    text += d.digits.substr(0, 1);
    if (d.digits.size() > 1) {
        text += "." + d.digits.substr(1);
    }
    return text + "E" + std::to_string(d.exponent);
}

std::string shown(long double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.21Lg", value);
    return text;
}

// Significant digits, or a fixed or E form chosen by the rounded exponent.
std::string expected_general(long double value, int precision, int significant, int lowest_fixed,
                             int highest_fixed) {
    Digits d = exact_digits(value, precision);
    keep_leading(d, significant);
    if (d.digits.empty()) {
        return "0";
    }
    if (d.exponent >= lowest_fixed && d.exponent <= highest_fixed) {
        return fixed_form(d, -1);
    }
    return e_form(d);
}

bool check_non_finite(long double value, const std::string& text) {
    if (std::isfinite(value)) {
        return false;
    }
    const char* expected = std::isnan(value) ? "nan" : (value < 0 ? "-inf" : "inf");
    check(text == expected, "text of a non-finite value", text);
    return true;
}

}  // namespace

void fail(std::string_view what, std::string_view detail) {
    std::fprintf(stderr, "\nFUZZ CHECK FAILED: %.*s\n  %.*s\n", static_cast<int>(what.size()),
                 what.data(), static_cast<int>(detail.size()), detail.data());
    std::abort();
}

void check_cell_text(float value) {
    const std::string text = cell_text(value);
    // A run reads a loaded value as the value of its text, made without it.
    const auto value_read = cell_value(value);
    const auto text_read = parse_real(text);
    check(value_read.has_value() == text_read.has_value() &&
              (!value_read || std::bit_cast<std::uint64_t>(*value_read) ==
                                  std::bit_cast<std::uint64_t>(*text_read)),
          "cell_value is not the value of the cell text", text);
    if (check_non_finite(value, text)) {
        return;
    }
    const std::string expected = expected_general(value, float_digits, 6, -4, 5);
    check(text == expected, "cell_text", shown(value) + " gives " + text + ", not " + expected);
    const auto real = parse_real(text);
    const auto single = parse_float32(text);
    check(real.has_value() && single.has_value(), "cell text does not read back", text);
    check(cell_text(*single) == text, "cell text changes when read back and written again",
          text + " -> " + cell_text(*single));
}

void check_constant_label(double value) {
    const std::string text = constant_label(value);
    if (check_non_finite(value, text)) {
        return;
    }
    Digits d = exact_digits(value, double_digits);
    keep_leading(d, 2);
    std::string expected;
    if (!d.digits.empty() && d.exponent >= 2) {
        expected = e_form(d);
    } else {
        keep_decimals(d, 3);
        expected = fixed_form(d, 3);
    }
    check(text == expected, "constant_label",
          shown(value) + " gives " + text + ", not " + expected);
    // Constants lie within the float range, where every label reads back; near
    // the double limit the rounded label itself may lie beyond it.
    check(std::fabs(value) > std::numeric_limits<float>::max() || parse_real(text).has_value(),
          "constant label does not read back", text);
}

void check_remainder_text(long double value) {
    const std::string text = remainder_text(value);
    if (check_non_finite(value, text)) {
        return;
    }
    Digits d = exact_digits(value, double_digits);
    keep_leading(d, 2);
    keep_decimals(d, 4);
    const std::string expected = fixed_form(d, 4);
    check(text == expected, "remainder_text",
          shown(value) + " gives " + text + ", not " + expected);
    // Start's check reads the label back: it must be a number, and below zero
    // only for a remainder below zero.
    const auto back = parse_real(text);
    check(back.has_value() && (*back >= 0 || value < 0), "remainder label reads back wrongly",
          text);
}

void check_general_text(double value) {
    const std::string text = general_text(value);
    if (check_non_finite(value, text)) {
        return;
    }
    const std::string expected = expected_general(value, double_digits, 15, -5, 14);
    check(text == expected, "general_text", shown(value) + " gives " + text + ", not " + expected);
}

}  // namespace vorn::fuzz
