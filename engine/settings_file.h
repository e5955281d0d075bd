#pragma once
// Settings files: one "key = value" per line after "format = vorn-settings 1",
// the keys being the parameter table's settings keys and the values exactly
// the texts the controls hold, plus optional data files, CSV columns and seed.
#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "engine/parameters.h"
#include "engine/run_plan.h"
#include "problem/errors.h"

namespace vorn {

inline constexpr std::string_view settings_format = "vorn-settings";
inline constexpr std::int64_t settings_version = 1;
inline constexpr std::string_view settings_extension = ".vornsettings";

// A key the file does not hold keeps its default; data paths are absolute,
// or as written when no folder was given.
struct Settings {
    RunPlan plan;
    std::array<bool, num_parameters> given{};  // the parameter keys the file holds
};

// A seed text: a whole number from 0 to 4294967295, digits only.
[[nodiscard]] std::optional<std::uint32_t> parse_seed(std::string_view text);
inline constexpr std::string_view seed_caption = "Seed";
inline constexpr std::string_view seed_requirement =
    "empty (a seed from the clock) or a whole number from 0 to 4294967295";

// A settings file that cannot be used; the message names file and line.
class SettingsError : public MessageError {
public:
    using MessageError::MessageError;
};

// Reads settings from text; `file_name` names it in refusals, relative data
// paths are taken against `folder`. Throws SettingsError at the first line
// that is refused, so nothing of a refused file is used.
[[nodiscard]] Settings parse_settings_text(std::string_view text, const std::string& file_name,
                                           const std::filesystem::path& folder);
[[nodiscard]] Settings read_settings_file(const std::filesystem::path& path);

// The text of the settings; data paths inside `folder` are written relative
// to it. Throws SettingsError for a value that a line cannot hold.
[[nodiscard]] std::string settings_text(const Settings& settings,
                                        const std::filesystem::path& folder);
// A data path as a file in `folder` names it: relative when it lies inside
// the folder, as it is otherwise.
[[nodiscard]] std::string path_text(const std::filesystem::path& path,
                                    const std::filesystem::path& folder);
// Writes through the one file writer, never over one of `inputs`.
void write_settings_file(const std::filesystem::path& path, const Settings& settings,
                         std::span<const std::filesystem::path> inputs);

}  // namespace vorn
