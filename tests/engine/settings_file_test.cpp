// Settings files: every parameter round-trips, and each kind of bad line is
// refused with its line number.
#include <gtest/gtest.h>

#include "engine/settings_file.h"

namespace vorn {
namespace {

using namespace std::string_literals;

// A text for each parameter that differs from its default and that its
// control can hold.
std::string other_text(const Parameter& row) {
    switch (row.kind) {
        case ParamKind::flag:
            return row.default_text == flag_on ? "false" : "true";
        case ParamKind::choice:
            return std::string(row.choices.back());
        case ParamKind::function_list:
            return "sin,IFLTE";
        default:
            return std::string(row.default_text) + "7";
    }
}

TEST(SettingsFile, EveryParameterAndOptionalKeyRoundTrips) {
    Settings settings;
    for (const Parameter& row : parameter_table()) {
        settings.plan.texts[row.id] = other_text(row);
    }
    settings.plan.training = "/data/sets/train.csv";
    settings.plan.validation = "/elsewhere/valid.txt";
    settings.plan.columns = "x,y,class";
    settings.plan.positive = "M";
    settings.plan.seed = 4294967295u;
    const std::string text = settings_text(settings, "/data");
    EXPECT_NE(text.find("training = sets/train.csv\n"), std::string::npos) << text;
    const Settings back = parse_settings_text(text, "s", "/data");
    for (const Parameter& row : parameter_table()) {
        if (!row.settings_key.empty()) {
            EXPECT_EQ(back.plan.texts[row.id], settings.plan.texts[row.id]) << row.settings_key;
            EXPECT_TRUE(back.given[static_cast<std::size_t>(row.id)]);
        } else {
            EXPECT_EQ(back.plan.texts[row.id], ParameterTexts()[row.id])
                << "computed labels are no keys";
        }
    }
    EXPECT_EQ(back.plan.training, settings.plan.training);
    EXPECT_EQ(back.plan.validation, settings.plan.validation);
    EXPECT_EQ(back.plan.columns, settings.plan.columns);
    EXPECT_EQ(back.plan.positive, settings.plan.positive);
    EXPECT_EQ(back.plan.seed, settings.plan.seed);
}

TEST(SettingsFile, BlanksCommentsMarkAndLineEndsAreAccepted) {
    const Settings settings = parse_settings_text(
        "\xEF\xBB\xBF# made by hand\r\n  format = vorn-settings 1 \r\n\r\n"
        "\tpopulation_size =  250 \r\n  # generations = 9\r\noutput = a # b\r\n",
        "s", "/d");
    EXPECT_EQ(settings.plan.texts[ParamId::population_size], "250");
    EXPECT_EQ(settings.plan.texts[ParamId::num_generations],
              ParameterTexts()[ParamId::num_generations]);
    EXPECT_EQ(settings.plan.texts[ParamId::output_name], "a # b");
    EXPECT_FALSE(settings.given[static_cast<std::size_t>(ParamId::num_generations)]);
    // A lone CR ends a line too.
    const Settings old_mac = parse_settings_text(
        "format = vorn-settings 1\rpopulation_size = 7\r\routput = w", "s", "/d");
    EXPECT_EQ(old_mac.plan.texts[ParamId::population_size], "7");
    EXPECT_EQ(old_mac.plan.texts[ParamId::output_name], "w");
}

TEST(SettingsFile, RefusalsNameTheLine) {
    const std::string head = "format = vorn-settings 1\n";
    const struct {
        std::string text;
        std::string expected;
    } cases[] = {
        {"", "s: not a settings file"},
        {"population_size = 5\n", "s, line 1: not a settings file"},
        {"format = vorn-settings 2\n", "s, line 1: the settings are of format version 2"},
        {head + "population_size 5\n", "s, line 2: not a \"key = value\" line"},
        {head + "= 5\n", "s, line 2: the line has no key"},
        {head + "populaton_size = 5\n", "s, line 2: unknown key \"populaton_size\""},
        {head + "generations = 5\n\ngenerations = 6\n", "s, line 4: the key \"generations\""},
        {head + "elite = yes\n", "s, line 2: \"elite\" must be true or false"},
        {head + "selection = Tournament\n", "s, line 2: \"selection\" must be"},
        {head + "functions = +,sqrt\n", "s, line 2: \"functions\" must list"},
        {head + "seed = 4294967296\n", "s, line 2: \"seed\" must be a whole number"},
        {head + "seed = -1\n", "s, line 2: \"seed\""},
        {head + "training =\n", "s, line 2: \"training\" names no file"},
        {head + "input1 = x\x1B[31m\n", "s, line 2: \"input1\" must be a name without control"},
        {head + "output = z\xC0\xAF\n", "s, line 2: \"output\" must be a name"},
        {head + "input2 = a\0b\n"s, "s, line 2: \"input2\" must be a name"},
        {head + "\rpopulation_size 5\r", "s, line 3: not a \"key = value\" line"},
        // Echoed text is cut, so a huge line makes a short message.
        {head + std::string(1 << 19, 'k') + " = 1\n",
         "s, line 2: unknown key \"" + std::string(40, 'k') + "...\""},
        {"format = vorn-settings " + std::string(1 << 19, '9') + "\n",
         "s, line 1: the format version \"" + std::string(40, '9') + "...\" is not"},
    };
    for (const auto& c : cases) {
        try {
            (void)parse_settings_text(c.text, "s", "/d");
            ADD_FAILURE() << "accepted: " << c.text;
        } catch (const SettingsError& error) {
            EXPECT_EQ(error.message().id, MessageId::settings_refused);
            EXPECT_TRUE(std::string(error.what()).starts_with(c.expected))
                << error.what() << "\nfor: " << c.text.substr(0, 80);
            EXPECT_LT(std::string(error.what()).size(), 200U) << c.expected;
        }
    }
}

}  // namespace
}  // namespace vorn
