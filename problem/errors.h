#pragma once
// Typed errors of the core. Each carries a message of the catalogue, meant for
// the user, that names the field (by its caption), the grid cell, or the file
// and line.
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

#include "problem/messages.h"

namespace vorn {

// The base of the core's typed errors: what() is the message's text.
class MessageError : public std::runtime_error {
public:
    explicit MessageError(Message message)
        : std::runtime_error(message.text), message_(std::move(message)) {}
    [[nodiscard]] const Message& message() const { return message_; }

private:
    Message message_;
};

// A panel text, grid cell or run parameter that cannot be used.
class SettingError : public MessageError {
public:
    using MessageError::MessageError;
};

// A data file refused as a whole.
class DataFileError : public MessageError {
public:
    DataFileError(std::string file, std::int64_t line, const std::string& problem);
    [[nodiscard]] const std::string& file() const { return file_; }
    // 1-based line number; 0 when the problem concerns the file as a whole.
    [[nodiscard]] std::int64_t line() const { return line_; }

private:
    std::string file_;
    std::int64_t line_;
};

// A run that cannot go on (creation or mutation gave up); the run ends and the
// front end shows the message.
class RunError : public MessageError {
public:
    using MessageError::MessageError;
};

[[nodiscard]] inline SettingError field_error(std::string_view caption,
                                              std::string_view requirement, std::string_view text) {
    return SettingError(messages::field_refused(caption, requirement, text));
}

[[nodiscard]] inline SettingError cell_error(std::string_view grid, std::int64_t row, int column,
                                             std::string_view text) {
    return SettingError(messages::cell_not_number(grid, row, column, text));
}

}  // namespace vorn
