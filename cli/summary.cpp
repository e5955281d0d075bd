// The summary of many runs: a line per run and the spread of each column,
// for --runs and for --summarize of records made anywhere.
#include <algorithm>
#include <array>
#include <set>
#include <string>
#include <vector>

#include "cli/experiments.h"
#include "engine/run_record.h"
#include "problem/messages.h"
#include "problem/number_text.h"

namespace vorn {

namespace {

constexpr std::array<std::string_view, 7> summary_titles = {
    "      seed",    "training fitness", "validation", "best validation",
    "at generation", "best length",      "seconds"};
constexpr std::string_view column_gap = "  ";

std::string line_of(const std::array<std::string, 7>& cells) {
    std::string line;
    for (std::size_t c = 0; c < cells.size(); ++c) {
        line += c == 0 ? "" : column_gap;
        const std::size_t width = summary_titles[c].size();
        line += std::string(cells[c].size() < width ? width - cells[c].size() : 0, ' ');
        line += cells[c];
    }
    return line;
}

}  // namespace

std::string summary_header() {
    std::string line;
    for (std::string_view title : summary_titles) {
        line += line.empty() ? "" : column_gap;
        line += title;
    }
    return line;
}

std::string summary_line(const RunSummary& run) {
    return line_of({std::to_string(run.seed), fixed_text(run.training_fitness, 6),
                    general_text(run.validation_count), general_text(run.best_validation_count),
                    std::to_string(run.best_validation_generation), std::to_string(run.best_length),
                    fixed_text(run.seconds, 2)}) +
           (run.stopped ? std::string(column_gap) + "stopped" : std::string());
}

std::string spread_lines(std::span<const RunSummary> runs) {
    if (runs.empty()) {
        return {};
    }
    const auto column = [&](auto field) {
        std::vector<double> values;
        for (const RunSummary& run : runs) {
            values.push_back(static_cast<double>(field(run)));
        }
        return spread_of(std::move(values));
    };
    const std::array<Spread, 6> spreads = {
        column([](const RunSummary& r) { return r.training_fitness; }),
        column([](const RunSummary& r) { return r.validation_count; }),
        column([](const RunSummary& r) { return r.best_validation_count; }),
        column([](const RunSummary& r) { return r.best_validation_generation; }),
        column([](const RunSummary& r) { return r.best_length; }),
        column([](const RunSummary& r) { return r.seconds; })};
    std::string text;
    for (const auto& [label, pick] :
         {std::pair{"median", &Spread::median}, std::pair{"minimum", &Spread::minimum},
          std::pair{"maximum", &Spread::maximum}}) {
        const auto value = [&](std::size_t c) { return spreads[c].*pick; };
        text +=
            line_of({label, fixed_text(value(0), 6), general_text(value(1)), general_text(value(2)),
                     general_text(value(3)), general_text(value(4)), fixed_text(value(5), 2)}) +
            '\n';
    }
    return text;
}

int summarize_mode(const CliOptions& options, std::ostream& out, std::ostream& err) {
    std::vector<RunRecord> records;
    for (const std::string& file : options.record_files) {
        records.push_back(read_record_file(file));
        if (records.back().generations.empty()) {
            throw RecordError(messages::record_refused(
                file, "it holds no generation, so there is no run to summarize"));
        }
        if (const auto difference = experiment_difference(records.front(), records.back())) {
            throw RecordError(
                messages::records_mixed(file, options.record_files.front(), *difference));
        }
    }
    // Records of one experiment with one seed are one run, whether the same
    // file was named twice or copied.
    std::vector<RunSummary> runs;
    std::set<std::uint32_t> seeds;
    std::size_t repeated = 0;
    for (const RunRecord& record : records) {
        const RunSummary summary = run_summary(record);
        if (!seeds.insert(summary.seed).second) {
            ++repeated;
            continue;
        }
        runs.push_back(summary);
    }
    std::stable_sort(runs.begin(), runs.end(),
                     [](const RunSummary& a, const RunSummary& b) { return a.seed < b.seed; });
    out << summary_header() << '\n';
    std::vector<RunSummary> finished;
    for (const RunSummary& run : runs) {
        out << summary_line(run) << '\n';
        if (!run.stopped) {
            finished.push_back(run);
        }
    }
    out << spread_lines(finished) << std::flush;
    if (repeated > 0) {
        err << messages::records_repeated(repeated).text << '\n';
    }
    if (finished.size() < runs.size()) {
        err << messages::records_stopped(runs.size() - finished.size()).text << '\n';
    }
    return exit_done;
}

}  // namespace vorn
