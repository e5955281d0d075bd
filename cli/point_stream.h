#pragma once
// --predict's stream: points "x y" read as they arrive, evaluated a block at
// a time, and written as "x y value class" lines, so memory stays bounded
// whatever the length of the input.
#include <csignal>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>

#include "program/program_file.h"

namespace vorn {

// One line of points text: nothing for a line of blanks, else its two
// numbers (parse_real: no NaN or infinity). Throws DataFileError naming
// the file and line.
[[nodiscard]] std::optional<std::pair<double, double>> parse_point_line(
    std::string_view line, const std::string& file_name, std::int64_t line_number);

// "+1" for a value > 0, "0" for ±0, "-1" otherwise (NaN included).
[[nodiscard]] std::string_view class_text(double value);

// Appends "x y value class\n", the numbers in their shortest round-trip form
// ("nan", "inf" and "-inf" for the values that are not finite).
void append_prediction(std::string& text, double x, double y, double value);

// How far the points went.
struct PredictionEnd {
    std::uint64_t points = 0;  // lines written
    bool stopped = false;      // by `stop`, before the input's end
};

// Reads points from `fd` to its end and writes a line for each to `out`,
// flushed whenever the input pauses; stops early once `out` fails, or when
// `stop` (may be null) is set, at a read, after answering the whole lines
// read so far. Throws DataFileError at the first bad line, after the lines
// before it.
PredictionEnd predict_stream(int fd, const std::string& file_name, const ProgramCode& code,
                             std::ostream& out, const volatile std::sig_atomic_t* stop);

}  // namespace vorn
