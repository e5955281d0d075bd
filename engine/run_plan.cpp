#include "engine/run_plan.h"

#include <algorithm>
#include <limits>

#include "engine/program_io.h"
#include "engine/settings_file.h"
#include "problem/errors.h"
#include "problem/messages.h"

namespace vorn {

namespace {

using Json = nlohmann::json;

constexpr std::string_view key_training = "training";
constexpr std::string_view key_validation = "validation";
constexpr std::string_view key_columns = "columns";
constexpr std::string_view key_positive = "positive";
constexpr std::string_view key_seed = "seed";

// Keys and roles come from the file: cut like any echoed text.
std::string in_quotes(std::string_view key) {
    return "\"" + echoed_text(key) + "\"";
}

std::filesystem::path against(std::filesystem::path path, const std::filesystem::path& folder) {
    if (path.is_relative() && !folder.empty()) {
        return folder / path;
    }
    return path;
}

const Json& member(const Json& object, const char* key) {
    const auto found = object.find(key);
    if (found == object.end()) {
        throw PlanError(in_quotes(key) + " is missing");
    }
    return *found;
}

std::string text_of(const Json& value, std::string_view what) {
    if (!value.is_string()) {
        throw PlanError(std::string(what) + " is not a text");
    }
    return value.get<std::string>();
}

std::optional<std::string> optional_text(const Json& object, const char* key) {
    const auto found = object.find(key);
    if (found == object.end() || found->is_null()) {
        return std::nullopt;
    }
    return text_of(*found, in_quotes(key));
}

ParameterTexts texts_of(const Json& parameters) {
    if (!parameters.is_object()) {
        throw PlanError("\"parameters\" is not an object");
    }
    ParameterTexts texts;
    const auto& table = parameter_table();
    for (const auto& [key, value] : parameters.items()) {
        const auto row = std::find_if(table.begin(), table.end(), [&](const Parameter& p) {
            return !p.settings_key.empty() && p.settings_key == key;
        });
        if (row == table.end()) {
            throw PlanError("unknown parameter " + in_quotes(key));
        }
        texts[row->id] = text_of(value, "parameter " + in_quotes(key));
    }
    return texts;
}

}  // namespace

bool reads_validation_file(const RunPlan& plan) {
    return plan.validation && !plan.texts.flag(ParamId::use_training_data);
}

RunPlan with_absolute_paths(RunPlan plan) {
    for (auto* file : {&plan.training, &plan.validation}) {
        if (*file) {
            **file = std::filesystem::absolute(**file);
        }
    }
    return plan;
}

std::vector<DataFileRef> plan_files(const RunPlan& plan) {
    std::vector<DataFileRef> files;
    if (plan.training) {
        files.push_back({"training", *plan.training});
    }
    if (reads_validation_file(plan)) {
        files.push_back({"validation", *plan.validation});
    }
    return files;
}

std::vector<std::filesystem::path> plan_inputs(const RunPlan& plan) {
    std::vector<std::filesystem::path> inputs;
    for (const auto& file : {plan.training, plan.validation}) {
        if (file) {
            inputs.push_back(*file);
        }
    }
    return inputs;
}

std::vector<RecordedFile> hashed_files(const RunPlan& plan) {
    std::vector<RecordedFile> files;
    for (const DataFileRef& file : plan_files(plan)) {
        RecordedFile recorded{file.role, file.path, std::nullopt};
        try {
            recorded.sha256 = sha256_of_file(file.path);
        } catch (const DataFileError&) {
            // Gone or unreadable since the run read it: no claim about its bytes.
        }
        files.push_back(std::move(recorded));
    }
    return files;
}

std::vector<std::pair<std::string_view, std::string>> plan_settings_lines(
    const RunPlan& plan, const std::filesystem::path& folder) {
    std::vector<std::pair<std::string_view, std::string>> lines;
    if (plan.training) {
        lines.emplace_back(key_training, path_text(*plan.training, folder));
    }
    if (plan.validation) {
        lines.emplace_back(key_validation, path_text(*plan.validation, folder));
    }
    if (plan.columns) {
        lines.emplace_back(key_columns, *plan.columns);
    }
    if (plan.positive) {
        lines.emplace_back(key_positive, *plan.positive);
    }
    if (plan.seed) {
        lines.emplace_back(key_seed, std::to_string(*plan.seed));
    }
    return lines;
}

bool read_plan_settings_line(RunPlan& plan, std::string_view key, std::string_view value,
                             const std::filesystem::path& folder) {
    if (key == key_training || key == key_validation) {
        if (value.empty()) {
            throw PlanError(in_quotes(key) + " names no file");
        }
        (key == key_training ? plan.training : plan.validation) =
            against(std::filesystem::path(value), folder);
    } else if (key == key_columns) {
        plan.columns = std::string(value);
    } else if (key == key_positive) {
        plan.positive = std::string(value);
    } else if (key == key_seed) {
        plan.seed = parse_seed(value);
        if (!plan.seed) {
            throw PlanError("\"seed\" must be a whole number from 0 to 4294967295");
        }
    } else {
        return false;
    }
    return true;
}

Json plan_json(const RunPlan& plan, std::span<const RecordedFile> files,
               const std::filesystem::path& folder) {
    Json parameters = Json::object();
    for (const Parameter& row : parameter_table()) {
        // The remainders have no key: the rates they come from are there.
        if (!row.settings_key.empty()) {
            parameters[std::string(row.settings_key)] = plan.texts[row.id];
        }
    }
    Json data = Json::array();
    for (const RecordedFile& file : files) {
        Json entry = {{"role", file.role}, {"file", path_text(file.path, folder)}};
        if (file.sha256) {
            entry["sha256"] = *file.sha256;
        }
        data.push_back(std::move(entry));
    }
    Json object = {{"parameters", std::move(parameters)}, {"data", std::move(data)}};
    if (plan.seed) {
        object["seed"] = *plan.seed;
    }
    if (plan.columns) {
        object["columns"] = *plan.columns;
    }
    if (plan.positive) {
        object["positive"] = *plan.positive;
    }
    return object;
}

RunPlan plan_of_json(const Json& object, const std::filesystem::path& folder,
                     std::vector<RecordedFile>& files) {
    RunPlan plan;
    plan.texts = texts_of(member(object, "parameters"));
    plan.columns = optional_text(object, "columns");
    plan.positive = optional_text(object, "positive");
    const Json& seed = member(object, "seed");
    if (!seed.is_number_integer() || seed.get<std::int64_t>() < 0 ||
        seed.get<std::int64_t>() > std::numeric_limits<std::uint32_t>::max()) {
        throw PlanError("\"seed\" is not a whole number from 0 to 4294967295");
    }
    plan.seed = static_cast<std::uint32_t>(seed.get<std::int64_t>());
    const Json& data = member(object, "data");
    if (!data.is_array()) {
        throw PlanError("\"data\" is not a list");
    }
    files.clear();
    for (const Json& entry : data) {
        if (!entry.is_object()) {
            throw PlanError("a data file is not an object");
        }
        RecordedFile file{text_of(member(entry, "role"), "\"role\""),
                          against(text_of(member(entry, "file"), "\"file\""), folder),
                          optional_text(entry, "sha256")};
        if (file.role == "training") {
            plan.training = file.path;
        } else if (file.role == "validation") {
            plan.validation = file.path;
        } else {
            throw PlanError("the data role " + in_quotes(file.role) +
                            " is neither training nor validation");
        }
        files.push_back(std::move(file));
    }
    return plan;
}

}  // namespace vorn
