#include "problem/number_text.h"

#include <gtest/gtest.h>

#include <bit>
#include <clocale>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace vorn {
namespace {

struct RealCase {
    std::string text;
    double expected;
};

TEST(ParseReal, AcceptsDecimalTexts) {
    const std::vector<RealCase> cases = {
        {"1.5", 1.5},
        {" \t-2 \t", -2.0},
        {"+3", 3.0},
        {"1.", 1.0},
        {".5", 0.5},
        {"-.5", -0.5},
        {"1e3", 1000.0},
        {"1E+3", 1000.0},
        {"2.5e-3", 0.0025},
        {"00012", 12.0},
        {"0e-999", 0.0},
        {"-0", -0.0},
        {"4e-324", std::numeric_limits<double>::denorm_min()},
    };
    for (const auto& c : cases) {
        const auto value = parse_real(c.text);
        ASSERT_TRUE(value.has_value()) << '"' << c.text << '"';
        EXPECT_EQ(*value, c.expected) << '"' << c.text << '"';
    }
}

TEST(ParseReal, RefusesTextsThatAreNotPlainDecimals) {
    // "1e-400" underflows to zero; the parser reports that as out of range, so
    // it is refused like "1e400" rather than read silently as 0.
    const std::vector<std::string> texts = {"",
                                            " \t",
                                            "+",
                                            "-",
                                            ".",
                                            "+-1",
                                            "--1",
                                            "-+1",
                                            "e5",
                                            "1e",
                                            "1e+",
                                            "1.e",
                                            "nan",
                                            "NaN",
                                            "inf",
                                            "-inf",
                                            "infinity",
                                            "0x10",
                                            "1,5",
                                            "1 2",
                                            "1.5x",
                                            "1..2",
                                            "1\n",
                                            "1e400",
                                            "-1e400",
                                            "1e-400",
                                            "\xEF\xBB\xBF"
                                            "1"};
    for (const auto& text : texts) {
        EXPECT_FALSE(parse_real(text).has_value()) << '"' << text << '"';
    }
}

TEST(ParseFloat32, RoundsOnceFromTheDecimalText) {
    // Just above the midpoint between 1 and the next float, but close enough
    // to it that going through double would land on the midpoint and then
    // round to even (1.0f).
    const auto value =
        parse_float32("1.000000059604644776257986737988403547205962240695953369140625");
    ASSERT_TRUE(value.has_value());
    EXPECT_EQ(*value, std::nextafter(1.0F, 2.0F));
}

TEST(ParseFloat32, RangeLimits) {
    EXPECT_EQ(parse_float32("3.4028235e38"), std::numeric_limits<float>::max());
    EXPECT_EQ(parse_float32("-3.4028235e38"), -std::numeric_limits<float>::max());
    EXPECT_EQ(parse_float32("1e-45"), std::numeric_limits<float>::denorm_min());
    EXPECT_EQ(parse_float32(" +0.25 "), 0.25F);
    EXPECT_FALSE(parse_float32("3.5e38").has_value());
    EXPECT_FALSE(parse_float32("-1e39").has_value());
    // Too small for any float (would read as zero): refused as out of range.
    EXPECT_FALSE(parse_float32("1e-50").has_value());
    EXPECT_FALSE(parse_float32("inf").has_value());
}

TEST(ParseInt, AcceptsOnlySignedDigitsInRange) {
    const std::vector<std::pair<std::string, std::int32_t>> accepted = {
        {"42", 42},
        {" -7\t", -7},
        {"+5", 5},
        {"-0", 0},
        {"007", 7},
        {"2147483647", 2147483647},
        {"-2147483648", std::numeric_limits<std::int32_t>::min()}};
    for (const auto& [text, expected] : accepted) {
        EXPECT_EQ(parse_int(text), expected) << '"' << text << '"';
    }
    const std::vector<std::string> refused = {
        "",    " ",   "+",          "-",           "+-1",
        "--1", "1e3", "2.5",        "1.",          "0x10",
        "1 2", "abc", "2147483648", "-2147483649", "99999999999999999999"};
    for (const auto& text : refused) {
        EXPECT_FALSE(parse_int(text).has_value()) << '"' << text << '"';
    }
}

TEST(ParseReal, IgnoresACommaDecimalLocale) {
    const std::string previous = std::setlocale(LC_NUMERIC, nullptr);
    bool switched = false;
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8",
                             "nl_NL.UTF-8", "ru_RU.UTF-8", "de_DE", "fr_FR"}) {
        if (std::setlocale(LC_NUMERIC, name) != nullptr &&
            std::string(std::localeconv()->decimal_point) == ",") {
            switched = true;
            break;
        }
    }
    if (!switched) {
        std::setlocale(LC_NUMERIC, previous.c_str());
        GTEST_SKIP() << "no locale with a comma decimal point is installed";
    }
    const auto half = parse_real("0.5");
    const auto comma = parse_real("0,5");
    const auto half32 = parse_float32("0.5");
    std::setlocale(LC_NUMERIC, previous.c_str());
    EXPECT_EQ(half, 0.5);
    EXPECT_FALSE(comma.has_value());
    EXPECT_EQ(half32, 0.5F);
}

struct FloatTextCase {
    float value;
    std::string expected;
};

TEST(CellText, SixSignificantDigitsHalfAwayFromZero) {
    const std::vector<FloatTextCase> cases = {
        {0.1F, "0.1"},
        {6.5F, "6.5"},
        {100.0F, "100"},
        {-3.14159265F, "-3.14159"},
        {0.00015F, "0.00015"},
        {0.0000015F, "1.5E-6"},
        {0.00001F, "1E-5"},
        {1234567.0F, "1.23457E6"},
        // An exact tie in binary: printf would round it to even (1.23456e+06).
        {1234565.0F, "1.23457E6"},
        {999999.5F, "1E6"},
        {0.0001F, "0.0001"},
        {0.00009999996F, "0.0001"},
        {0.0000999999F, "9.99999E-5"},
        {3.4e38F, "3.4E38"},
        {std::numeric_limits<float>::max(), "3.40282E38"},
        {std::numeric_limits<float>::denorm_min(), "1.4013E-45"},
        {0.0F, "0"},
        {-0.0F, "0"},
        {std::numeric_limits<float>::quiet_NaN(), "nan"},
        {-std::numeric_limits<float>::infinity(), "-inf"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(cell_text(c.value), c.expected) << "value " << c.value;
    }
}

TEST(CellText, ReadsBackWithinHalfAUnitOfTheSixthDigit) {
    std::mt19937 random(12345);
    std::uniform_real_distribution<float> mantissa(1.0F, 10.0F);
    std::uniform_int_distribution<int> exponent(-40, 38);
    for (int i = 0; i < 20000; ++i) {
        const float value =
            mantissa(random) * std::pow(10.0F, static_cast<float>(exponent(random)));
        if (!std::isfinite(value) || value == 0.0F) {
            continue;
        }
        const std::string text = cell_text(value);
        const auto back = parse_real(text);
        ASSERT_TRUE(back.has_value()) << text;
        const double unit = std::pow(10.0, std::floor(std::log10(*back)) - 5.0);
        EXPECT_LE(std::abs(*back - static_cast<double>(value)), 0.5 * unit * (1.0 + 1e-9))
            << value << " -> " << text;
    }
}

// A run reads a loaded value as its cell text's value; cell_value makes that
// number without the text, ties of the six-digit rounding included.
TEST(CellValue, IsTheValueOfTheCellText) {
    std::vector<float> values = {1234565.0F,
                                 -1234565.0F,
                                 999999.5F,
                                 0.0F,
                                 -0.0F,
                                 1.5F,
                                 std::numeric_limits<float>::denorm_min(),
                                 std::numeric_limits<float>::max(),
                                 std::numeric_limits<float>::quiet_NaN(),
                                 std::numeric_limits<float>::infinity()};
    // Every float from 1e6 to 2^24 is a whole number; those ending in 5 are ties.
    for (int i = 1'000'005; i < 16'777'216; i += 10) {
        values.push_back(static_cast<float>(i));
    }
    std::mt19937 random(777);
    for (int i = 0; i < 2'000'000; ++i) {
        values.push_back(std::bit_cast<float>(static_cast<std::uint32_t>(random())));
    }
    for (const float value : values) {
        const std::optional<double> expected = parse_real(cell_text(value));
        const std::optional<double> got = cell_value(value);
        ASSERT_EQ(got.has_value(), expected.has_value()) << value;
        if (got) {
            ASSERT_EQ(std::bit_cast<std::uint64_t>(*got), std::bit_cast<std::uint64_t>(*expected))
                << cell_text(value);
        }
    }
}

struct DoubleTextCase {
    double value;
    std::string expected;
};

TEST(ConstantLabel, TwoSignificantDigitsThenThreeDecimals) {
    const std::vector<DoubleTextCase> cases = {
        {-0.998, "-1.000"},
        {-0.994, "-0.990"},
        {0.25, "0.250"},
        {0.002, "0.002"},
        {0.0, "0.000"},
        {-0.0, "0.000"},
        {0.0004, "0.000"},
        {0.0005, "0.001"},
        {1e-300, "0.000"},
        // Exact binary values on a tie round away from zero...
        {0.125, "0.130"},
        {-0.125, "-0.130"},
        // ...while 9.95 is really 9.9499999... and rounds down.
        {9.95, "9.900"},
        {2.5, "2.500"},
        {0.998, "1.000"},
        {12.3, "12.000"},
        {123.0, "1.2E2"},
        {100.0, "1E2"},
        {-1500.0, "-1.5E3"},
        {99.6, "1E2"},
        {99.5, "1E2"},
        {1e300, "1E300"},
        {std::numeric_limits<double>::quiet_NaN(), "nan"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(constant_label(c.value), c.expected) << "value " << c.value;
    }
}

TEST(RemainderText, TwoSignificantDigitsThenFourDecimals) {
    const std::vector<std::pair<long double, std::string>> cases = {
        {0.1L, "0.1000"},     {0.15L, "0.1500"},    {0.123L, "0.1200"},   {0.0123L, "0.0120"},
        {-0.1L, "-0.1000"},   {0.125L, "0.1300"},   {0.00004L, "0.0000"}, {-0.00004L, "0.0000"},
        {0.00005L, "0.0001"}, {1.5L, "1.5000"},     {12.3L, "12.0000"},   {0.0L, "0.0000"},
        {-0.0L, "0.0000"},    {1e-4000L, "0.0000"},
    };
    for (const auto& [value, expected] : cases) {
        EXPECT_EQ(remainder_text(value), expected) << "value " << static_cast<double>(value);
    }
}

TEST(RemainderText, WhatIsLeftOfOneAfterFloatShares) {
    const auto remainder = [](float a, float b, float c) {
        return 1.0L - static_cast<long double>(a) - static_cast<long double>(b) -
               static_cast<long double>(c);
    };
    EXPECT_EQ(remainder_text(remainder(0.7F, 0.2F, 0.0F)), "0.1000");
    EXPECT_EQ(remainder_text(remainder(0.666F, 0.2F, 0.0F)), "0.1300");
    EXPECT_EQ(remainder_text(remainder(0.7F, 0.2F, 0.2F)), "-0.1000");
}

TEST(GeneralText, FifteenSignificantDigits) {
    const std::vector<DoubleTextCase> cases = {
        {40.0, "40"},
        {0.5, "0.5"},
        {0.1, "0.1"},
        {0.1 + 0.2, "0.3"},
        {-2.5, "-2.5"},
        {0.0, "0"},
        {-0.0, "0"},
        {1e20, "1E20"},
        {123456789012345678.0, "1.23456789012346E17"},
        {1e15, "1E15"},
        {999999999999999.9, "1E15"},
        {0.00001, "0.00001"},
        {0.000001, "1E-6"},
        {-0.0000015, "-1.5E-6"},
        {std::numeric_limits<double>::quiet_NaN(), "nan"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(general_text(c.value), c.expected) << "value " << c.value;
    }
}

}  // namespace
}  // namespace vorn
