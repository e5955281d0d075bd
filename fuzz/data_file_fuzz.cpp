// Arbitrary bytes as a data file. The reader must accept or refuse without a
// crash, hang or leak; a refusal names the first bad line (or the file as a
// whole) within the file's line count; an accepted file keeps one row per
// record, and its cell texts read back as the values rounded to six digits.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/text_checks.h"
#include "problem/data_file.h"
#include "problem/data_table.h"
#include "problem/errors.h"
#include "problem/number_text.h"

namespace vorn::fuzz {
namespace {

const std::string file_name = "fuzz.txt";

// The file's lines as the reader counts them: LF, CRLF and a lone CR each end
// one, and a leading byte-order mark is not part of the first.
std::vector<std::string_view> split_lines(std::string_view content) {
    if (content.starts_with("\xEF\xBB\xBF")) {
        content.remove_prefix(3);
    }
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < content.size(); ++i) {
        if (content[i] == '\n' || content[i] == '\r') {
            lines.push_back(content.substr(start, i - start));
            if (content[i] == '\r' && i + 1 < content.size() && content[i + 1] == '\n') {
                ++i;
            }
            start = i + 1;
        }
    }
    if (start < content.size()) {
        lines.push_back(content.substr(start));
    }
    return lines;
}

bool is_blank_line(std::string_view line) {
    return line.find_first_not_of(" \t") == std::string_view::npos;
}

void check_refusal(const std::vector<std::string_view>& lines, const DataFileError& error) {
    const std::string message = error.what();
    const std::string detail = message + " (" + std::to_string(lines.size()) + " lines)";
    check(error.file() == file_name, "refusal names another file", detail);
    for (char c : message) {
        const auto byte = static_cast<unsigned char>(c);
        check(byte >= 0x20 && byte < 0x7F, "refusal message holds a control or non-ASCII byte",
              detail);
    }
    const std::int64_t line = error.line();
    check(line >= 0 && line <= static_cast<std::int64_t>(lines.size()),
          "refusal names a line outside the file", detail);
    if (line == 0) {
        check(message.starts_with(file_name + ": "), "refusal of the whole file", detail);
        bool all_blank = true;
        for (std::string_view l : lines) {
            all_blank = all_blank && is_blank_line(l);
        }
        check(all_blank, "a file with a non-blank line refused as a whole", detail);
        return;
    }
    check(message.starts_with(file_name + ", line " + std::to_string(line) + ": "),
          "refusal message does not start with the file and line", detail);
    // Every line before the named one is fine, and the named one alone is bad.
    std::string before;
    for (std::int64_t i = 0; i + 1 < line; ++i) {
        before += std::string(lines[static_cast<std::size_t>(i)]) + "\n";
    }
    before += "1 2 3 4\n";
    try {
        static_cast<void>(parse_data_text(before, file_name));
    } catch (const DataFileError& earlier) {
        fail("a line before the named one is refused too", detail + " / " + earlier.what());
    }
    // Behind a blank first line, so a second byte-order mark is not skipped.
    const std::string alone = "\n" + std::string(lines[static_cast<std::size_t>(line - 1)]);
    try {
        static_cast<void>(parse_data_text(alone, file_name));
        fail("the named line is accepted on its own", detail);
    } catch (const DataFileError& again) {
        check(again.line() == 2, "the named line alone is refused elsewhere",
              detail + " / " + again.what());
    }
}

void check_rows(const std::vector<std::string_view>& lines, const std::vector<DataRow>& rows) {
    std::size_t records = 0;
    for (std::string_view l : lines) {
        records += is_blank_line(l) ? 0 : 1;
    }
    check(rows.size() == records, "row count differs from the non-blank line count",
          std::to_string(rows.size()) + " rows, " + std::to_string(records) + " records");
    const std::vector<CellRow> cells = cell_texts(rows);
    const DataTable table(rows);
    std::string reloaded;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        for (std::size_t c = 0; c < 4; ++c) {
            check(std::isfinite(rows[r][c]), "a loaded value is not finite", cells[r][c]);
            check_cell_text(rows[r][c]);
            const int column = static_cast<int>(c);
            check(table.cell_text(r, column) == cells[r][c], "the table shows another text",
                  cells[r][c]);
            check(table.value(r, column) == parse_real(cells[r][c]),
                  "a run reads another value than the cell text's", cells[r][c]);
            reloaded += cells[r][c] + (c < 3 ? "\t" : "\n");
        }
    }
    // The grid's texts saved as a file load as the same texts.
    check(cell_texts(parse_data_text(reloaded, file_name)) == cells,
          "cell texts change when saved and loaded again", reloaded.substr(0, 200));
}

}  // namespace
}  // namespace vorn::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vorn;
    const std::string_view content(reinterpret_cast<const char*>(data), size);
    const auto lines = fuzz::split_lines(content);
    std::vector<DataRow> rows;
    std::string refusal;
    try {
        rows = parse_data_text(content, fuzz::file_name);
    } catch (const DataFileError& error) {
        fuzz::check_refusal(lines, error);
        refusal = error.what();
    }
    if (refusal.empty()) {
        fuzz::check_rows(lines, rows);
    }
    // The same bytes in pieces, as reads from a pipe hand them over.
    const std::size_t piece = 1 + size % 7;
    std::vector<DataRow> piece_rows;
    std::string piece_refusal;
    try {
        DataTextReader reader(fuzz::file_name);
        for (std::size_t pos = 0; pos < content.size(); pos += piece) {
            reader.feed(content.substr(pos, piece));
        }
        piece_rows = reader.finish();
    } catch (const DataFileError& error) {
        piece_refusal = error.what();
    }
    fuzz::check(piece_refusal == refusal && piece_rows == rows,
                "read in pieces, the file reads otherwise", piece_refusal);
    return 0;
}
