#pragma once
// A CSV file as a table of field texts. A file is accepted or refused as a
// whole; every refusal is a DataFileError naming the file, the line and the
// problem. Which columns hold what is csv_pairing.h's business.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace vorn {

// Whether the name ends in ".csv", in any case.
[[nodiscard]] bool is_csv_name(const std::filesystem::path& path);

// Every record of a CSV file as field texts, unquoted and without surrounding
// blanks; the first row may be a header (csv_has_header). All fields are
// kept in one buffer, so a table costs little more than its file.
class CsvTable {
public:
    explicit CsvTable(std::string file_name) : file_name_(std::move(file_name)) {}

    [[nodiscard]] const std::string& file_name() const { return file_name_; }
    [[nodiscard]] std::size_t column_count() const { return column_count_; }
    // Rows of the file, the first included; blank lines are no rows.
    [[nodiscard]] std::size_t row_count() const { return lines_.size(); }
    // Rows and columns count from 0.
    [[nodiscard]] std::string_view field(std::size_t row, std::size_t column) const;
    // The 1-based line of the file that holds the row.
    [[nodiscard]] std::int64_t line(std::size_t row) const { return lines_.at(row); }

    // Room for the fields of a file of `bytes` bytes, so that reading it
    // never holds two copies of the text while the buffer grows.
    void reserve(std::uint64_t bytes);
    // The reader's side: appends a field (without NUL bytes) to the row being
    // built, then ends it.
    void add_field(std::string_view text);
    void end_row(std::int64_t line);
    [[nodiscard]] std::size_t fields_in_open_row() const;

private:
    std::string file_name_;
    std::size_t column_count_ = 0;
    // Each field costs its text and one byte, as in the file, so that a row
    // of commas costs no more than its line. Offsets and line numbers fit 32
    // bits: the reader refuses larger files.
    static constexpr std::size_t fields_per_mark = 16;
    std::string text_;                  // every field's text, each ended by a NUL
    std::vector<std::uint32_t> marks_;  // where every 16th field starts in text_
    std::vector<std::uint32_t> lines_;
    std::size_t field_count_ = 0;
};

// Reads a CSV file: fields separated by commas, RFC 4180 quotes (a doubled
// quote inside a quoted field), no line breaks inside fields; a byte-order
// mark is skipped, lines end with LF, CRLF or CR, blank lines are skipped and
// every row has as many fields as the first. Lines may be of any length up to
// a guard of max_csv_line_length, files of any size below max_csv_file_size.
// Throws DataFileError.
[[nodiscard]] CsvTable read_csv_table(const std::filesystem::path& path);

// The same rules on text already in memory; `file_name` names it in errors.
[[nodiscard]] CsvTable parse_csv_text(std::string_view content, const std::string& file_name);

inline constexpr std::size_t max_csv_line_length = std::size_t{1} << 20;
inline constexpr std::uint64_t max_csv_file_size = std::uint64_t{1} << 32;

// The reader behind both, fed the bytes in pieces of any size.
class CsvTextReader {
public:
    // `size` is the file's size when it is known.
    explicit CsvTextReader(std::string file_name, std::uint64_t size = 0);
    void feed(std::string_view bytes);
    [[nodiscard]] CsvTable finish();

private:
    void end_line();

    CsvTable table_;
    std::string line_;
    std::int64_t line_number_ = 0;  // of the lines ended so far
    std::uint64_t bytes_seen_ = 0;
    bool after_cr_ = false;
};

}  // namespace vorn
