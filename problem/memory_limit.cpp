#include "problem/memory_limit.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <fstream>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

namespace vorn {

namespace {

std::string file_text(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string_view> split(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    for (;;) {
        const auto at = text.find(separator);
        parts.push_back(text.substr(0, at));
        if (at == std::string_view::npos) {
            return parts;
        }
        text.remove_prefix(at + 1);
    }
}

std::optional<double> leading_number(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end == text.data()) {
        return std::nullopt;
    }
    return static_cast<double>(value);
}

// Where one hierarchy is mounted, and which of its cgroups that mount shows
// as its top.
struct Mount {
    std::filesystem::path point;
    std::string root;
};

// The cgroup2 mount, or the v1 mount that carries the memory controller.
std::optional<Mount> find_mount(std::string_view mountinfo, bool v2) {
    for (const std::string_view line : split(mountinfo, '\n')) {
        const auto dash = line.find(" - ");
        if (dash == std::string_view::npos) {
            continue;
        }
        const auto fields = split(line.substr(0, dash), ' ');
        const auto tail = split(line.substr(dash + 3), ' ');
        if (fields.size() < 5 || tail.size() < 3) {
            continue;
        }
        const bool match =
            v2 ? tail[0] == "cgroup2"
               : tail[0] == "cgroup" &&
                     std::ranges::count(split(tail[2], ','), std::string_view("memory")) > 0;
        if (match) {
            return Mount{std::string(fields[4]), std::string(fields[3])};
        }
    }
    return std::nullopt;
}

// The process's cgroup in the v2 hierarchy ("0::/a/b"), or in the v1
// hierarchy with the memory controller ("4:memory:/a/b").
std::optional<std::string> cgroup_path(std::string_view proc_cgroup, bool v2) {
    for (const std::string_view line : split(proc_cgroup, '\n')) {
        const auto first = line.find(':');
        const auto second = line.find(':', first + 1);
        if (first == std::string_view::npos || second == std::string_view::npos) {
            continue;
        }
        const std::string_view controllers = line.substr(first + 1, second - first - 1);
        const bool match =
            v2 ? line.substr(0, first) == "0" && controllers.empty()
               : std::ranges::count(split(controllers, ','), std::string_view("memory")) > 0;
        if (match) {
            return std::string(line.substr(second + 1));
        }
    }
    return std::nullopt;
}

struct Limit {
    bool found = false;  // some cgroup on the way has the file
    std::optional<double> bytes;
};

// The smallest limit of one hierarchy, from the process's cgroup up to the
// top of the mount.
Limit smallest_limit(std::string_view proc_cgroup, std::string_view mountinfo,
                     const std::filesystem::path& root, bool v2) {
    const auto path = cgroup_path(proc_cgroup, v2);
    if (!path) {
        return {};
    }
    const Mount mount = find_mount(mountinfo, v2)
                            .value_or(Mount{v2 ? "/sys/fs/cgroup" : "/sys/fs/cgroup/memory", "/"});
    // A mount of a sub-tree (a container's) has that sub-tree as its top.
    std::string_view inside = *path;
    if (mount.root != "/" && inside.starts_with(mount.root)) {
        inside.remove_prefix(mount.root.size());
    }
    std::vector<std::filesystem::path> folders{root / mount.point.relative_path()};
    for (const auto& part : std::filesystem::path(inside).relative_path()) {
        if (!part.empty() && part != "." && part != "..") {
            folders.push_back(folders.back() / part);
        }
    }
    const char* const name = v2 ? "memory.max" : "memory.limit_in_bytes";
    Limit limit;
    for (const auto& folder : folders) {
        std::error_code error;
        if (!std::filesystem::is_regular_file(folder / name, error)) {
            continue;
        }
        limit.found = true;
        if (const auto bytes = leading_number(file_text(folder / name))) {
            limit.bytes = std::min(limit.bytes.value_or(*bytes), *bytes);
        }
    }
    return limit;
}

}  // namespace

double physical_memory_bytes() {
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long page_size = sysconf(_SC_PAGESIZE);
    if (pages <= 0 || page_size <= 0) {
        return std::numeric_limits<double>::infinity();
    }
    return static_cast<double>(pages) * static_cast<double>(page_size);
}

std::optional<double> cgroup_memory_limit(std::string_view proc_cgroup, std::string_view mountinfo,
                                          const std::filesystem::path& root) {
    // A v2 hierarchy without the memory controller has no memory.max.
    const Limit v2 = smallest_limit(proc_cgroup, mountinfo, root, true);
    if (v2.found) {
        return v2.bytes;
    }
    return smallest_limit(proc_cgroup, mountinfo, root, false).bytes;
}

double address_space_in_use() {
    // The text must outlive the views that split makes into it.
    const std::string status = file_text("/proc/self/status");
    for (const std::string_view line : split(status, '\n')) {
        if (line.starts_with("VmSize:")) {
            return leading_number(line.substr(7)).value_or(0) * 1024.0;
        }
    }
    return 0;
}

std::optional<double> address_space_left() {
    rlimit limit{};
    if (getrlimit(RLIMIT_AS, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) {
        return std::nullopt;
    }
    return std::max(0.0, static_cast<double>(limit.rlim_cur) - address_space_in_use());
}

double available_memory_bytes() {
    double bytes = physical_memory_bytes();
    if (const auto cgroup = cgroup_memory_limit(file_text("/proc/self/cgroup"),
                                                file_text("/proc/self/mountinfo"))) {
        bytes = std::min(bytes, *cgroup);
    }
    if (const auto left = address_space_left()) {
        bytes = std::min(bytes, *left);
    }
    return bytes;
}

}  // namespace vorn
