// What the parameter table tells about its rows: tooltips, choice lists,
// and the texts at their defaults.
#include <algorithm>

#include "engine/parameters.h"

namespace vorn {

std::string parameter_tooltip(ParamId id) {
    const Parameter& row = parameter(id);
    const auto sentence = [](std::string_view text) {
        std::string line(text);
        if (!line.empty() && line.front() >= 'a' && line.front() <= 'z') {
            line.front() = static_cast<char>(line.front() - 'a' + 'A');
        }
        return line + ".";
    };
    std::string takes;
    switch (row.kind) {
        case ParamKind::flag:
            takes = "on or off";
            break;
        case ParamKind::choice:
            takes = choice_list_text(row);
            break;
        case ParamKind::name:
            takes = "any name";
            break;
        case ParamKind::function_list:
            takes = "at least one function";
            break;
        case ParamKind::remainder:
            return sentence(row.description) + "\nComputed; it must not be negative.";
        default: {
            takes = row.requirement;
            // The shortest program depends on the checked functions.
            if (const auto blank = takes.find("{0}"); blank != std::string::npos) {
                takes.replace(blank, 3, "the shortest program's length");
            }
        }
    }
    std::string shown(row.default_text);
    if (row.kind == ParamKind::flag) {
        shown = row.default_text == flag_on ? "on" : "off";
    }
    return sentence(row.description) + "\nTakes " + takes + ".\nDefault: " + shown + ".";
}

std::string choice_list_text(const Parameter& row) {
    std::string text;
    for (std::size_t i = 0; i < row.choices.size(); ++i) {
        if (i > 0) {
            text += i + 1 == row.choices.size() ? " or " : ", ";
        }
        text += row.choices[i];
    }
    return text;
}

std::optional<std::size_t> choice_index(const Parameter& row, std::string_view text) {
    const auto found = std::find(row.choices.begin(), row.choices.end(), text);
    if (found == row.choices.end()) {
        return std::nullopt;
    }
    return static_cast<std::size_t>(found - row.choices.begin());
}

ParameterTexts::ParameterTexts() {
    for (const Parameter& row : parameter_table()) {
        texts_[static_cast<std::size_t>(row.id)] = std::string(row.default_text);
    }
}

}  // namespace vorn
