#include "problem/data_file.h"
#include "problem/file_descriptor.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <vector>

#include "problem/errors.h"
#include "problem/number_text.h"

namespace vorn {

namespace {

constexpr std::size_t max_line_length = 255;
constexpr std::string_view byte_order_mark = "\xEF\xBB\xBF";

[[nodiscard]] bool is_exponent_text(std::string_view text) {
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        text.remove_prefix(1);
    }
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Whether a token that parse_float32 refused is a well-formed decimal that is
// only too large or too small, so the message can say which.
[[nodiscard]] bool is_out_of_float_range(std::string_view token) {
    if (parse_real(token).has_value()) {
        return true;
    }
    const std::size_t e_pos = token.find_last_of("eE");
    if (e_pos == std::string_view::npos) {
        return false;
    }
    const std::string_view mantissa = token.substr(0, e_pos);
    return mantissa.find_first_of("eE") == std::string_view::npos &&
           parse_real(mantissa).has_value() && is_exponent_text(token.substr(e_pos + 1));
}

[[noreturn]] void refuse_token(std::string_view token, const std::string& file_name,
                               std::int64_t line_number) {
    throw DataFileError(file_name, line_number, number_problem(token));
}

// Adds the line's record to `rows`; a line of blanks adds nothing. The line
// is no longer than max_line_length.
void read_line(std::string_view line, const std::string& file_name, std::int64_t line_number,
               std::vector<DataRow>& rows) {
    DataRow row{};
    std::size_t count = 0;
    std::size_t pos = 0;
    while (const auto token = next_token(line, pos)) {
        const std::optional<float> value = parse_float32(*token);
        if (!value) {
            refuse_token(*token, file_name, line_number);
        }
        if (count < row.size()) {
            row[count] = *value;
        }
        ++count;
    }
    if (count == 0) {
        return;
    }
    if (count != row.size()) {
        throw DataFileError(file_name, line_number,
                            "expected " + std::to_string(row.size()) + " numbers, found " +
                                std::to_string(count) + ".");
    }
    rows.push_back(row);
}

}  // namespace

std::optional<std::string_view> next_token(std::string_view line, std::size_t& pos,
                                           std::string_view blanks) {
    const std::size_t start = line.find_first_not_of(blanks, pos);
    if (start == std::string_view::npos) {
        pos = line.size();
        return std::nullopt;
    }
    pos = std::min(line.find_first_of(blanks, start), line.size());
    return line.substr(start, pos - start);
}

DataTextReader::DataTextReader(std::string file_name) : file_name_(std::move(file_name)) {}

void DataTextReader::feed(std::string_view bytes) {
    // A byte-order mark may arrive split over several pieces.
    while (!mark_checked_ && !bytes.empty()) {
        mark_.push_back(bytes.front());
        bytes.remove_prefix(1);
        if (!byte_order_mark.starts_with(mark_)) {
            mark_checked_ = true;
            read_bytes(mark_);
        } else if (mark_.size() == byte_order_mark.size()) {
            mark_checked_ = true;
        }
    }
    if (mark_checked_) {
        read_bytes(bytes);
    }
}

std::vector<DataRow> DataTextReader::finish() {
    if (!mark_checked_) {
        mark_checked_ = true;
        read_bytes(mark_);
    }
    if (!any_content_) {
        throw DataFileError(file_name_, 0, "the file is empty.");
    }
    if (!line_.empty()) {
        end_line();
    }
    if (rows_.empty()) {
        throw DataFileError(file_name_, 0, "the file holds no records, only blank lines.");
    }
    return std::move(rows_);
}

// LF, CRLF and a lone CR each end a line, so files saved with any convention
// (or a mix) read the same.
void DataTextReader::read_bytes(std::string_view bytes) {
    any_content_ = any_content_ || !bytes.empty();
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        if (after_cr_) {
            after_cr_ = false;
            if (bytes[pos] == '\n') {
                ++pos;
                continue;
            }
        }
        const std::size_t end = bytes.find_first_of("\r\n", pos);
        append(bytes.substr(pos, end == std::string_view::npos ? end : end - pos));
        if (end == std::string_view::npos) {
            return;
        }
        after_cr_ = bytes[end] == '\r';
        end_line();
        pos = end + 1;
    }
}

// The line is refused at its first character too many, whatever follows.
void DataTextReader::append(std::string_view piece) {
    if (piece.size() > max_line_length - line_.size()) {
        throw DataFileError(
            file_name_, line_number_ + 1,
            "the line is longer than " + std::to_string(max_line_length) + " characters.");
    }
    line_.append(piece);
}

void DataTextReader::end_line() {
    ++line_number_;
    read_line(line_, file_name_, line_number_, rows_);
    line_.clear();
}

std::vector<DataRow> parse_data_text(std::string_view content, const std::string& file_name) {
    DataTextReader reader(file_name);
    reader.feed(content);
    return reader.finish();
}

void read_file_pieces(const std::filesystem::path& path,
                      const std::function<void(std::string_view)>& piece) {
    const std::string file_name = path.string();
    const FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat status {};
    // Opening a folder succeeds; reading it does not.
    if (file.get() < 0 || ::fstat(file.get(), &status) != 0 || S_ISDIR(status.st_mode)) {
        throw DataFileError(file_name, 0, "cannot be opened.");
    }
    std::vector<char> chunk(std::size_t{1} << 16);
    while (true) {
        const ssize_t got = ::read(file.get(), chunk.data(), chunk.size());
        if (got == 0) {
            break;
        }
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            throw DataFileError(file_name, 0, "cannot be read.");
        }
        piece(std::string_view(chunk.data(), static_cast<std::size_t>(got)));
    }
}

std::vector<DataRow> read_data_file(const std::filesystem::path& path) {
    DataTextReader reader(path.string());
    read_file_pieces(path, [&reader](std::string_view bytes) { reader.feed(bytes); });
    return reader.finish();
}

std::string shown_token(std::string_view token) {
    std::string shown;
    for (char c : token.substr(0, echoed_length + 1)) {
        const auto byte = static_cast<unsigned char>(c);
        shown.push_back(byte >= 0x20 && byte < 0x7F ? c : '?');
    }
    return echoed_text(shown);
}

std::string number_problem(std::string_view token) {
    const std::string quoted = "\"" + shown_token(token) + "\"";
    if (is_out_of_float_range(token)) {
        return "value " + quoted + " is outside the 32-bit float range.";
    }
    return quoted + " is not a number.";
}

std::vector<CellRow> cell_texts(std::span<const DataRow> rows) {
    std::vector<CellRow> cells;
    cells.reserve(rows.size());
    for (const DataRow& row : rows) {
        CellRow& texts = cells.emplace_back();
        for (std::size_t column = 0; column < row.size(); ++column) {
            texts[column] = cell_text(row[column]);
        }
    }
    return cells;
}

}  // namespace vorn
