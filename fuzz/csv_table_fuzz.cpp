// Arbitrary bytes as a labelled CSV file. The reader must accept or refuse
// without a crash, hang or leak, the same in pieces as whole; an accepted
// table has as many fields in every row as in the first, and its default
// choice pairs into every point once (the smaller class cycled) or is refused
// with a DataFileError naming a line of the file.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/text_checks.h"
#include "problem/csv_pairing.h"
#include "problem/csv_table.h"
#include "problem/errors.h"

namespace vorn::fuzz {
namespace {

const std::string file_name = "fuzz.csv";

// The table's fields as one text, for comparing two readings.
std::string fields_of(const CsvTable& table) {
    std::string text;
    for (std::size_t r = 0; r < table.row_count(); ++r) {
        text += std::to_string(table.line(r)) + ":";
        for (std::size_t c = 0; c < table.column_count(); ++c) {
            text += std::string(table.field(r, c)) + '\x1F';
        }
        text += '\n';
    }
    return text;
}

void check_message(const DataFileError& error, std::string_view content) {
    const std::string message = error.what();
    check(error.file() == file_name && message.starts_with(file_name), "refusal names another file",
          message);
    for (char c : message) {
        const auto byte = static_cast<unsigned char>(c);
        check(byte >= 0x20 && byte != 0x7F, "refusal message holds a control byte", message);
    }
    // Every line break ends a line, so no line number exceeds their count + 1.
    const auto breaks = std::count_if(content.begin(), content.end(),
                                      [](char c) { return c == '\n' || c == '\r'; });
    check(error.line() >= 0 && error.line() <= breaks + 1, "refusal names a line outside the file",
          message);
}

void check_pairing(const CsvTable& table, std::string_view content) {
    const CsvChoice choice = default_csv_choice(table);
    try {
        const PairedData paired = pair_csv(table, choice);
        const std::size_t data_rows =
            table.row_count() - (csv_has_header(table, choice.x_column, choice.y_column) ? 1 : 0);
        check(paired.counts.positives + paired.counts.negatives == data_rows,
              "a data row is not counted", std::to_string(data_rows));
        check(paired.counts.positives > 0 && paired.counts.negatives > 0,
              "a class without points is paired", pairing_summary(paired.counts));
        check(paired.rows.size() == paired.counts.rows(), "row count is not the larger class",
              pairing_summary(paired.counts));
        check(csv_pairing_counts(table, choice) == paired.counts, "the counts differ",
              pairing_summary(paired.counts));
    } catch (const DataFileError& error) {
        check_message(error, content);
    }
}

}  // namespace
}  // namespace vorn::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vorn;
    const std::string_view content(reinterpret_cast<const char*>(data), size);
    std::string whole;
    try {
        const CsvTable table = parse_csv_text(content, fuzz::file_name);
        whole = fuzz::fields_of(table);
        for (std::size_t r = 0; r < table.row_count(); ++r) {
            fuzz::check(r == 0 || table.line(r) > table.line(r - 1), "rows out of line order",
                        whole.substr(0, 200));
        }
        fuzz::check_pairing(table, content);
    } catch (const DataFileError& error) {
        fuzz::check_message(error, content);
        whole = error.what();
    }
    // The same bytes in pieces, as reads from a pipe hand them over.
    const std::size_t piece = 1 + size % 7;
    std::string pieces;
    try {
        CsvTextReader reader(fuzz::file_name);
        for (std::size_t pos = 0; pos < content.size(); pos += piece) {
            reader.feed(content.substr(pos, piece));
        }
        pieces = fuzz::fields_of(reader.finish());
    } catch (const DataFileError& error) {
        pieces = error.what();
    }
    fuzz::check(pieces == whole, "read in pieces, the file reads otherwise", pieces.substr(0, 200));
    return 0;
}
