#include "problem/memory_limit.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <string>

#include "tests/problem/address_limit.h"

namespace vorn {
namespace {

namespace fs = std::filesystem;

// A folder that stands for "/": the cgroup files of one case below it.
class FakeRoot {
public:
    explicit FakeRoot(const std::map<std::string, std::string>& files) {
        root_ = fs::temp_directory_path() /
                ("vorn_cgroup_" + std::to_string(getpid()) + "_" + std::to_string(++count_));
        for (const auto& [path, text] : files) {
            const fs::path file = root_ / fs::path(path).relative_path();
            fs::create_directories(file.parent_path());
            std::ofstream(file) << text;
        }
    }
    FakeRoot(const FakeRoot&) = delete;
    FakeRoot& operator=(const FakeRoot&) = delete;
    ~FakeRoot() { fs::remove_all(root_); }
    [[nodiscard]] const fs::path& path() const { return root_; }

private:
    static inline int count_ = 0;
    fs::path root_;
};

constexpr const char* v2_mount = "30 22 0:27 / /sys/fs/cgroup rw - cgroup2 cgroup2 rw\n";
constexpr const char* hybrid_mounts =
    "30 22 0:27 / /sys/fs/cgroup rw - tmpfs tmpfs rw\n"
    "31 30 0:28 / /sys/fs/cgroup/cpu rw - cgroup cgroup rw,cpu\n"
    "34 30 0:31 / /sys/fs/cgroup/memory rw - cgroup cgroup rw,memory\n"
    "40 30 0:35 / /sys/fs/cgroup/unified rw - cgroup2 cgroup2 rw\n";

TEST(MemoryLimit, SmallestCgroupLimitOnTheWayUp) {
    struct Case {
        const char* what;
        std::string proc_cgroup;
        std::string mountinfo;
        std::map<std::string, std::string> files;
        std::optional<double> limit;
    };
    const Case cases[] = {
        {"v2, the parent's limit is smaller",
         "0::/user.slice/app\n",
         v2_mount,
         {{"/sys/fs/cgroup/user.slice/app/memory.max", "max\n"},
          {"/sys/fs/cgroup/user.slice/memory.max", "1073741824\n"}},
         1073741824.0},
        {"v2, the process's own limit is smaller",
         "0::/a/b\n",
         v2_mount,
         {{"/sys/fs/cgroup/a/b/memory.max", "5000\n"}, {"/sys/fs/cgroup/a/memory.max", "9000\n"}},
         5000.0},
        {"v2, max everywhere",
         "0::/a\n",
         v2_mount,
         {{"/sys/fs/cgroup/a/memory.max", "max\n"}},
         std::nullopt},
        {"v2 in a container's namespace: its top holds the limit",
         "0::/\n",
         v2_mount,
         {{"/sys/fs/cgroup/memory.max", "268435456\n"}},
         268435456.0},
        {"v2 mounted from a sub-tree",
         "0::/docker/abc\n",
         "30 22 0:27 /docker/abc /sys/fs/cgroup rw - cgroup2 cgroup2 rw\n",
         {{"/sys/fs/cgroup/memory.max", "7000\n"}},
         7000.0},
        {"hybrid: v2 without the memory controller falls back to v1",
         "4:memory:/process_api/x\n0::/\n",
         hybrid_mounts,
         {{"/sys/fs/cgroup/memory/process_api/x/memory.limit_in_bytes", "9223372036854771712\n"},
          {"/sys/fs/cgroup/memory/process_api/memory.limit_in_bytes", "2147483648\n"},
          {"/sys/fs/cgroup/memory/memory.limit_in_bytes", "9223372036854771712\n"}},
         2147483648.0},
        {"v1 with several controllers in one line",
         "5:cpuacct,memory:/job\n",
         "34 30 0:31 / /sys/fs/cgroup/mem rw - cgroup cgroup rw,cpuacct,memory\n",
         {{"/sys/fs/cgroup/mem/job/memory.limit_in_bytes", "123456\n"}},
         123456.0},
        {"no cgroup files at all", "0::/a\n", v2_mount, {}, std::nullopt},
        {"unreadable texts", "garbage", "garbage", {}, std::nullopt},
    };
    for (const Case& c : cases) {
        const FakeRoot root(c.files);
        EXPECT_EQ(cgroup_memory_limit(c.proc_cgroup, c.mountinfo, root.path()), c.limit) << c.what;
    }
}

TEST(MemoryLimit, AvailableIsTheSmallestLimit) {
    const double available = available_memory_bytes();
    EXPECT_GT(available, 0);
    EXPECT_LE(available, physical_memory_bytes());
    EXPECT_GT(address_space_in_use(), 0);
    if (!testing::address_limit_possible) {
        GTEST_SKIP() << "no address-space limit under AddressSanitizer";
    }
    // Under RLIMIT_AS, what is left of it after the address space in use.
    constexpr double headroom = 100.0 * 1024 * 1024;
    const auto result = testing::run_with_address_limit(headroom, [] {
        const auto left = address_space_left();
        const bool near = left && *left <= headroom && *left > 0.9 * headroom;
        return std::string(near && available_memory_bytes() == *left ? "left" : "wrong");
    });
    EXPECT_EQ(result.text, "left");
}

}  // namespace
}  // namespace vorn
