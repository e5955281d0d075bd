#include "engine/program_score.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <utility>

#include <nlohmann/json.hpp>
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

// Counts one class's points into `hit` and `miss` by the class's rule, and
// keeps their values.
template <class Rule>
void count_points(BatchEvaluator& evaluator, std::span<const std::int32_t> gene,
                  std::span<const double> xs, std::span<const double> ys, Rule is_hit,
                  std::int64_t& hit, std::int64_t& miss, std::int64_t& zero_or_nan_count,
                  std::vector<double>& values) {
    std::vector<double> out(std::min(points_per_pass, xs.size()));
    for (std::size_t start = 0; start < xs.size(); start += points_per_pass) {
        const std::size_t n = std::min(points_per_pass, xs.size() - start);
        const std::span<double> block(out.data(), n);
        evaluator.evaluate(gene, xs.subspan(start, n), ys.subspan(start, n), block);
        for (const double output : block) {
            (is_hit(output) ? hit : miss) += 1;
            zero_or_nan_count += zero_or_nan(output) ? 1 : 0;
            values.push_back(std::isnan(output) ? -std::numeric_limits<double>::infinity()
                                                : output);
        }
    }
}

// The Mann-Whitney statistic over the positive and negative values, ties
// counting one half.
std::optional<double> area_under_curve(std::vector<double> positive, std::vector<double> negative) {
    if (positive.empty() || negative.empty()) {
        return std::nullopt;
    }
    std::sort(positive.begin(), positive.end());
    std::sort(negative.begin(), negative.end());
    double above = 0;
    for (const double value : positive) {
        const auto low = std::lower_bound(negative.begin(), negative.end(), value);
        const auto high = std::upper_bound(low, negative.end(), value);
        above +=
            static_cast<double>(low - negative.begin()) + 0.5 * static_cast<double>(high - low);
    }
    return above / (static_cast<double>(positive.size()) * static_cast<double>(negative.size()));
}

std::optional<double> ratio(std::int64_t part, std::int64_t whole) {
    if (whole == 0) {
        return std::nullopt;
    }
    return static_cast<double>(part) / static_cast<double>(whole);
}

std::string measure_text(const std::optional<double>& value) {
    return value ? general_text(*value) : std::string("n/a");
}

}  // namespace

double ScoreCounts::fraction() const {
    return training_fitness_from_hits(
        static_cast<double>(row_hits.value_or(true_positive + true_negative)),
        static_cast<double>(rows));
}

ScoreMeasures score_measures(const ScoreCounts& c) {
    const std::int64_t positives = c.true_positive + c.false_negative;
    const std::int64_t negatives = c.false_positive + c.true_negative;
    ScoreMeasures m;
    m.accuracy = ratio(c.true_positive + c.true_negative, positives + negatives);
    m.recall = ratio(c.true_positive, positives);
    const auto true_negative_rate = ratio(c.true_negative, negatives);
    if (m.recall && true_negative_rate) {
        m.balanced_accuracy = (*m.recall + *true_negative_rate) / 2;
    }
    m.precision = ratio(c.true_positive, c.true_positive + c.false_positive);
    m.f1 = ratio(2 * c.true_positive, 2 * c.true_positive + c.false_positive + c.false_negative);
    return m;
}

ScoreCounts score_program(const ProgramCode& code, const DataColumns& data) {
    BatchEvaluator evaluator(code.view(), DataColumns{}, DataColumns{},
                             static_cast<std::int32_t>(code.gene.size()));
    ScoreCounts counts;
    counts.rows = static_cast<std::int64_t>(data.x1.size());
    std::vector<double> positive;
    std::vector<double> negative;
    count_points(evaluator, code.gene, data.x1, data.y1, positive_hit, counts.true_positive,
                 counts.false_negative, counts.zero_or_nan, positive);
    count_points(evaluator, code.gene, data.x2, data.y2, negative_hit, counts.true_negative,
                 counts.false_positive, counts.zero_or_nan, negative);
    counts.auc = area_under_curve(std::move(positive), std::move(negative));
    return counts;
}

namespace {

// The figures of a line, in its order: the counts, then the reals; a
// measure with nothing to measure has no number.
struct ScoreField {
    std::string_view name;
    std::optional<double> value;
    bool count = false;
};

std::vector<ScoreField> score_fields(const ScoreCounts& c) {
    const ScoreMeasures m = score_measures(c);
    const auto whole = [](std::string_view name, std::int64_t n) {
        return ScoreField{name, static_cast<double>(n), true};
    };
    return {whole("rows", c.rows),
            whole("TP", c.true_positive),
            whole("FN", c.false_negative),
            whole("FP", c.false_positive),
            whole("TN", c.true_negative),
            whole("zero_or_nan", c.zero_or_nan),
            whole("misclassified", c.misclassified()),
            {"fraction", c.fraction()},
            {"accuracy", m.accuracy},
            {"balanced_accuracy", m.balanced_accuracy},
            {"precision", m.precision},
            {"recall", m.recall},
            {"f1", m.f1},
            {"auc", c.auc}};
}

}  // namespace

std::string score_csv_header() {
    std::string header = "file";
    for (const ScoreField& field : score_fields(ScoreCounts{})) {
        header += "," + std::string(field.name);
    }
    return header;
}

std::string score_csv_row(std::string_view file, const ScoreCounts& counts) {
    std::string row = "\"";
    for (const char c : file) {
        row += c == '"' ? std::string("\"\"") : std::string(1, c);
    }
    row += "\"";
    for (const ScoreField& field : score_fields(counts)) {
        row += "," + (field.value ? general_text(*field.value) : std::string());
    }
    return row;
}

std::string score_json(std::string_view file, const ScoreCounts& counts) {
    nlohmann::ordered_json object = {{"file", std::string(file)}};
    for (const ScoreField& field : score_fields(counts)) {
        object[std::string(field.name)] =
            !field.value  ? nlohmann::ordered_json(nullptr)
            : field.count ? nlohmann::ordered_json(static_cast<std::int64_t>(*field.value))
                          : nlohmann::ordered_json(*field.value);
    }
    // A name that is not UTF-8 is written with U+FFFD, never refused.
    return object.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

std::string score_line(std::string_view file, const ScoreCounts& counts) {
    // The name as messages show it, so a line break in it cannot split the line.
    std::string line = escaped_text(file);
    for (const ScoreField& field : score_fields(counts)) {
        line += " " + std::string(field.name) + "=" +
                (field.count ? std::to_string(static_cast<std::int64_t>(*field.value))
                             : measure_text(field.value));
    }
    return line;
}

}  // namespace vorn

namespace vorn {

ScoreCounts score_table(const ProgramCode& code, const DataTable& table,
                        std::optional<PairingCounts> points) {
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
    const DataColumns rows{columns[0], columns[1], columns[2], columns[3]};
    if (!points ||
        (points->positives == table.row_count() && points->negatives == table.row_count())) {
        return score_program(code, rows);
    }
    // The first rows hold each point of a class once; the rest are copies.
    const std::size_t p = std::min(points->positives, table.row_count());
    const std::size_t n = std::min(points->negatives, table.row_count());
    const ScoreCounts all = score_program(code, rows);
    ScoreCounts counts =
        score_program(code, {std::span(columns[0]).first(p), std::span(columns[1]).first(p),
                             std::span(columns[2]).first(n), std::span(columns[3]).first(n)});
    counts.rows = all.rows;
    counts.row_hits = all.true_positive + all.true_negative;
    return counts;
}

}  // namespace vorn
