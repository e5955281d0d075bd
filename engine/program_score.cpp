#include "engine/program_score.h"

#include <algorithm>
#include <array>
#include <vector>

#include "problem/errors.h"
#include "problem/messages.h"
#include "problem/number_text.h"
#include "problem/problem_setting.h"
#include "program/batch_eval.h"
#include "program/interpreter.h"

namespace vorn {

namespace {

constexpr std::size_t points_per_pass = 16 * BatchEvaluator::block_size;

[[nodiscard]] bool zero_or_nan(double output) {
    return !(output > 0) && !(output < 0);
}

// Counts one class's points into `hit` and `miss` by the class's rule.
template <class Rule>
void count_points(BatchEvaluator& evaluator, std::span<const std::int32_t> gene,
                  std::span<const double> xs, std::span<const double> ys, Rule is_hit,
                  std::int64_t& hit, std::int64_t& miss, std::int64_t& zero_or_nan_count) {
    std::vector<double> out(std::min(points_per_pass, xs.size()));
    for (std::size_t start = 0; start < xs.size(); start += points_per_pass) {
        const std::size_t n = std::min(points_per_pass, xs.size() - start);
        const std::span<double> block(out.data(), n);
        evaluator.evaluate(gene, xs.subspan(start, n), ys.subspan(start, n), block);
        for (const double output : block) {
            (is_hit(output) ? hit : miss) += 1;
            zero_or_nan_count += zero_or_nan(output) ? 1 : 0;
        }
    }
}

}  // namespace

double ScoreCounts::fraction() const {
    return training_fitness_from_hits(static_cast<double>(true_positive + true_negative),
                                      static_cast<double>(rows));
}

ScoreCounts score_program(const ProgramCode& code, const DataColumns& data) {
    BatchEvaluator evaluator(code.view(), DataColumns{}, DataColumns{},
                             static_cast<std::int32_t>(code.gene.size()));
    ScoreCounts counts;
    counts.rows = static_cast<std::int64_t>(data.x1.size());
    count_points(evaluator, code.gene, data.x1, data.y1, positive_hit, counts.true_positive,
                 counts.false_negative, counts.zero_or_nan);
    count_points(evaluator, code.gene, data.x2, data.y2, negative_hit, counts.true_negative,
                 counts.false_positive, counts.zero_or_nan);
    return counts;
}

std::string score_line(std::string_view file, const ScoreCounts& counts) {
    // The name as messages show it, so a line break in it cannot split the line.
    return escaped_text(file) + " rows=" + std::to_string(counts.rows) +
           " TP=" + std::to_string(counts.true_positive) +
           " FN=" + std::to_string(counts.false_negative) +
           " FP=" + std::to_string(counts.false_positive) +
           " TN=" + std::to_string(counts.true_negative) +
           " zero_or_nan=" + std::to_string(counts.zero_or_nan) +
           " misclassified=" + std::to_string(counts.misclassified()) +
           " fraction=" + general_text(counts.fraction());
}

}  // namespace vorn

namespace vorn {

ScoreCounts score_table(const ProgramCode& code, const DataTable& table) {
    std::array<std::vector<double>, DataTable::column_count> columns;
    for (auto& column : columns) {
        column.resize(table.row_count());
    }
    for (std::size_t r = 0; r < table.row_count(); ++r) {
        for (int c = 0; c < DataTable::column_count; ++c) {
            const auto value = table.value(r, c);
            if (!value) {
                throw cell_error(training_grid_caption, static_cast<std::int64_t>(r) + 1, c + 1,
                                 table.cell_text(r, c));
            }
            columns[static_cast<std::size_t>(c)][r] = *value;
        }
    }
    return score_program(code, {columns[0], columns[1], columns[2], columns[3]});
}

}  // namespace vorn
