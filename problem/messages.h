#pragma once
// Every message the system shows, built in one place. Each has an id and the
// texts that fill its blanks, so front ends and tests can tell which message
// they hold and check its text against the catalogue.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vorn {

enum class MessageId {
    training_not_loaded,
    validation_not_loaded,
    operation_rate_sum,
    node_ratio_sum,
    constant_range,
    no_function,
    field_refused,      // caption, requirement, text
    grid_empty,         // grid caption
    grid_too_large,     // grid caption
    cell_not_number,    // grid caption, row, column, text
    population_memory,  // size ("12 GiB", "300 MiB")
    data_file_refused,  // file, line (0: the whole file), problem
    creation_failed,    // maximum length, attempts
    mutation_failed,    // maximum length, attempts
    memory_setting,     // out of memory while the problem setting is built
    memory_population,  // out of memory while the population is built
    memory_run,         // out of memory during a run
    abort_question,
    unexpected_error,
    internal_error,  // an error from outside the catalogue, shown as its own text
    // Files written and runs stopped from outside.
    file_is_input,     // file, input
    file_not_written,  // file, reason
    run_stopped,       // signal name, generations done, generations, where the rows are
    // what(): any other exception that ended a run
    internal_run_error,
    // node cap, attempts: creation failed where a longer "Maximum Length" cannot help
    creation_failed_at_cap,
    // Program files.
    program_file_refused,  // file, reason
    program_scored,        // program file, score line
    settings_refused,      // file, line (0: the whole file), problem
    // Labelled CSV data.
    csv_pairing,  // positives, negatives, "N rows", which class is cycled
    // Run records.
    record_refused,    // file, reason
    rerun_matches,     // record, generations, seed
    rerun_differs,     // record, first difference, platform note
    records_mixed,     // record, the first record, what differs
    runs_stopped,      // signal name, runs finished, runs
    records_repeated,  // records left out as repeats of a seed given before
    records_stopped,   // records of runs stopped before their last generation
    mode_stopped,      // what was stopped, signal name, what was done
    // The window's list of recent files.
    recent_file_missing,  // file
};

struct Message {
    MessageId id = MessageId::unexpected_error;
    std::vector<std::string> args;
    std::string text;
};

// The text of `id` with `args` in its blanks; every message below is made by it.
// The arguments (file names, cell and field texts) come from outside, so each
// is shown through escaped_text.
[[nodiscard]] std::string render_message(MessageId id, std::span<const std::string> args);

// `text` safe to show: C0 controls, DEL, C1 controls (as their UTF-8 bytes)
// and bytes that are not UTF-8 become "\xNN" (two upper-case hex digits), a
// backslash becomes "\\"; everything else, other UTF-8 included, stays.
[[nodiscard]] std::string escaped_text(std::string_view text);

// Whether escaped_text changes nothing in `text` but its backslashes: UTF-8
// without control characters, safe to print as it is.
[[nodiscard]] bool is_plain_text(std::string_view text);

// A text from a file or a control quoted in a message (a value, a key, a
// line) shows at most this many characters, so a huge line makes a short
// message.
inline constexpr std::size_t echoed_length = 40;
// `text` cut after `length` characters (a UTF-8 sequence counts as one and
// is never split) and then ended with "...".
[[nodiscard]] std::string cut_text(std::string_view text, std::size_t length);
[[nodiscard]] inline std::string echoed_text(std::string_view text) {
    return cut_text(text, echoed_length);
}

namespace messages {
[[nodiscard]] Message training_not_loaded();
[[nodiscard]] Message validation_not_loaded();
[[nodiscard]] Message operation_rate_sum();
[[nodiscard]] Message node_ratio_sum();
[[nodiscard]] Message constant_range();
[[nodiscard]] Message no_function();
// `"Number of constant" must be a whole number of at least 1 (it is "abc").`
[[nodiscard]] Message field_refused(std::string_view caption, std::string_view requirement,
                                    std::string_view text);
[[nodiscard]] Message grid_empty(std::string_view grid);
[[nodiscard]] Message grid_too_large(std::string_view grid);
// `Training Data, row 12, column 3: "x" is not a number.` (row and column 1-based)
[[nodiscard]] Message cell_not_number(std::string_view grid, std::int64_t row, int column,
                                      std::string_view text);
// The size in MiB below 1 GiB, in whole GiB above.
[[nodiscard]] Message population_memory(double bytes);
[[nodiscard]] Message data_file_refused(std::string_view file, std::int64_t line,
                                        std::string_view problem);
[[nodiscard]] Message creation_failed(std::int32_t max_length, std::int64_t attempts);
[[nodiscard]] Message mutation_failed(std::int32_t max_length, std::int64_t attempts);
[[nodiscard]] Message memory_setting();
[[nodiscard]] Message memory_population();
[[nodiscard]] Message memory_run();
[[nodiscard]] Message abort_question();
[[nodiscard]] Message unexpected_error();
[[nodiscard]] Message internal_error(std::string_view what);
// `run.csv: cannot be written, it is the same file as the input data.txt.`
[[nodiscard]] Message file_is_input(std::string_view file, std::string_view input);
// `run.csv: cannot be written (No space left on device).`
[[nodiscard]] Message file_not_written(std::string_view file, std::string_view reason);
// `The run was stopped by SIGINT after 3 of 50 generations; its rows are in
// run.csv.partial.` (`rows_file` empty: no CSV, nothing after "generations")
[[nodiscard]] Message run_stopped(std::string_view signal, std::int32_t generations_done,
                                  std::int32_t generations, std::string_view rows_file);
[[nodiscard]] Message internal_run_error(std::string_view what);
[[nodiscard]] Message creation_failed_at_cap(std::int32_t node_cap, std::int64_t attempts);
// `best.json: cannot be read as a program (unknown primitive "sqrt" at node 4).`
[[nodiscard]] Message program_file_refused(std::string_view file, std::string_view reason);
// The program's file, then the score line of one data file on the next line.
[[nodiscard]] Message program_scored(std::string_view program_file, std::string_view score_line);
// `run.vornsettings, line 4: unknown key "populaton_size".`
[[nodiscard]] Message settings_refused(std::string_view file, std::int64_t line,
                                       std::string_view problem);
// `120 positive, 37 negative → 120 rows, negatives cycled` ("positives
// cycled" the other way, nothing cycled when the counts are equal).
[[nodiscard]] Message csv_pairing(std::uint64_t positives, std::uint64_t negatives);
// `run.json: cannot be read as a run record ("generations" is not a list).`
[[nodiscard]] Message record_refused(std::string_view file, std::string_view reason);
// `run.json: the run came out as recorded (50 generations, seed 7).`
[[nodiscard]] Message rerun_matches(std::string_view file, std::int64_t generations,
                                    std::uint32_t seed);
// `run.json: the run did not come out as recorded: generation 3: ...` and,
// when `platform` is not empty, "; different platform: " and it.
[[nodiscard]] Message rerun_differs(std::string_view file, std::string_view difference,
                                    std::string_view platform);
// `b.json: not a run of the same experiment as a.json (parameter "population_size").`
[[nodiscard]] Message records_mixed(std::string_view file, std::string_view first_file,
                                    std::string_view difference);
// `The runs were stopped by SIGINT: 3 of 8 runs finished; the others left no record.`
[[nodiscard]] Message records_repeated(std::uint64_t count);
[[nodiscard]] Message records_stopped(std::uint64_t count);
[[nodiscard]] Message runs_stopped(std::string_view signal, std::uint64_t finished,
                                   std::uint64_t runs);
// `Prediction was stopped by SIGINT after 1200 points.`
[[nodiscard]] Message mode_stopped(std::string_view what, std::string_view signal,
                                   std::string_view done);
// `"/data/train.txt" no longer exists and was removed from Recent Files.`
[[nodiscard]] Message recent_file_missing(std::string_view file);
}  // namespace messages

}  // namespace vorn
