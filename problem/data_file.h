#pragma once
// The data file: one record per line, four whitespace-separated numbers
// (x1 y1 x2 y2), each read as a 32-bit float. A file is accepted or refused
// as a whole.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "problem/data_table.h"

namespace vorn {

// Reads a data file line by line; throws DataFileError naming the file, the
// line and the problem when the file cannot be opened or a line is not a
// record. Reading stops at the first bad line, and a line is refused as soon
// as it is too long, so what is held never exceeds the rows accepted.
[[nodiscard]] std::vector<DataRow> read_data_file(const std::filesystem::path& path);

// The same rules on text already in memory; `file_name` names it in errors.
[[nodiscard]] std::vector<DataRow> parse_data_text(std::string_view content,
                                                   const std::string& file_name);

// The reader behind both, fed the bytes in pieces of any size; each line is
// read as soon as it ends. feed() throws DataFileError at the first bad line,
// finish() when the file is refused as a whole.
class DataTextReader {
public:
    explicit DataTextReader(std::string file_name);
    void feed(std::string_view bytes);
    [[nodiscard]] std::vector<DataRow> finish();

private:
    void read_bytes(std::string_view bytes);
    void append(std::string_view piece);
    void end_line();

    std::string file_name_;
    std::string mark_;  // the first bytes, while they may still be a byte-order mark
    bool mark_checked_ = false;
    bool any_content_ = false;
    bool after_cr_ = false;
    std::string line_;              // at most the longest line allowed
    std::int64_t line_number_ = 0;  // of the lines ended so far
    std::vector<DataRow> rows_;
};

// Hands the file's bytes to `piece` as read() delivers them, so a pipe's bad
// line is refused without waiting for the rest; throws DataFileError when the
// file (a folder included) cannot be opened or read.
void read_file_pieces(const std::filesystem::path& path,
                      const std::function<void(std::string_view)>& piece);

// A token as a message may show it: control bytes (a NUL would cut the
// message short) and non-ASCII bytes become "?", a long token is shortened.
[[nodiscard]] std::string shown_token(std::string_view token);

// Why a token is no 32-bit float value: `"x" is not a number.` or `value
// "1e39" is outside the 32-bit float range.`, the token shown shortened and
// with "?" for control and non-ASCII bytes.
[[nodiscard]] std::string number_problem(std::string_view token);

// The next token of `line` from `pos` between `blanks`, leaving `pos` just
// past it; none when only blanks are left.
[[nodiscard]] std::optional<std::string_view> next_token(std::string_view line, std::size_t& pos,
                                                         std::string_view blanks = " \t");

// The grid's cell texts for loaded rows (cell_text of each value).
[[nodiscard]] std::vector<CellRow> cell_texts(std::span<const DataRow> rows);

}  // namespace vorn
