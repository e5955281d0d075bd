#pragma once
// Builds problem settings for tests from a few cell rows.
#include <string>
#include <vector>

#include "problem/problem_setting.h"
#include "program/functable.h"

namespace vorn::testing {

struct SettingFixture {
    std::vector<functable> function_table = build_function_table();
    std::vector<CellRow> training;
    std::vector<CellRow> validation;
    ProblemTexts texts;

    [[nodiscard]] Tproblem_setting make() {
        texts.training_cells = training;
        texts.validation_cells = validation;
        return Tproblem_setting(texts, function_table);
    }
};

inline CellRow row(const std::string& x1, const std::string& y1, const std::string& x2,
                   const std::string& y2) {
    return CellRow{x1, y1, x2, y2};
}

}  // namespace vorn::testing
