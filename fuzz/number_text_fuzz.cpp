// Arbitrary bytes as a panel or cell text, and as the bits of a value. The
// parsers must agree with glibc's strtod, strtof and strtoll in the "C" locale
// on every plain decimal text and refuse everything else; each text of a value
// must be its exact expansion rounded as promised.
#include <cerrno>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>

#include "fuzz/text_checks.h"
#include "problem/number_text.h"

namespace vorn::fuzz {
namespace {

std::string_view trim(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

bool only_chars(std::string_view text, std::string_view allowed) {
    return !text.empty() && text.find_first_not_of(allowed) == std::string_view::npos;
}

// What glibc reads from the whole text, or nothing when it stops early, sees
// a word (nan, inf, hex) or finds the value out of range. An underflow to a
// nonzero denormal still counts as a value.
template <typename T, typename Parse>
std::optional<T> reference(std::string_view text, std::string_view allowed, Parse parse) {
    const std::string s(trim(text));
    if (!only_chars(s, allowed)) {
        return std::nullopt;
    }
    char* end = nullptr;
    errno = 0;
    const T value = parse(s.c_str(), &end);
    if (end != s.c_str() + s.size()) {
        return std::nullopt;
    }
    if constexpr (std::is_floating_point_v<T>) {
        if (!std::isfinite(value) || (errno == ERANGE && value == 0)) {
            return std::nullopt;
        }
    } else if (errno == ERANGE) {
        return std::nullopt;
    }
    return value;
}

template <typename T>
bool same(const std::optional<T>& a, const std::optional<T>& b) {
    if (a.has_value() != b.has_value()) {
        return false;
    }
    // Bit-equal, so -0 and 0 differ.
    return !a || std::memcmp(&*a, &*b, sizeof(T)) == 0;
}

std::string describe(std::string_view text) {
    std::string shown = "\"";
    for (char c : text.substr(0, 120)) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7F) {
            shown.push_back(c);
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", byte);
            shown += hex;
        }
    }
    return shown + "\"";
}

void check_parsers(std::string_view text) {
    constexpr std::string_view decimal_chars = "0123456789+-.eE";
    const auto real = parse_real(text);
    const auto single = parse_float32(text);
    const auto whole = parse_int(text);
    check(same(real, reference<double>(text, decimal_chars, std::strtod)), "parse_real",
          describe(text));
    check(same(single, reference<float>(text, decimal_chars, std::strtof)), "parse_float32",
          describe(text));
    const auto wide = reference<long long>(
        text, "0123456789+-", [](const char* s, char** end) { return std::strtoll(s, end, 10); });
    const bool fits = wide && *wide >= std::numeric_limits<std::int32_t>::min() &&
                      *wide <= std::numeric_limits<std::int32_t>::max();
    check(whole.has_value() == fits && (!whole || *whole == *wide), "parse_int", describe(text));
    if (real) {
        check_constant_label(*real);
        check_general_text(*real);
    }
    if (single) {
        check_cell_text(*single);
        // The remainder label: 1 minus shares read as floats.
        check_remainder_text(1.0L - static_cast<long double>(*single));
    }
}

template <typename T>
T from_bits(const std::uint8_t* data) {
    T value;
    std::memcpy(&value, data, sizeof(T));
    return value;
}

}  // namespace
}  // namespace vorn::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vorn::fuzz;
    check_parsers(std::string_view(reinterpret_cast<const char*>(data), size));
    // The same bytes as the bits of values, so every float and double is
    // reachable, denormals, infinities and NaNs included.
    if (size >= sizeof(float)) {
        const auto f = from_bits<float>(data);
        check_cell_text(f);
        check_remainder_text(1.0L - static_cast<long double>(f));
    }
    if (size >= sizeof(double)) {
        const auto d = from_bits<double>(data);
        check_constant_label(d);
        check_general_text(d);
    }
    return 0;
}
