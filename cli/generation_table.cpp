#include "cli/generation_table.h"

#include <array>
#include <charconv>
#include <string_view>

#include "problem/number_text.h"

namespace vorn {

namespace {

constexpr std::array<std::string_view, 5> column_titles = {
    "generation", "training fitness", "validation fitness", "mean length", "best length"};
constexpr std::string_view column_gap = "  ";

std::string right_aligned(std::string_view text, std::size_t width) {
    std::string cell(text.size() < width ? width - text.size() : 0, ' ');
    cell += text;
    return cell;
}

}  // namespace

std::string table_header() {
    std::string line;
    for (std::string_view title : column_titles) {
        line += line.empty() ? "" : column_gap;
        line += title;
    }
    return line;
}

std::string table_row(const GenerationReport& report) {
    const std::array<std::string, 5> cells = {
        std::to_string(report.generation + 1), fixed_text(report.best_raw_fitness, 6),
        general_text(report.validation_fitness), std::to_string(report.mean_length),
        std::to_string(report.best_length)};
    std::string line;
    for (std::size_t c = 0; c < cells.size(); ++c) {
        line += c == 0 ? "" : column_gap;
        line += right_aligned(cells[c], column_titles[c].size());
    }
    return line;
}

std::string best_validation_line(const ValidatedBest& best) {
    return "best validation: generation " + std::to_string(best.generation) + ", count " +
           general_text(best.validation_count) + ", training " +
           fixed_text(best.training_fitness, 6);
}

}  // namespace vorn
