#include "problem/messages.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>

namespace vorn {

namespace {

// Blanks are written {0}, {1}, ... in the order of the arguments.
std::string_view pattern(MessageId id) {
    switch (id) {
        case MessageId::training_not_loaded:
            return "You must load data set for training before GP run.";
        case MessageId::validation_not_loaded:
            return "You must load data set for validation before GP run.";
        case MessageId::operation_rate_sum:
            return "The sum of operation rate must be 1.0";
        case MessageId::node_ratio_sum:
            return "The sum of initial node ratio must be 1.0";
        case MessageId::constant_range:
            return "Please set the range of constants proparly";
        case MessageId::no_function:
            return "You must use 1 function at least.";
        case MessageId::field_refused:
            return "\"{0}\" must be {1} (it is \"{2}\").";
        case MessageId::grid_empty:
            return "\"{0}\" must hold at least one row (it is empty).";
        case MessageId::grid_too_large:
            return "\"{0}\" holds more rows than a run can use.";
        case MessageId::cell_not_number:
            return "{0}, row {1}, column {2}: \"{3}\" is not a number.";
        case MessageId::population_memory:
            return "The population needs about {0} of memory, more than this process may use; "
                   "lower \"Population Size\", \"Maximum Length\" or \"Generation\".";
        case MessageId::data_file_refused:
            return "{0}{1}: {2}";
        case MessageId::creation_failed:
            return "Random creation could not complete the first programs within \"Maximum "
                   "Length\" {0} after {1} attempts; raise \"Maximum Length\" or lower \"Maximum "
                   "Initial Depth\" or the \"Function\" ratio.";
        case MessageId::mutation_failed:
            return "Mutation could not grow a new subtree within \"Maximum Length\" {0} after {1} "
                   "attempts; lower the \"Function\" ratio or raise \"Maximum Length\".";
        case MessageId::memory_setting:
            return "Memory Allocation Error!!!!1";
        case MessageId::memory_population:
            return "Memory Allocation Error!!!!2";
        case MessageId::memory_run:
            return "Memory Allocation Error";
        case MessageId::abort_question:
            return "Are you sure you want to abort this GP run?";
        case MessageId::unexpected_error:
            return "An unexpected error occurred.";
        case MessageId::internal_error:
            return "{0}";
        case MessageId::file_is_input:
            return "{0}: cannot be written, it is the same file as the input {1}.";
        case MessageId::file_not_written:
            return "{0}: cannot be written ({1}).";
        case MessageId::run_stopped:
            return "The run was stopped by {0} after {1} of {2} generations{3}.";
        case MessageId::internal_run_error:
            return "Internal error: {0}. The run was ended.";
        case MessageId::creation_failed_at_cap:
            return "Random creation could not complete the first programs within {0} nodes, the "
                   "most a created program may have, after {1} attempts; lower \"Maximum Initial "
                   "Depth\" or the \"Function\" ratio.";
        case MessageId::program_file_refused:
            return "{0}: cannot be read as a program ({1}).";
        case MessageId::program_scored:
            return "Program {0}\n{1}";
        case MessageId::settings_refused:
            return "{0}{1}: {2}";
        case MessageId::csv_pairing:
            return "{0} positive, {1} negative \xE2\x86\x92 {2}{3}";
        case MessageId::record_refused:
            return "{0}: cannot be read as a run record ({1}).";
        case MessageId::rerun_matches:
            return "{0}: the run came out as recorded ({1} generations, seed {2}).";
        case MessageId::rerun_differs:
            return "{0}: the run did not come out as recorded: {1}{2}.";
        case MessageId::records_mixed:
            return "{0}: not a run of the same experiment as {1} ({2}).";
        case MessageId::records_repeated:
            return "{0} of the records repeat the seed of a record before them and are "
                   "counted once.";
        case MessageId::records_stopped:
            return "{0} of the runs were stopped before their last generation: their lines are "
                   "marked \"stopped\" and the median, minimum and maximum leave them out.";
        case MessageId::runs_stopped:
            return "The runs were stopped by {0}: {1} of {2} runs finished; the others left no "
                   "record.";
        case MessageId::mode_stopped:
            return "{0} was stopped by {1} after {2}.";
        case MessageId::recent_file_missing:
            return "\"{0}\" no longer exists and was removed from Recent Files.";
    }
    return "";
}

Message make(MessageId id, std::initializer_list<std::string> args) {
    Message message{id, std::vector<std::string>(args), {}};
    message.text = render_message(id, message.args);
    return message;
}

}  // namespace

// The most any one argument shows: file names and reasons fit, and no text
// from outside can make a message that fills the screen.
constexpr std::size_t longest_argument = 1000;

std::string render_message(MessageId id, std::span<const std::string> args) {
    const std::string_view text = pattern(id);
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '{' && i + 2 < text.size() && text[i + 2] == '}') {
            const auto n = static_cast<std::size_t>(text[i + 1] - '0');
            if (n < args.size()) {
                out += escaped_text(cut_text(args[n], longest_argument));
            }
            i += 2;
            continue;
        }
        out += text[i];
    }
    return out;
}

namespace {

// The length of the UTF-8 sequence that starts `text`, 0 when it is not one
// (overlong forms, surrogates and values above U+10FFFF are not).
std::size_t utf8_sequence_length(std::string_view text) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (text.size() < length || byte(1) < low || byte(1) > high) {
        return 0;
    }
    for (std::size_t i = 2; i < length; ++i) {
        if (byte(i) < 0x80 || byte(i) > 0xBF) {
            return 0;
        }
    }
    return length;
}

// The bytes of the character that starts `text` when it may be shown as it
// is; 0 for a control character (C0, DEL, C1) or a byte that is not UTF-8.
std::size_t plain_length(std::string_view text) {
    const auto byte = static_cast<unsigned char>(text[0]);
    if (byte < 0x20 || byte == 0x7F) {
        return 0;
    }
    if (byte < 0x80) {
        return 1;
    }
    // U+0080 to U+009F are the C1 controls: C2 80 to C2 9F.
    const std::size_t length = utf8_sequence_length(text);
    const bool c1 = length == 2 && byte == 0xC2 && static_cast<unsigned char>(text[1]) <= 0x9F;
    return c1 ? 0 : length;
}

void append_hex_byte(std::string& out, unsigned char byte) {
    constexpr std::string_view digits = "0123456789ABCDEF";
    out += "\\x";
    out += digits[byte >> 4];
    out += digits[byte & 0x0F];
}

}  // namespace

std::string escaped_text(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t length = plain_length(text.substr(i));
        if (text[i] == '\\') {
            out += "\\\\";
        } else if (length == 0) {
            append_hex_byte(out, static_cast<unsigned char>(text[i]));
        } else {
            out.append(text.substr(i, length));
        }
        i += std::max<std::size_t>(length, 1);
    }
    return out;
}

bool is_plain_text(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = plain_length(text.substr(i));
        if (length == 0) {
            return false;
        }
        i += length;
    }
    return true;
}

std::string cut_text(std::string_view text, std::size_t length) {
    std::size_t end = 0;
    for (std::size_t count = 0; end < text.size(); ++count) {
        if (count == length) {
            return std::string(text.substr(0, end)) + "...";
        }
        end += std::max<std::size_t>(utf8_sequence_length(text.substr(end)), 1);
    }
    return std::string(text);
}

namespace messages {

Message training_not_loaded() {
    return make(MessageId::training_not_loaded, {});
}
Message validation_not_loaded() {
    return make(MessageId::validation_not_loaded, {});
}
Message operation_rate_sum() {
    return make(MessageId::operation_rate_sum, {});
}
Message node_ratio_sum() {
    return make(MessageId::node_ratio_sum, {});
}
Message constant_range() {
    return make(MessageId::constant_range, {});
}
Message no_function() {
    return make(MessageId::no_function, {});
}
Message field_refused(std::string_view caption, std::string_view requirement,
                      std::string_view text) {
    return make(MessageId::field_refused,
                {std::string(caption), std::string(requirement), echoed_text(text)});
}
Message grid_empty(std::string_view grid) {
    return make(MessageId::grid_empty, {std::string(grid)});
}
Message grid_too_large(std::string_view grid) {
    return make(MessageId::grid_too_large, {std::string(grid)});
}
Message cell_not_number(std::string_view grid, std::int64_t row, int column,
                        std::string_view text) {
    return make(MessageId::cell_not_number, {std::string(grid), std::to_string(row),
                                             std::to_string(column), echoed_text(text)});
}
Message population_memory(double bytes) {
    constexpr double mib = 1024.0 * 1024.0;
    const double gib = bytes / (1024.0 * mib);
    const std::string size =
        gib >= 1 ? std::to_string(std::llround(gib)) + " GiB"
                 : std::to_string(std::max(1LL, std::llround(bytes / mib))) + " MiB";
    return make(MessageId::population_memory, {size});
}
// The line blank holds ", line N", or nothing when the whole file is refused.
Message data_file_refused(std::string_view file, std::int64_t line, std::string_view problem) {
    return make(MessageId::data_file_refused,
                {std::string(file), line > 0 ? ", line " + std::to_string(line) : std::string(),
                 std::string(problem)});
}
Message creation_failed(std::int32_t max_length, std::int64_t attempts) {
    return make(MessageId::creation_failed, {std::to_string(max_length), std::to_string(attempts)});
}
Message mutation_failed(std::int32_t max_length, std::int64_t attempts) {
    return make(MessageId::mutation_failed, {std::to_string(max_length), std::to_string(attempts)});
}
Message memory_setting() {
    return make(MessageId::memory_setting, {});
}
Message memory_population() {
    return make(MessageId::memory_population, {});
}
Message memory_run() {
    return make(MessageId::memory_run, {});
}
Message abort_question() {
    return make(MessageId::abort_question, {});
}
Message unexpected_error() {
    return make(MessageId::unexpected_error, {});
}

Message internal_error(std::string_view what) {
    return make(MessageId::internal_error, {std::string(what)});
}

Message file_is_input(std::string_view file, std::string_view input) {
    return make(MessageId::file_is_input, {std::string(file), std::string(input)});
}
Message file_not_written(std::string_view file, std::string_view reason) {
    return make(MessageId::file_not_written, {std::string(file), std::string(reason)});
}
// The last blank holds "; its rows are in FILE", or nothing without a CSV.
Message run_stopped(std::string_view signal, std::int32_t generations_done,
                    std::int32_t generations, std::string_view rows_file) {
    return make(
        MessageId::run_stopped,
        {std::string(signal), std::to_string(generations_done), std::to_string(generations),
         rows_file.empty() ? std::string() : "; its rows are in " + std::string(rows_file)});
}
Message internal_run_error(std::string_view what) {
    return make(MessageId::internal_run_error, {std::string(what)});
}
Message creation_failed_at_cap(std::int32_t node_cap, std::int64_t attempts) {
    return make(MessageId::creation_failed_at_cap,
                {std::to_string(node_cap), std::to_string(attempts)});
}
Message program_file_refused(std::string_view file, std::string_view reason) {
    return make(MessageId::program_file_refused, {std::string(file), std::string(reason)});
}
Message program_scored(std::string_view program_file, std::string_view score_line) {
    return make(MessageId::program_scored, {std::string(program_file), std::string(score_line)});
}
Message settings_refused(std::string_view file, std::int64_t line, std::string_view problem) {
    return make(MessageId::settings_refused,
                {std::string(file), line > 0 ? ", line " + std::to_string(line) : std::string(),
                 std::string(problem)});
}

Message csv_pairing(std::uint64_t positives, std::uint64_t negatives) {
    const std::uint64_t rows = std::max(positives, negatives);
    std::string cycled;
    if (positives != negatives) {
        cycled = positives < negatives ? ", positives cycled" : ", negatives cycled";
    }
    return make(MessageId::csv_pairing,
                {std::to_string(positives), std::to_string(negatives),
                 std::to_string(rows) + (rows == 1 ? " row" : " rows"), cycled});
}

Message record_refused(std::string_view file, std::string_view reason) {
    return make(MessageId::record_refused, {std::string(file), std::string(reason)});
}
Message rerun_matches(std::string_view file, std::int64_t generations, std::uint32_t seed) {
    return make(MessageId::rerun_matches,
                {std::string(file), std::to_string(generations), std::to_string(seed)});
}
Message rerun_differs(std::string_view file, std::string_view difference,
                      std::string_view platform) {
    return make(
        MessageId::rerun_differs,
        {std::string(file), std::string(difference),
         platform.empty() ? std::string() : "; different platform: " + std::string(platform)});
}
Message records_mixed(std::string_view file, std::string_view first_file,
                      std::string_view difference) {
    return make(MessageId::records_mixed,
                {std::string(file), std::string(first_file), std::string(difference)});
}

Message records_repeated(std::uint64_t count) {
    return make(MessageId::records_repeated, {std::to_string(count)});
}

Message records_stopped(std::uint64_t count) {
    return make(MessageId::records_stopped, {std::to_string(count)});
}

Message runs_stopped(std::string_view signal, std::uint64_t finished, std::uint64_t runs) {
    return make(MessageId::runs_stopped,
                {std::string(signal), std::to_string(finished), std::to_string(runs)});
}

Message mode_stopped(std::string_view what, std::string_view signal, std::string_view done) {
    return make(MessageId::mode_stopped,
                {std::string(what), std::string(signal), std::string(done)});
}

Message recent_file_missing(std::string_view file) {
    return make(MessageId::recent_file_missing, {std::string(file)});
}

}  // namespace messages

}  // namespace vorn
