#include "problem/data_file.h"

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <vector>

#include "problem/errors.h"
#include "problem/number_text.h"

namespace vorn {

namespace {

constexpr std::size_t max_line_length = 255;
constexpr std::size_t shown_token_length = 40;

[[nodiscard]] bool is_blank(char c) {
    return c == ' ' || c == '\t';
}

// A token as it can be shown in a message: control bytes (a NUL would cut the
// message short) and non-ASCII bytes become "?", long tokens are shortened.
[[nodiscard]] std::string shown_token(std::string_view token) {
    std::string shown;
    for (char c : token.substr(0, shown_token_length)) {
        const auto byte = static_cast<unsigned char>(c);
        shown.push_back(byte >= 0x20 && byte < 0x7F ? c : '?');
    }
    if (token.size() > shown_token_length) {
        shown += "...";
    }
    return shown;
}

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
    const std::string quoted = "\"" + shown_token(token) + "\"";
    if (is_out_of_float_range(token)) {
        throw DataFileError(file_name, line_number,
                            "value " + quoted + " is outside the 32-bit float range.");
    }
    throw DataFileError(file_name, line_number, quoted + " is not a number.");
}

// Adds the line's record to `rows`; a line of blanks adds nothing.
void read_line(std::string_view line, const std::string& file_name, std::int64_t line_number,
               std::vector<DataRow>& rows) {
    if (line.size() > max_line_length) {
        throw DataFileError(
            file_name, line_number,
            "the line is longer than " + std::to_string(max_line_length) + " characters.");
    }
    DataRow row{};
    std::size_t count = 0;
    std::size_t pos = 0;
    while (true) {
        while (pos < line.size() && is_blank(line[pos])) {
            ++pos;
        }
        if (pos == line.size()) {
            break;
        }
        const std::size_t start = pos;
        while (pos < line.size() && !is_blank(line[pos])) {
            ++pos;
        }
        const std::string_view token = line.substr(start, pos - start);
        const std::optional<float> value = parse_float32(token);
        if (!value) {
            refuse_token(token, file_name, line_number);
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

std::vector<DataRow> parse_data_text(std::string_view content, const std::string& file_name) {
    constexpr std::string_view byte_order_mark = "\xEF\xBB\xBF";
    if (content.starts_with(byte_order_mark)) {
        content.remove_prefix(byte_order_mark.size());
    }
    if (content.empty()) {
        throw DataFileError(file_name, 0, "the file is empty.");
    }
    std::vector<DataRow> rows;
    rows.reserve(static_cast<std::size_t>(std::count(content.begin(), content.end(), '\n')) + 1);
    // LF, CRLF and a lone CR each end a line, so files saved with any
    // convention (or a mix) read the same.
    std::int64_t line_number = 0;
    std::size_t pos = 0;
    while (pos < content.size()) {
        ++line_number;
        std::size_t end = pos;
        while (end < content.size() && content[end] != '\n' && content[end] != '\r') {
            ++end;
        }
        read_line(content.substr(pos, end - pos), file_name, line_number, rows);
        pos = end;
        if (pos < content.size()) {
            const bool crlf =
                content[pos] == '\r' && pos + 1 < content.size() && content[pos + 1] == '\n';
            pos += crlf ? 2 : 1;
        }
    }
    if (rows.empty()) {
        throw DataFileError(file_name, 0, "the file holds no records, only blank lines.");
    }
    return rows;
}

std::vector<DataRow> read_data_file(const std::filesystem::path& path) {
    const std::string file_name = path.string();
    std::error_code error;
    // Opening a folder succeeds on some systems; reading it does not.
    if (std::filesystem::is_directory(path, error)) {
        throw DataFileError(file_name, 0, "cannot be opened.");
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw DataFileError(file_name, 0, "cannot be opened.");
    }
    std::string content;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (!error) {
        content.reserve(static_cast<std::size_t>(size));
    }
    std::vector<char> chunk(std::size_t{1} << 16);
    while (in) {
        in.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
        content.append(chunk.data(), static_cast<std::size_t>(in.gcount()));
    }
    if (in.bad()) {
        throw DataFileError(file_name, 0, "cannot be read.");
    }
    return parse_data_text(content, file_name);
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
