#include <gtest/gtest.h>

#include <cctype>
#include <fstream>
#include <set>
#include <string>

#include "cli/cli_options.h"

namespace vorn {
namespace {

// The option at the start of `text` ("--name" in lower-case letters, digits
// and dashes), or "" when it starts with none.
std::string leading_option(const std::string& text) {
    if (!text.starts_with("--")) {
        return "";
    }
    std::size_t end = 2;
    while (end < text.size() &&
           (std::islower(static_cast<unsigned char>(text[end])) != 0 ||
            std::isdigit(static_cast<unsigned char>(text[end])) != 0 || text[end] == '-')) {
        ++end;
    }
    return text.substr(0, end);
}

// The options `--help` lists: one per entry line ("  --name ...").
std::set<std::string> help_options() {
    std::set<std::string> names;
    const std::string help = help_text();
    for (auto at = help.find("\n  --"); at != std::string::npos; at = help.find("\n  --", at + 1)) {
        names.insert(leading_option(help.substr(at + 3)));
    }
    return names;
}

// The options the man page describes: the tag line after each ".TP" that
// starts with an option, its "\-" read as "-" and the macro and quotes dropped.
std::set<std::string> man_page_options(std::ifstream& page) {
    std::set<std::string> names;
    bool tag_line = false;
    for (std::string line; std::getline(page, line);) {
        if (tag_line) {
            for (auto at = line.find("\\-"); at != std::string::npos; at = line.find("\\-", at)) {
                line.erase(at, 1);
            }
            const auto blank = line.find(' ');
            std::string tag =
                line.starts_with(".") && blank != std::string::npos ? line.substr(blank + 1) : line;
            if (tag.starts_with("\"")) {
                tag.erase(0, 1);
            }
            if (const std::string name = leading_option(tag); name.size() > 2) {
                names.insert(name);
            }
        }
        tag_line = line == ".TP";
    }
    return names;
}

// man/vorn-run.1 describes exactly the options `vorn-run --help` lists.
TEST(ManPage, ListsEveryOptionOfHelp) {
    std::ifstream page(std::string(VORN_DATA_DIR) + "/../man/vorn-run.1");
    ASSERT_TRUE(page);
    const std::set<std::string> in_man = man_page_options(page);
    const std::set<std::string> in_help = help_options();
    ASSERT_GT(in_help.size(), 30U);
    for (const std::string& name : in_help) {
        EXPECT_TRUE(in_man.contains(name))
            << name << " is listed by vorn-run --help but missing from man/vorn-run.1 "
            << "(add a .TP entry for it under OPTIONS)";
    }
    for (const std::string& name : in_man) {
        EXPECT_TRUE(in_help.contains(name))
            << name << " is described in man/vorn-run.1 but vorn-run --help does not list it";
    }
}

}  // namespace
}  // namespace vorn
