#pragma once
// Function subsets and independently grown random genes for the property
// tests of random creation and the genetic operators.
#include <array>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "problem/problem_setting.h"
#include "program/functable.h"
#include "tests/program/test_setting.h"

namespace vorn::testing {

using Checks = std::array<bool, num_primitives>;

// Each function alone (IFLTE alone among them), the default four, all ten,
// only the one-argument functions, and sin with IFLTE.
inline std::vector<Checks> function_subsets() {
    std::vector<Checks> subsets;
    for (int i = 0; i < num_primitives; ++i) {
        Checks alone{};
        alone[i] = true;
        subsets.push_back(alone);
    }
    subsets.push_back({true, true, true, true});
    Checks all{};
    all.fill(true);
    subsets.push_back(all);
    subsets.push_back({false, false, false, false, true, true, true, true, true, false});
    subsets.push_back({false, false, false, false, true, false, false, false, false, true});
    return subsets;
}

inline std::string subset_name(const Checks& checked) {
    std::string name;
    for (int i = 0; i < num_primitives; ++i) {
        if (checked[i]) {
            name += std::string(primitive_names[i]) + " ";
        }
    }
    return name;
}

// A run's problem setting with the given functions and a few constants.
inline Tproblem_setting setting_for(const Checks& checked, const std::string& constants = "5") {
    SettingFixture f;
    f.texts.checked = checked;
    f.texts.num_constants = constants;
    f.training = {row("1", "2", "3", "4")};
    return f.make();
}

// A random well-formed gene of at most max_length codes, grown with the
// test's own generator so that operator tests do not rest on creation.
// Functions are drawn until the gene nears a random target length, so
// lengths spread over the whole range up to max_length.
inline std::vector<std::int32_t> grow_gene(std::mt19937& rng, const Tproblem_setting& setting,
                                           std::int32_t max_length) {
    const std::int32_t terminals = setting.num_variables + setting.num_constants;
    std::uniform_int_distribution<std::int32_t> function(0, setting.num_functions - 1);
    std::uniform_int_distribution<std::int32_t> terminal(0, terminals - 1);
    std::uniform_int_distribution<std::int32_t> target_length(1, max_length);
    std::uniform_real_distribution<double> share(0.5, 0.95);
    for (;;) {
        const std::int32_t target = target_length(rng);
        std::bernoulli_distribution pick_function(share(rng));
        std::vector<std::int32_t> gene;
        std::int32_t open = 1;
        while (open > 0) {
            const bool room = static_cast<std::int32_t>(gene.size()) + open < target;
            const std::int32_t code =
                room && pick_function(rng) ? function(rng) : setting.num_functions + terminal(rng);
            gene.push_back(code);
            open += setting.node_table[code].arity_less_one;
        }
        if (static_cast<std::int32_t>(gene.size()) <= max_length) {
            return gene;
        }
    }
}

}  // namespace vorn::testing
