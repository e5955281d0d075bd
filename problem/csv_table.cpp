#include "problem/csv_table.h"

#include <algorithm>
#include <cctype>
#include <stdexcept>
#include <system_error>

#include "problem/data_file.h"
#include "problem/errors.h"

namespace vorn {

namespace {

constexpr std::string_view byte_order_mark = "\xEF\xBB\xBF";

[[nodiscard]] bool is_blank(char c) {
    return c == ' ' || c == '\t';
}

[[nodiscard]] std::string_view trimmed(std::string_view text) {
    while (!text.empty() && is_blank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && is_blank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

[[nodiscard]] std::string column_text(std::size_t column) {
    return "column " + std::to_string(column + 1);
}

// Splits one line (no line break in it) into `table`'s open row.
class LineFields {
public:
    LineFields(CsvTable& table, const std::string& file_name, std::int64_t line_number)
        : table_(table), file_name_(file_name), line_number_(line_number) {}

    void read(std::string_view line) {
        std::size_t pos = 0;
        for (std::size_t column = 0;; ++column) {
            while (pos < line.size() && is_blank(line[pos])) {
                ++pos;
            }
            pos = pos < line.size() && line[pos] == '"' ? quoted(line, pos + 1, column)
                                                        : plain(line, pos, column);
            if (pos >= line.size()) {
                return;
            }
            ++pos;  // the comma
            if (pos == line.size()) {
                table_.add_field({});  // a comma ends the line: one more, empty field
                return;
            }
        }
    }

private:
    [[noreturn]] void refuse(std::size_t column, const std::string& problem) const {
        throw DataFileError(file_name_, line_number_, column_text(column) + ": " + problem);
    }

    // A field up to the next comma; returns where that comma (or the line) ends.
    std::size_t plain(std::string_view line, std::size_t pos, std::size_t column) {
        const std::size_t end = std::min(line.find(',', pos), line.size());
        const std::string_view text = line.substr(pos, end - pos);
        if (text.find('"') != std::string_view::npos) {
            refuse(column,
                   "a quote inside a field that does not start with one (quote the whole "
                   "field and double the quotes inside it).");
        }
        table_.add_field(trimmed(text));
        return end;
    }

    // A quoted field from just after its opening quote.
    std::size_t quoted(std::string_view line, std::size_t pos, std::size_t column) {
        scratch_.clear();
        while (true) {
            const std::size_t quote = line.find('"', pos);
            if (quote == std::string_view::npos) {
                refuse(column,
                       "a quoted field is not closed on its line (fields cannot hold line "
                       "breaks).");
            }
            scratch_.append(line.substr(pos, quote - pos));
            pos = quote + 1;
            if (pos < line.size() && line[pos] == '"') {
                scratch_.push_back('"');
                ++pos;
                continue;
            }
            break;
        }
        while (pos < line.size() && is_blank(line[pos])) {
            ++pos;
        }
        if (pos < line.size() && line[pos] != ',') {
            refuse(column, "only blanks may follow the closing quote of a field.");
        }
        table_.add_field(trimmed(scratch_));
        return pos;
    }

    CsvTable& table_;
    const std::string& file_name_;
    std::int64_t line_number_;
    std::string scratch_;
};

}  // namespace

bool is_csv_name(const std::filesystem::path& path) {
    const std::string name = path.filename().string();
    if (name.size() < 4) {
        return false;
    }
    std::string suffix = name.substr(name.size() - 4);
    std::transform(suffix.begin(), suffix.end(), suffix.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return suffix == ".csv";
}

std::string_view CsvTable::field(std::size_t row, std::size_t column) const {
    if (row >= lines_.size() || column >= column_count_) {
        throw std::out_of_range("CsvTable: no such field");
    }
    const std::size_t index = row * column_count_ + column;
    std::size_t start = marks_[index / fields_per_mark];
    for (std::size_t skip = index % fields_per_mark; skip > 0; --skip) {
        start = text_.find('\0', start) + 1;
    }
    return std::string_view(text_).substr(start, text_.find('\0', start) - start);
}

void CsvTable::add_field(std::string_view text) {
    if (field_count_ % fields_per_mark == 0) {
        marks_.push_back(static_cast<std::uint32_t>(text_.size()));
    }
    text_.append(text);
    text_.push_back('\0');
    ++field_count_;
}

void CsvTable::end_row(std::int64_t line) {
    if (lines_.empty()) {
        column_count_ = field_count_;
    }
    lines_.push_back(static_cast<std::uint32_t>(line));
}

std::size_t CsvTable::fields_in_open_row() const {
    return field_count_ - lines_.size() * column_count_;
}

void CsvTable::reserve(std::uint64_t bytes) {
    // Up to a size that no file of NUL bytes, refused in its first piece,
    // could make a burden; a larger file grows from there.
    constexpr std::uint64_t most = std::uint64_t{256} << 20;
    text_.reserve(static_cast<std::size_t>(std::min(bytes, most)) + 1);
}

CsvTextReader::CsvTextReader(std::string file_name, std::uint64_t size)
    : table_(std::move(file_name)) {
    table_.reserve(size);
}

// LF, CRLF and a lone CR each end a line, as in the data file.
void CsvTextReader::feed(std::string_view bytes) {
    bytes_seen_ += bytes.size();
    if (bytes_seen_ >= max_csv_file_size) {
        throw DataFileError(
            table_.file_name(), 0,
            "the file is larger than " + std::to_string(max_csv_file_size >> 30) + " GiB.");
    }
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
        const std::string_view piece =
            bytes.substr(pos, end == std::string_view::npos ? end : end - pos);
        // Refused at once, so endless or binary input costs little.
        if (piece.size() > max_csv_line_length - line_.size()) {
            throw DataFileError(
                table_.file_name(), line_number_ + 1,
                "the line is longer than " + std::to_string(max_csv_line_length) + " characters.");
        }
        if (piece.find('\0') != std::string_view::npos) {
            throw DataFileError(table_.file_name(), line_number_ + 1,
                                "the line holds a NUL byte; the file is not text.");
        }
        line_.append(piece);
        if (end == std::string_view::npos) {
            return;
        }
        after_cr_ = bytes[end] == '\r';
        end_line();
        pos = end + 1;
    }
}

void CsvTextReader::end_line() {
    ++line_number_;
    std::string_view line = line_;
    if (line_number_ == 1 && line.starts_with(byte_order_mark)) {
        line.remove_prefix(byte_order_mark.size());
        bytes_seen_ -= byte_order_mark.size();
    }
    if (!trimmed(line).empty()) {
        LineFields(table_, table_.file_name(), line_number_).read(line);
        const std::size_t fields = table_.fields_in_open_row();
        if (table_.row_count() > 0 && fields != table_.column_count()) {
            throw DataFileError(table_.file_name(), line_number_,
                                std::to_string(fields) + (fields == 1 ? " field" : " fields") +
                                    ", but line " + std::to_string(table_.line(0)) + " has " +
                                    std::to_string(table_.column_count()) + ".");
        }
        table_.end_row(line_number_);
    }
    line_.clear();
}

CsvTable CsvTextReader::finish() {
    if (!line_.empty()) {
        end_line();
    }
    if (table_.row_count() == 0) {
        throw DataFileError(table_.file_name(), 0,
                            bytes_seen_ == 0 ? "the file is empty."
                                             : "the file holds no records, only blank lines.");
    }
    return std::move(table_);
}

CsvTable parse_csv_text(std::string_view content, const std::string& file_name) {
    CsvTextReader reader(file_name, content.size());
    reader.feed(content);
    return reader.finish();
}

CsvTable read_csv_table(const std::filesystem::path& path) {
    std::error_code error;
    const bool regular = std::filesystem::is_regular_file(path, error);
    const std::uintmax_t size = regular ? std::filesystem::file_size(path, error) : 0;
    CsvTextReader reader(path.string(), error ? 0 : size);
    read_file_pieces(path, [&reader](std::string_view bytes) { reader.feed(bytes); });
    return reader.finish();
}

}  // namespace vorn
