#include "engine/settings_file.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <iterator>
#include <set>

#include "engine/prepare_run.h"
#include "problem/file_writer.h"

namespace vorn {

namespace {

constexpr std::string_view key_format = "format";
// Settings are a few hundred bytes; anything this large is not one.
constexpr std::uintmax_t largest_file = 1 << 20;

std::string_view trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

const Parameter* parameter_of_key(std::string_view key) {
    for (const Parameter& row : parameter_table()) {
        if (!row.settings_key.empty() && row.settings_key == key) {
            return &row;
        }
    }
    return nullptr;
}

// A key or value from the file, cut so that a huge line makes a short message.
std::string quoted(std::string_view text) {
    return "\"" + echoed_text(text) + "\"";
}

// Why a value cannot be the text of its control, or nothing when it can:
// a check box holds only true or false, a choice only its names, the check
// list only the printed names. Numbers and names are checked at Start.
std::optional<std::string> value_problem(const Parameter& row, std::string_view value) {
    switch (row.kind) {
        case ParamKind::flag:
            if (value != flag_on && value != flag_off) {
                return quoted(row.settings_key) + " must be true or false";
            }
            break;
        case ParamKind::choice:
            if (!choice_index(row, value)) {
                return quoted(row.settings_key) + " must be " + choice_list_text(row);
            }
            break;
        case ParamKind::function_list:
            if (!value.empty() && !parse_function_list(value)) {
                return quoted(row.settings_key) + " must list function names separated by commas";
            }
            break;
        case ParamKind::name:
            if (!is_plain_text(value)) {
                return quoted(row.settings_key) + " must be " + std::string(row.requirement);
            }
            break;
        default:
            break;
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::uint32_t> parse_seed(std::string_view text) {
    std::uint32_t seed = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), seed);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return seed;
}

namespace {

class SettingsReader {
public:
    SettingsReader(const std::string& file_name, const std::filesystem::path& folder)
        : file_name_(file_name), folder_(folder) {}

    void read_line(std::string_view line) {
        ++line_number_;
        const std::string_view content = trimmed(line);
        if (content.empty() || content.front() == '#') {
            return;
        }
        const auto equals = content.find('=');
        if (equals == std::string_view::npos) {
            refuse("not a \"key = value\" line");
        }
        const std::string_view key = trimmed(content.substr(0, equals));
        const std::string_view value = trimmed(content.substr(equals + 1));
        if (key.empty()) {
            refuse("the line has no key");
        }
        if (!format_seen_) {
            read_format(key, value);
            return;
        }
        if (!seen_.insert(std::string(key)).second) {
            refuse("the key " + quoted(key) + " is given twice");
        }
        read_pair(key, value);
    }

    Settings finish() {
        if (!format_seen_) {
            refuse_file("not a settings file (it has no \"format = vorn-settings 1\" line)");
        }
        return std::move(settings_);
    }

private:
    [[noreturn]] void refuse(const std::string& problem) const {
        throw SettingsError(messages::settings_refused(file_name_, line_number_, problem));
    }
    [[noreturn]] void refuse_file(const std::string& problem) const {
        throw SettingsError(messages::settings_refused(file_name_, 0, problem));
    }

    void read_format(std::string_view key, std::string_view value) {
        const std::string prefix = std::string(settings_format) + " ";
        if (key != key_format || !value.starts_with(prefix)) {
            refuse("not a settings file (the first line must be \"format = vorn-settings 1\")");
        }
        const auto version = parse_seed(value.substr(prefix.size()));
        if (!version || *version == 0) {
            refuse("the format version " + quoted(value.substr(prefix.size())) +
                   " is not a whole number");
        }
        if (*version > settings_version) {
            refuse("the settings are of format version " + std::to_string(*version) +
                   ", newer than this program reads");
        }
        format_seen_ = true;
    }

    void read_pair(std::string_view key, std::string_view value) {
        if (const Parameter* row = parameter_of_key(key)) {
            if (const auto problem = value_problem(*row, value)) {
                refuse(*problem);
            }
            settings_.plan.texts[row->id] = std::string(value);
            settings_.given[static_cast<std::size_t>(row->id)] = true;
        } else {
            try {
                if (!read_plan_settings_line(settings_.plan, key, value, folder_)) {
                    refuse("unknown key " + quoted(key));
                }
            } catch (const PlanError& e) {
                refuse(e.what());
            }
        }
    }

    std::string file_name_;
    std::filesystem::path folder_;
    std::int64_t line_number_ = 0;
    bool format_seen_ = false;
    std::set<std::string> seen_;
    Settings settings_;
};

// A value must survive the trip through one trimmed line.
std::string line_value(std::string_view key, std::string_view value) {
    if (value.find_first_of("\r\n") != std::string_view::npos || trimmed(value) != value) {
        throw SettingsError(messages::settings_refused(std::string(key), 0,
                                                       "the value cannot be written on one line"));
    }
    return std::string(key) + " = " + std::string(value) + "\n";
}

}  // namespace

std::string path_text(const std::filesystem::path& path, const std::filesystem::path& folder) {
    if (!folder.empty() && path.is_absolute()) {
        const auto relative = path.lexically_relative(folder);
        if (!relative.empty() && *relative.begin() != "..") {
            return relative.string();
        }
    }
    return path.string();
}

Settings parse_settings_text(std::string_view text, const std::string& file_name,
                             const std::filesystem::path& folder) {
    if (text.starts_with("\xEF\xBB\xBF")) {
        text.remove_prefix(3);
    }
    SettingsReader reader(file_name, folder);
    // LF, CRLF and a lone CR each end a line, as in the data files.
    while (!text.empty()) {
        const auto end = text.find_first_of("\r\n");
        reader.read_line(text.substr(0, end));
        if (end == std::string_view::npos) {
            break;
        }
        const bool crlf = text.substr(end).starts_with("\r\n");
        text.remove_prefix(end + (crlf ? 2 : 1));
    }
    return reader.finish();
}

Settings read_settings_file(const std::filesystem::path& path) {
    const std::string name = path.string();
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    if (error) {
        throw SettingsError(messages::settings_refused(name, 0, error.message()));
    }
    if (size > largest_file) {
        throw SettingsError(messages::settings_refused(name, 0, "too large for a settings file"));
    }
    std::ifstream in(path, std::ios::binary);
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (!in && !in.eof()) {
        throw SettingsError(messages::settings_refused(name, 0, "cannot be read"));
    }
    const auto folder = std::filesystem::absolute(path, error).parent_path();
    return parse_settings_text(text, name, folder);
}

std::string settings_text(const Settings& settings, const std::filesystem::path& folder) {
    std::string text = std::string(key_format) + " = " + std::string(settings_format) + " " +
                       std::to_string(settings_version) + "\n";
    for (const Parameter& row : parameter_table()) {
        if (!row.settings_key.empty()) {
            text += line_value(row.settings_key, settings.plan.texts[row.id]);
        }
    }
    for (const auto& [key, value] : plan_settings_lines(settings.plan, folder)) {
        text += line_value(key, value);
    }
    return text;
}

void write_settings_file(const std::filesystem::path& path, const Settings& settings,
                         std::span<const std::filesystem::path> inputs) {
    std::error_code error;
    const auto folder = std::filesystem::absolute(path, error).parent_path();
    write_file(path, settings_text(settings, folder), inputs);
}

}  // namespace vorn
