#pragma once
// Typed errors of the core. Each carries a message meant for the user that
// names the field (by its caption), the grid cell, or the file and line.
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

#include "program/errors.h"

namespace vorn {

// A panel text, grid cell or run parameter that cannot be used.
class SettingError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A data file refused as a whole.
class DataFileError : public std::runtime_error {
public:
    DataFileError(std::string file, std::int64_t line, const std::string& problem);
    [[nodiscard]] const std::string& file() const { return file_; }
    // 1-based line number; 0 when the problem concerns the file as a whole.
    [[nodiscard]] std::int64_t line() const { return line_; }

private:
    std::string file_;
    std::int64_t line_;
};

// `"Number of constant" must be a whole number of at least 1 (it is "abc").`
[[nodiscard]] SettingError field_error(std::string_view caption, std::string_view requirement,
                                       std::string_view text);

// `Training Data, row 12, column 3: "x" is not a number.` (row and column 1-based)
[[nodiscard]] SettingError cell_error(std::string_view grid, std::int64_t row, int column,
                                      std::string_view text);

}  // namespace vorn
