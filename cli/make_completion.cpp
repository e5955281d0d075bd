// Writes the bash completion of vorn-run from the runner's option tables, so
// a new option or choice is completed without anyone editing a script. Run
// at build time: make_completion OUTPUT_FILE.
#include <fstream>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "cli/runner_options.h"
#include "engine/parameters.h"

namespace {

struct CompletedOption {
    std::string name;
    std::string_view value;  // placeholder; empty for a switch
    std::string choices;     // blank-separated; empty when the value is free
};

std::vector<CompletedOption> completed_options() {
    std::vector<CompletedOption> options;
    for (const vorn::Parameter& row : vorn::parameter_table()) {
        if (row.option_form == vorn::OptionForm::none) {
            continue;
        }
        std::string choices;
        if (row.kind == vorn::ParamKind::choice) {
            for (const std::string_view name : row.choices) {
                choices += (choices.empty() ? "" : " ") + std::string(name);
            }
        }
        options.push_back({std::string(row.option), row.option_value, choices});
    }
    for (const auto table : {vorn::data_options(), vorn::runner_options(),
                             vorn::experiment_options(), vorn::mode_options()}) {
        for (const vorn::RunnerOption& option : table) {
            options.push_back(
                {std::string(option.name), option.value, std::string(option.choices)});
        }
    }
    return options;
}

// The placeholders that stand for a file name.
bool takes_file(std::string_view value) {
    return value == "FILE" || value == "PROGRAM" || value == "RECORD" || value == "DIR";
}

std::string joined(const std::vector<std::string>& words, std::string_view separator) {
    std::string text;
    for (const auto& word : words) {
        text += (text.empty() ? "" : std::string(separator)) + word;
    }
    return text;
}

std::string completion_script() {
    const auto options = completed_options();
    std::vector<std::string> all;
    std::vector<std::string> files;
    std::vector<std::string> free_values;
    std::string choice_cases;
    for (const auto& option : options) {
        const std::string flag = "--" + option.name;
        all.push_back(flag);
        if (!option.choices.empty()) {
            choice_cases += "        " + flag + ")\n            COMPREPLY=($(compgen -W '" +
                            option.choices + "' -- \"$cur\"))\n            return ;;\n";
        } else if (takes_file(option.value)) {
            files.push_back(flag);
        } else if (!option.value.empty()) {
            free_values.push_back(flag);
        }
    }
    // A case for each group of options, left out when the group is empty.
    std::string cases = choice_cases;
    if (!files.empty()) {
        cases += "        " + joined(files, "|") +
                 ")\n            compopt -o default 2>/dev/null\n            return ;;\n";
    }
    if (!free_values.empty()) {
        cases += "        " + joined(free_values, "|") + ")\n            return ;;\n";
    }
    return "# bash completion for vorn-run. Made at build time from the runner's option\n"
           "# tables by cli/make_completion.cpp; edit those, not this file.\n"
           "_vorn_run() {\n"
           "    local cur=${COMP_WORDS[COMP_CWORD]} prev=\n"
           "    ((COMP_CWORD > 0)) && prev=${COMP_WORDS[COMP_CWORD - 1]}\n"
           "    # The shell splits --option=VALUE at the \"=\".\n"
           "    if [[ $cur == = ]]; then\n"
           "        cur=\n"
           "    elif [[ $prev == = ]] && ((COMP_CWORD > 1)); then\n"
           "        prev=${COMP_WORDS[COMP_CWORD - 2]}\n"
           "    fi\n"
           "    COMPREPLY=()\n"
           "    case $prev in\n" +
           cases +
           "    esac\n"
           "    if [[ $cur == -* ]]; then\n"
           "        COMPREPLY=($(compgen -W '" +
           joined(all, " ") +
           "' -- \"$cur\"))\n"
           "        return\n"
           "    fi\n"
           "    # Data, program and points files.\n"
           "    compopt -o default 2>/dev/null\n"
           "}\n"
           "complete -F _vorn_run vorn-run\n";
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc != 2) {
        std::cerr << "usage: make_completion OUTPUT_FILE\n";
        return 2;
    }
    std::ofstream out(argv[1], std::ios::binary);
    out << completion_script();
    out.close();
    if (!out) {
        std::cerr << "make_completion: cannot write " << argv[1] << "\n";
        return 1;
    }
    return 0;
}
