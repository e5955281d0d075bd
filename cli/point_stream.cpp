#include "cli/point_stream.h"

#include <unistd.h>

#include <array>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <vector>

#include "cli/stop_signals.h"
#include "problem/data_file.h"
#include "problem/errors.h"
#include "problem/number_text.h"
#include "program/batch_eval.h"

namespace vorn {

namespace {

constexpr std::size_t max_line_length = 1024;
constexpr std::size_t shown_token_length = 40;
constexpr std::size_t points_per_block = 16 * BatchEvaluator::block_size;

void append_number(std::string& text, double value) {
    if (std::isnan(value)) {
        text += "nan";  // whatever its sign bit
        return;
    }
    std::array<char, 32> buffer{};
    const auto end = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value).ptr;
    text.append(buffer.data(), end);
}

// Points waiting for the evaluator, and the text of their lines.
class PredictionBlock {
public:
    PredictionBlock(const ProgramCode& code, std::ostream& out)
        : code_(code),
          evaluator_(code.view(), DataColumns{}, DataColumns{},
                     static_cast<std::int32_t>(code.gene.size())),
          out_(out) {
        xs_.reserve(points_per_block);
        ys_.reserve(points_per_block);
    }

    void add(double x, double y) {
        xs_.push_back(x);
        ys_.push_back(y);
        if (xs_.size() == points_per_block) {
            write();
        }
    }

    // Evaluates and writes the points held so far.
    void write() {
        if (xs_.empty()) {
            return;
        }
        written_ += xs_.size();
        values_.resize(xs_.size());
        evaluator_.evaluate(code_.gene, xs_, ys_, values_);
        text_.clear();
        for (std::size_t i = 0; i < xs_.size(); ++i) {
            append_prediction(text_, xs_[i], ys_[i], values_[i]);
        }
        out_.write(text_.data(), static_cast<std::streamsize>(text_.size()));
        xs_.clear();
        ys_.clear();
    }

    [[nodiscard]] std::uint64_t written() const { return written_; }

private:
    const ProgramCode& code_;
    BatchEvaluator evaluator_;
    std::ostream& out_;
    std::vector<double> xs_;
    std::vector<double> ys_;
    std::vector<double> values_;
    std::string text_;
    std::uint64_t written_ = 0;
};

}  // namespace

std::optional<std::pair<double, double>> parse_point_line(std::string_view line,
                                                          const std::string& file_name,
                                                          std::int64_t line_number) {
    std::array<double, 2> numbers{};
    std::size_t count = 0;
    std::size_t pos = 0;
    while (const auto token = next_token(line, pos, " \t\r")) {
        const std::optional<double> value = parse_real(*token);
        if (!value) {
            const bool cut = token->size() > shown_token_length;
            throw DataFileError(file_name, line_number,
                                "\"" + std::string(token->substr(0, shown_token_length)) +
                                    (cut ? "...\"" : "\"") + " is not a number.");
        }
        if (count < numbers.size()) {
            numbers[count] = *value;
        }
        ++count;
    }
    if (count == 0) {
        return std::nullopt;
    }
    if (count != numbers.size()) {
        throw DataFileError(file_name, line_number,
                            "expected 2 numbers, found " + std::to_string(count) + ".");
    }
    return std::pair{numbers[0], numbers[1]};
}

std::string_view class_text(double value) {
    if (value > 0) {
        return "+1";
    }
    return value == 0 ? "0" : "-1";
}

void append_prediction(std::string& text, double x, double y, double value) {
    append_number(text, x);
    text += ' ';
    append_number(text, y);
    text += ' ';
    append_number(text, value);
    text += ' ';
    text += class_text(value);
    text += '\n';
}

PredictionEnd predict_stream(int fd, const std::string& file_name, const ProgramCode& code,
                             std::ostream& out, const volatile std::sig_atomic_t* stop) {
    PredictionBlock block(code, out);
    std::string line;
    std::int64_t line_number = 0;
    const auto end_line = [&] {
        ++line_number;
        if (const auto point = parse_point_line(line, file_name, line_number)) {
            block.add(point->first, point->second);
        }
        line.clear();
    };
    std::vector<char> chunk(std::size_t{1} << 16);
    bool stopped = false;
    try {
        while (out) {
            if (!wait_for_input(fd, stop)) {
                stopped = true;
                break;
            }
            const ssize_t got = ::read(fd, chunk.data(), chunk.size());
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got < 0) {
                throw DataFileError(file_name, 0, "cannot be read.");
            }
            if (got == 0) {
                break;
            }
            for (std::string_view bytes(chunk.data(), static_cast<std::size_t>(got));
                 !bytes.empty();) {
                const auto newline = bytes.find('\n');
                const std::string_view piece = bytes.substr(0, newline);
                if (piece.size() > max_line_length - line.size()) {
                    throw DataFileError(file_name, line_number + 1,
                                        "the line is longer than " +
                                            std::to_string(max_line_length) + " characters.");
                }
                line.append(piece);
                if (newline == std::string_view::npos) {
                    break;
                }
                end_line();
                bytes.remove_prefix(newline + 1);
            }
            // Whoever feeds a pipe a line at a time gets each answer at once.
            block.write();
            out.flush();
        }
        // A line cut short by the stop is not answered.
        if (!line.empty() && out && !stopped) {
            end_line();
        }
    } catch (const DataFileError&) {
        // The lines before a bad one are still answered.
        block.write();
        out.flush();
        throw;
    }
    block.write();
    out.flush();
    return {block.written(), stopped};
}

}  // namespace vorn
