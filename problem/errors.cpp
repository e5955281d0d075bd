#include "problem/errors.h"

namespace vorn {

namespace {
std::string describe_file_problem(const std::string& file, std::int64_t line,
                                  const std::string& problem) {
    std::string message = file;
    if (line > 0) {
        message += ", line " + std::to_string(line);
    }
    message += ": " + problem;
    return message;
}
}  // namespace

DataFileError::DataFileError(std::string file, std::int64_t line, const std::string& problem)
    : std::runtime_error(describe_file_problem(file, line, problem)),
      file_(std::move(file)),
      line_(line) {}

SettingError field_error(std::string_view caption, std::string_view requirement,
                         std::string_view text) {
    std::string message = "\"";
    message += caption;
    message += "\" must be ";
    message += requirement;
    message += " (it is \"";
    message += text;
    message += "\").";
    return SettingError(message);
}

SettingError cell_error(std::string_view grid, std::int64_t row, int column,
                        std::string_view text) {
    std::string message(grid);
    message += ", row " + std::to_string(row) + ", column " + std::to_string(column) + ": \"";
    message += text;
    message += "\" is not a number.";
    return SettingError(message);
}

}  // namespace vorn
