#pragma once
// A program's figures on a data set, by the rule fitness uses: a positive
// point is right when the output is > 0, a negative point when it is not
// >= 0 (negative or NaN).
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "problem/csv_pairing.h"
#include "problem/data_table.h"
#include "program/program_file.h"
#include "program/views.h"

namespace vorn {

// The counts are of the points scored, each once; `rows` and fraction() are
// those of the rows a run reads, the smaller class's cycled points included.
struct ScoreCounts {
    std::int64_t rows = 0;
    std::int64_t true_positive = 0;   // positive points with output > 0
    std::int64_t false_negative = 0;  // the other positive points
    std::int64_t false_positive = 0;  // negative points with output >= 0
    std::int64_t true_negative = 0;   // the other negative points
    std::int64_t zero_or_nan = 0;     // points of either class with output ±0 or NaN
    // Hits among the rows a run reads; of the points scored unless set.
    std::optional<std::int64_t> row_hits;
    // The area under the ROC curve of the program's value, a NaN counting
    // below every number; none unless both classes have a point.
    std::optional<double> auc;
    [[nodiscard]] std::int64_t misclassified() const { return false_negative + false_positive; }
    // The training fitness of the same data: the same expression, the same bits.
    [[nodiscard]] double fraction() const;
};

// The measures of the points scored; none where a denominator is 0.
struct ScoreMeasures {
    std::optional<double> accuracy;
    std::optional<double> balanced_accuracy;
    std::optional<double> precision;
    std::optional<double> recall;
    std::optional<double> f1;
};
[[nodiscard]] ScoreMeasures score_measures(const ScoreCounts& counts);

// Scores the program on the columns (the values a run reads from the cells).
[[nodiscard]] ScoreCounts score_program(const ProgramCode& code, const DataColumns& data);

// Scores the program on a grid's cells, read as a run reads them (a loaded
// value through its six-digit cell text, an edited cell from its text);
// throws SettingError for a cell that is not a number. With `points`, the
// counts of a paired CSV file, the cycled copies of the smaller class are
// left out of the counts and measures.
[[nodiscard]] ScoreCounts score_table(const ProgramCode& code, const DataTable& table,
                                      std::optional<PairingCounts> points = std::nullopt);

// `FILE rows=R TP=… FN=… FP=… TN=… zero_or_nan=… misclassified=M fraction=F
// accuracy=… balanced_accuracy=… precision=… recall=… f1=… auc=…`, numbers
// in the general form of the generation table's CSV, "n/a" for a measure
// with nothing to measure.
[[nodiscard]] std::string score_line(std::string_view file, const ScoreCounts& counts);

// The same figures for scripts: a CSV header and a row per file (the file
// name quoted, a measure with nothing to measure empty), or one JSON object
// per file on one line (such a measure null). No line break ends them.
[[nodiscard]] std::string score_csv_header();
[[nodiscard]] std::string score_csv_row(std::string_view file, const ScoreCounts& counts);
[[nodiscard]] std::string score_json(std::string_view file, const ScoreCounts& counts);

}  // namespace vorn
