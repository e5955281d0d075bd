#pragma once
// A run on points held in memory, as the Python module starts one: the
// points become the labelled CSV text the runner would read for a file of
// x,y,label rows, so the same points, settings and seed make the same run as
// `vorn-run FILE.csv --columns 1,2,3 --positive LABEL`.
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "engine/run_gp.h"

namespace vorn {

// Labelled points: is_positive[i] says whether (xs[i], ys[i]) is of the
// positive class.
struct LabelledPoints {
    std::span<const double> xs;
    std::span<const double> ys;
    std::span<const std::uint8_t> is_positive;
};

struct ArrayRunInput {
    // Texts by settings key; every other parameter keeps its default.
    std::vector<std::pair<std::string, std::string>> texts;
    LabelledPoints training;
    std::optional<std::uint32_t> seed;  // the clock's when unset
    unsigned threads = 1;               // 0: every usable CPU
    // The positive class's label as the program file records it.
    std::string positive_label = "1";
};

// What the caller hears during the run; each may be empty. A false answer
// stops the run at the end of the generation under way.
struct ArrayRunHooks {
    std::function<bool(const GenerationRow&)> generation_done;
    // Asked between generations and now and then while one is bred.
    std::function<bool()> keep_going;
};

struct ArrayRunResult {
    // The program file of the program the runner would save, with its
    // provenance; empty when no generation was done.
    std::string program_text;
    std::string formula;  // as the runner prints it after "z="
    std::vector<GenerationRow> history;
    std::uint32_t seed = 0;
    bool stopped = false;
    std::vector<std::string> notices;  // what the runner would print on the way
};

// A parameter text, a point or a setting the run cannot use; what() is the
// message the runner would print.
class ArrayRunRefused : public std::invalid_argument {
public:
    using std::invalid_argument::invalid_argument;
};

// The labelled CSV text of the points, one "x,y,label" line each, the
// numbers in their shortest round-trip form and the label 1 or 0.
[[nodiscard]] std::string labelled_csv_text(const LabelledPoints& points);

// Throws ArrayRunRefused for an unknown key, a refused text or point, and
// std::runtime_error with the message when the run itself fails.
[[nodiscard]] ArrayRunResult run_on_arrays(const ArrayRunInput& input, const ArrayRunHooks& hooks);

// The program file's values at the points, as --predict computes them.
// Throws ArrayRunRefused when the text is no program file.
void program_values(const std::string& program_text, std::span<const double> xs,
                    std::span<const double> ys, std::span<double> out);

}  // namespace vorn
