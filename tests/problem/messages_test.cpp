#include "problem/messages.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "problem/data_file.h"
#include "problem/errors.h"

namespace vorn {
namespace {

using namespace std::string_literals;

TEST(EscapedText, ControlBytesInvalidUtf8AndBackslashesBecomeEscapes) {
    struct Case {
        std::string text;
        std::string shown;
    };
    const std::vector<Case> cases = {
        {"plain name.txt", "plain name.txt"},
        {"", ""},
        {"a\nb\rc\td", "a\\x0Ab\\x0Dc\\x09d"},
        {"\x1B[31mred", "\\x1B[31mred"},
        {"nul\0byte"s, "nul\\x00byte"},
        {"del\x7F", "del\\x7F"},
        {"C:\\data\\x.txt", "C:\\\\data\\\\x.txt"},
        // UTF-8 text stays: two, three and four bytes.
        {"Gr\xC3\xBC\xC3\x9F"
         "e \xE2\x82\xAC \xF0\x9F\x98\x80",
         "Gr\xC3\xBC\xC3\x9F"
         "e \xE2\x82\xAC \xF0\x9F\x98\x80"},
        // C1 controls, as UTF-8 (U+0085, U+009B) and as lone bytes.
        {"\xC2\x85\xC2\x9B", "\\xC2\\x85\\xC2\\x9B"},
        {"\x85\x9B", "\\x85\\x9B"},
        {"\xC2\xA0", "\xC2\xA0"},  // U+00A0 is no control
        // Not UTF-8: overlong, surrogate, beyond U+10FFFF, cut short, stray bytes.
        {"\xC0\xAF", "\\xC0\\xAF"},
        {"\xE0\x80\xAF", "\\xE0\\x80\\xAF"},
        {"\xED\xA0\x80", "\\xED\\xA0\\x80"},
        {"\xF4\x90\x80\x80", "\\xF4\\x90\\x80\\x80"},
        {"\xF5\x80", "\\xF5\\x80"},
        {"end\xE2\x82", "end\\xE2\\x82"},
        {"\xE2\x82x", "\\xE2\\x82x"},
        {"\xFF\xFE", "\\xFF\\xFE"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(escaped_text(c.text), c.shown) << c.shown;
    }
}

// A text is plain exactly when escaping changes nothing but its backslashes.
TEST(EscapedText, PlainTextIsWhatEscapingLeavesAlone) {
    const std::string pieces[] = {"a",    "\\",   " ",
                                  "\x1B", "\x7F", "\xC2\x85",
                                  "\xC2", "\xA0", "\xE2\x82\xAC",
                                  "\xFF", "\0"s,  "\xF0\x9F\x98\x80"};
    std::mt19937 rng(11);
    std::uniform_int_distribution<std::size_t> pick(0, std::size(pieces) - 1);
    for (int round = 0; round < 2000; ++round) {
        std::string text;
        std::string doubled;
        for (int k = round % 6; k > 0; --k) {
            text += pieces[pick(rng)];
        }
        for (const char c : text) {
            doubled += c == '\\' ? "\\\\" : std::string(1, c);
        }
        EXPECT_EQ(is_plain_text(text), escaped_text(text) == doubled) << escaped_text(text);
    }
}

// Echoed texts are cut after 40 characters, never inside a UTF-8 sequence,
// and no message grows with the texts it quotes.
TEST(EscapedText, EchoedTextsAreCut) {
    const std::string euro = "\xE2\x82\xAC";
    std::string forty_euros;
    for (int i = 0; i < 40; ++i) {
        forty_euros += euro;
    }
    const struct {
        std::string text;
        std::string shown;
    } cases[] = {
        {std::string(40, 'a'), std::string(40, 'a')},
        {std::string(41, 'a'), std::string(40, 'a') + "..."},
        {forty_euros, forty_euros},
        {forty_euros + euro, forty_euros + "..."},
        {std::string(39, 'a') + euro + "b", std::string(39, 'a') + euro + "..."},
        {std::string(45, '\xFF'), std::string(40, '\xFF') + "..."},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(echoed_text(c.text), c.shown) << c.shown;
    }
    const std::string huge(1 << 20, 'q');
    EXPECT_EQ(messages::field_refused("Output", "a name", huge).text,
              "\"Output\" must be a name (it is \"" + std::string(40, 'q') + "...\").");
    EXPECT_LT(messages::cell_not_number("Training Data", 1, 1, huge).text.size(), 100U);
    EXPECT_LT(messages::internal_error(huge).text.size(), 1100U);
}

TEST(EscapedText, EveryMessageShowsItsArgumentsEscaped) {
    const std::string name = "evil\n\x1B]0;title\x07.txt";
    const std::string shown = "evil\\x0A\\x1B]0;title\\x07.txt";
    EXPECT_EQ(messages::data_file_refused(name, 3, "cannot be opened.").text,
              shown + ", line 3: cannot be opened.");
    EXPECT_EQ(messages::field_refused("Population Size", "a whole number", "1\r2").text,
              "\"Population Size\" must be a whole number (it is \"1\\x0D2\").");
    EXPECT_EQ(messages::cell_not_number("Training Data", 1, 2, "\xFF").text,
              "Training Data, row 1, column 2: \"\\xFF\" is not a number.");
    EXPECT_EQ(messages::file_not_written(name, "Is a directory").text,
              shown + ": cannot be written (Is a directory).");
    EXPECT_EQ(messages::internal_error("bad\\thing").text, "bad\\\\thing");
    // The message keeps its arguments as they came, for those who compare.
    EXPECT_EQ(messages::file_is_input(name, "x").args[0], name);
}

TEST(EscapedText, TheDataReadersMessagesAreEscaped) {
    const std::string name = "/nonexistent/\x1B[2J\\data.txt";
    try {
        (void)read_data_file(name);
        FAIL() << "read";
    } catch (const DataFileError& error) {
        EXPECT_EQ(std::string(error.what()),
                  "/nonexistent/\\x1B[2J\\\\data.txt: cannot be opened.");
        EXPECT_EQ(error.file(), name);
    }
    try {
        (void)parse_data_text("1 2 3\n", "a\tb");
        FAIL() << "parse";
    } catch (const DataFileError& error) {
        EXPECT_EQ(std::string(error.what()), "a\\x09b, line 1: expected 4 numbers, found 3.");
    }
}

}  // namespace
}  // namespace vorn
