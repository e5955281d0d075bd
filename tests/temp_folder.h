#pragma once
// A folder of the test's own under the system's temporary folder, removed
// with everything in it when the test ends, and the lines of a text.
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <system_error>
#include <vector>

namespace vorn::testing {

class TempFolder {
public:
    TempFolder() { std::filesystem::create_directories(path); }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }

    // Writes `content` to the file `name` in the folder; its path as text.
    [[nodiscard]] std::string write(const std::string& name, const std::string& content) const {
        std::ofstream(path / name, std::ios::binary) << content;
        return (path / name).string();
    }

    // The names in the folder, sorted.
    [[nodiscard]] std::vector<std::string> names() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(path)) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    const std::filesystem::path path = unique_path();

private:
    static std::filesystem::path unique_path() {
        static std::atomic<int> made = 0;
        return std::filesystem::temp_directory_path() /
               ("vorn-test-" + std::to_string(::getpid()) + "-" + std::to_string(made++));
    }
};

// The lines of `text`, without their line breaks.
// The whole of a file; empty when it cannot be read.
inline std::string read_text(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

inline std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) {
        lines.push_back(line);
    }
    return lines;
}

}  // namespace vorn::testing
