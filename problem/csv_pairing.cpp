#include "problem/csv_pairing.h"

#include <stdexcept>
#include <unordered_set>

#include "problem/data_file.h"
#include "problem/errors.h"
#include "problem/messages.h"
#include "problem/number_text.h"

namespace vorn {

namespace {

constexpr std::size_t names_shown = 8;

[[nodiscard]] std::string_view trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

[[nodiscard]] bool is_number(std::string_view text) {
    return parse_real(text).has_value();
}

[[nodiscard]] std::size_t numeric_fields(const CsvTable& table, std::size_t row) {
    std::size_t count = 0;
    for (std::size_t c = 0; c < table.column_count(); ++c) {
        count += is_number(table.field(row, c)) ? 1 : 0;
    }
    return count;
}

[[nodiscard]] std::size_t first_data_row(const CsvTable& table, const CsvChoice& choice) {
    return csv_has_header(table, choice.x_column, choice.y_column) ? 1 : 0;
}

// `column 3 ("class")` with a header, `column 3` without.
[[nodiscard]] std::string caption(const CsvTable& table, std::size_t column, bool header) {
    std::string text = "column " + std::to_string(column + 1);
    if (header) {
        text += " (\"" + std::string(table.field(0, column)) + "\")";
    }
    return text;
}

[[noreturn]] void refuse(const CsvTable& table, std::int64_t line, const std::string& problem) {
    throw DataFileError(table.file_name(), line, problem);
}

void check_column(const CsvTable& table, std::size_t column) {
    if (column >= table.column_count()) {
        refuse(table, 0,
               "no " + caption(table, column, false) + " (the file has " +
                   std::to_string(table.column_count()) + ").");
    }
}

// `needs` names the columns' uses: "one for x and one for y".
void check_column_count(const CsvTable& table, std::size_t columns, const std::string& needs) {
    if (table.column_count() < columns) {
        refuse(table, 0,
               "the file has " + std::to_string(table.column_count()) +
                   (table.column_count() == 1 ? " column" : " columns") + "; it needs " + needs +
                   ".");
    }
}

void check_choice(const CsvTable& table, const CsvChoice& choice) {
    check_column_count(table, 3, "one for x, one for y and one for the label");
    for (const std::size_t column : {choice.x_column, choice.y_column, choice.label_column}) {
        check_column(table, column);
    }
    if (choice.x_column == choice.y_column || choice.x_column == choice.label_column ||
        choice.y_column == choice.label_column) {
        refuse(table, 0, "the x, y and label columns must all differ.");
    }
}

// The value of a field, or the refusal naming its line and column.
template <typename Parse>
[[nodiscard]] auto value_of(const CsvTable& table, std::size_t row, std::size_t column, bool header,
                            Parse parse, bool as_float) {
    const std::string_view text = table.field(row, column);
    const auto value = parse(text);
    if (!value) {
        const std::string token(text);
        refuse(table, table.line(row),
               caption(table, column, header) + ": " +
                   (as_float ? number_problem(token)
                             : "\"" + shown_token(token) + "\" is not a number."));
    }
    return *value;
}

// Calls point(positive, x, y) for every data row, in order, after the checks
// that every use of a choice shares; the counts of both classes.
template <typename Point>
PairingCounts for_each_point(const CsvTable& table, const CsvChoice& choice, Point point) {
    check_choice(table, choice);
    const bool header = csv_has_header(table, choice.x_column, choice.y_column);
    const std::size_t first = header ? 1 : 0;
    if (first >= table.row_count()) {
        refuse(table, 0, "the file holds a header but no data rows.");
    }
    PairingCounts counts;
    for (std::size_t row = first; row < table.row_count(); ++row) {
        const float x = value_of(table, row, choice.x_column, header, parse_float32, true);
        const float y = value_of(table, row, choice.y_column, header, parse_float32, true);
        const bool positive = table.field(row, choice.label_column) == choice.positive_label;
        ++(positive ? counts.positives : counts.negatives);
        point(positive, x, y);
    }
    const std::string label =
        "\"" + choice.positive_label + "\" in " + caption(table, choice.label_column, header);
    if (counts.positives == 0) {
        refuse(table, 0, "no data row has the positive label " + label + ".");
    }
    if (counts.negatives == 0) {
        refuse(table, 0,
               "every data row has the positive label " + label +
                   ", so there are no negative points.");
    }
    return counts;
}

}  // namespace

bool csv_has_header(const CsvTable& table, std::size_t x_column, std::size_t y_column) {
    if (table.row_count() == 0) {
        return false;
    }
    const auto number_at = [&](std::size_t column) {
        return column < table.column_count() && is_number(table.field(0, column));
    };
    return !number_at(x_column) || !number_at(y_column);
}

CsvChoice default_csv_choice(const CsvTable& table) {
    CsvChoice choice;
    const std::size_t columns = table.column_count();
    if (table.row_count() == 0 || columns == 0) {
        return choice;
    }
    // A first row with fewer than two numbers can only be a header: the
    // numbers are then looked for in the second.
    const std::size_t probe = numeric_fields(table, 0) >= 2 || table.row_count() < 2 ? 0 : 1;
    std::vector<std::size_t> numeric;
    for (std::size_t c = 0; c < columns && numeric.size() < 2; ++c) {
        if (is_number(table.field(probe, c))) {
            numeric.push_back(c);
        }
    }
    // Too few numbers: the first free columns, which pairing then refuses by name.
    for (std::size_t c = 0; c < columns && numeric.size() < 2; ++c) {
        if (std::find(numeric.begin(), numeric.end(), c) == numeric.end()) {
            numeric.push_back(c);
        }
    }
    choice.x_column = numeric[0];
    choice.y_column = numeric.size() > 1 ? numeric[1] : numeric[0];
    choice.label_column = columns - 1;
    while (choice.label_column > 0 &&
           (choice.label_column == choice.x_column || choice.label_column == choice.y_column)) {
        --choice.label_column;
    }
    const std::size_t first = first_data_row(table, choice);
    if (first < table.row_count()) {
        choice.positive_label = table.field(first, choice.label_column);
    }
    return choice;
}

std::vector<std::string> csv_column_names(const CsvTable& table) {
    const CsvChoice choice = default_csv_choice(table);
    std::vector<std::string> names;
    if (csv_has_header(table, choice.x_column, choice.y_column)) {
        for (std::size_t c = 0; c < table.column_count(); ++c) {
            names.emplace_back(table.field(0, c));
        }
    }
    return names;
}

std::array<std::string, 2> csv_input_names(const CsvTable& table, const CsvChoice& choice) {
    if (!csv_has_header(table, choice.x_column, choice.y_column)) {
        return {};
    }
    return {std::string(table.field(0, choice.x_column)),
            std::string(table.field(0, choice.y_column))};
}

std::string csv_columns_text(const CsvTable& table, const CsvChoice& choice) {
    const std::array<std::size_t, 3> columns = {choice.x_column, choice.y_column,
                                                choice.label_column};
    std::string names;
    bool by_name = csv_has_header(table, choice.x_column, choice.y_column);
    for (const std::size_t column : columns) {
        const std::string name(by_name ? table.field(0, column) : std::string_view());
        const bool digits =
            !name.empty() && name.find_first_not_of("0123456789") == std::string::npos;
        by_name = by_name && !name.empty() && !digits && name.find(',') == std::string::npos &&
                  name.front() != ' ' && name.back() != ' ' && name.front() != '\t' &&
                  name.back() != '\t';
        if (by_name) {
            try {
                by_name = csv_column(table, name) == column;
            } catch (const DataFileError&) {
                by_name = false;
            }
        }
        names += (names.empty() ? "" : ",") + name;
    }
    if (by_name) {
        return names;
    }
    return std::to_string(columns[0] + 1) + "," + std::to_string(columns[1] + 1) + "," +
           std::to_string(columns[2] + 1);
}

std::optional<std::array<std::string, 3>> split_csv_columns(std::string_view text) {
    std::array<std::string, 3> parts;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const std::size_t comma = text.find(',');
        if ((comma == std::string_view::npos) != (i + 1 == parts.size())) {
            return std::nullopt;
        }
        parts[i] = trimmed(text.substr(0, comma));
        if (parts[i].empty()) {
            return std::nullopt;
        }
        text.remove_prefix(comma == std::string_view::npos ? text.size() : comma + 1);
    }
    return parts;
}

std::size_t csv_column(const CsvTable& table, std::string_view text) {
    text = trimmed(text);
    const std::size_t columns = table.column_count();
    if (!text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos) {
        const std::optional<std::int32_t> number = parse_int(text);
        if (!number || *number < 1 || static_cast<std::size_t>(*number) > columns) {
            refuse(table, 0,
                   "no column " + std::string(text) + " (the file has " + std::to_string(columns) +
                       ", numbered from 1).");
        }
        return static_cast<std::size_t>(*number) - 1;
    }
    std::string names;
    for (std::size_t c = 0; c < columns && table.row_count() > 0; ++c) {
        if (table.field(0, c) == text) {
            return c;
        }
        if (c < names_shown) {
            names += (c == 0 ? "\"" : ", \"") + std::string(table.field(0, c)) + "\"";
        }
    }
    refuse(table, 0,
           "no column is named \"" + std::string(text) + "\" (the first row holds " + names +
               (columns > names_shown ? ", ..." : "") + ").");
}

CsvChoice csv_choice_from_option(const CsvTable& table, std::optional<std::string_view> columns,
                                 const std::optional<std::string>& positive) {
    CsvChoice choice = default_csv_choice(table);
    if (columns) {
        const auto parts = split_csv_columns(*columns);
        if (!parts) {
            throw std::invalid_argument("the columns are not three texts X,Y,LABEL");
        }
        choice.x_column = csv_column(table, (*parts)[0]);
        choice.y_column = csv_column(table, (*parts)[1]);
        choice.label_column = csv_column(table, (*parts)[2]);
        const std::size_t first = first_data_row(table, choice);
        choice.positive_label =
            first < table.row_count() ? std::string(table.field(first, choice.label_column)) : "";
    }
    if (positive) {
        choice.positive_label = trimmed(*positive);
    }
    return choice;
}

std::vector<std::string> csv_labels(const CsvTable& table, const CsvChoice& choice,
                                    std::size_t limit) {
    std::vector<std::string> labels;
    if (choice.label_column >= table.column_count()) {
        return labels;
    }
    std::unordered_set<std::string_view> seen;
    for (std::size_t row = first_data_row(table, choice);
         row < table.row_count() && labels.size() < limit; ++row) {
        const std::string_view label = table.field(row, choice.label_column);
        if (seen.insert(label).second) {
            labels.emplace_back(label);
        }
    }
    return labels;
}

PairedData pair_csv(const CsvTable& table, const CsvChoice& choice) {
    std::vector<std::array<float, 2>> points[2];  // negative, positive
    PairedData paired;
    paired.counts = for_each_point(table, choice, [&](bool positive, float x, float y) {
        points[positive ? 1 : 0].push_back({x, y});
    });
    const auto& negatives = points[0];
    const auto& positives = points[1];
    paired.rows.reserve(paired.counts.rows());
    for (std::size_t i = 0; i < paired.counts.rows(); ++i) {
        const auto& p = positives[i % positives.size()];
        const auto& n = negatives[i % negatives.size()];
        paired.rows.push_back({p[0], p[1], n[0], n[1]});
    }
    return paired;
}

PairingCounts csv_pairing_counts(const CsvTable& table, const CsvChoice& choice) {
    return for_each_point(table, choice, [](bool, float, float) {});
}

std::string pairing_summary(const PairingCounts& counts) {
    return messages::csv_pairing(counts.positives, counts.negatives).text;
}

std::vector<std::array<double, 2>> read_csv_points(const CsvTable& table, std::size_t x_column,
                                                   std::size_t y_column) {
    // One column would be x and y at once.
    check_column_count(table, 2, "one for x and one for y");
    check_column(table, x_column);
    check_column(table, y_column);
    if (x_column == y_column) {
        refuse(table, 0, "the x and y columns must differ.");
    }
    const bool header = csv_has_header(table, x_column, y_column);
    std::vector<std::array<double, 2>> points;
    points.reserve(table.row_count());
    for (std::size_t row = header ? 1 : 0; row < table.row_count(); ++row) {
        points.push_back({value_of(table, row, x_column, header, parse_real, false),
                          value_of(table, row, y_column, header, parse_real, false)});
    }
    return points;
}

}  // namespace vorn
