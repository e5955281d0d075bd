#pragma once
// How much memory this process may use, for refusing runs that cannot fit
// before anything is allocated.
#include <filesystem>
#include <optional>
#include <string_view>

namespace vorn {

// Physical memory in bytes; infinity when the system does not tell.
[[nodiscard]] double physical_memory_bytes();

// The smallest memory limit of the process's cgroup and its ancestors: v2's
// memory.max ("max" is none), or else v1's memory.limit_in_bytes. Reads the
// texts of /proc/self/cgroup and /proc/self/mountinfo; every path is taken
// below `root` (tests use a folder of their own).
[[nodiscard]] std::optional<double> cgroup_memory_limit(std::string_view proc_cgroup,
                                                        std::string_view mountinfo,
                                                        const std::filesystem::path& root = "/");

// The address space the process uses now (VmSize), in bytes.
[[nodiscard]] double address_space_in_use();

// RLIMIT_AS minus the address space in use; none without a limit.
[[nodiscard]] std::optional<double> address_space_left();

// The smallest of physical memory, the cgroup limit and the address space
// left; what a pre-check compares a run's needs with.
[[nodiscard]] double available_memory_bytes();

}  // namespace vorn
