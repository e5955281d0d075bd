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
    // what(): any other exception that ended a run
    internal_run_error,
    // node cap, attempts: creation failed where a longer "Maximum Length" cannot help
    creation_failed_at_cap,
};

struct Message {
    MessageId id = MessageId::unexpected_error;
    std::vector<std::string> args;
    std::string text;
};

// The text of `id` with `args` in its blanks; every message below is made by it.
[[nodiscard]] std::string render_message(MessageId id, std::span<const std::string> args);

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
[[nodiscard]] Message internal_run_error(std::string_view what);
[[nodiscard]] Message creation_failed_at_cap(std::int32_t node_cap, std::int64_t attempts);
}  // namespace messages

}  // namespace vorn
