#pragma once
// Runs a piece of code in a forked child whose address space (RLIMIT_AS) is
// what it uses now plus some headroom, as on a machine or in a shell with
// little memory. The child hands back a text through a pipe.
#include <malloc.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <string>

#include "problem/memory_limit.h"

namespace vorn::testing {

// AddressSanitizer reserves terabytes of shadow memory, so no address-space
// limit can be set under it.
#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool address_limit_possible = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
inline constexpr bool address_limit_possible = false;
#else
inline constexpr bool address_limit_possible = true;
#endif
#else
inline constexpr bool address_limit_possible = true;
#endif

struct LimitedResult {
    bool exited = false;  // false: killed by a signal
    int status = 0;       // the exit status, or the signal
    std::string text;
};

// Allocates (and never frees) the free blocks that malloc holds, so that
// what the body allocates comes from new address space, as in a new
// process: earlier tests can leave more than the headroom free in the heap.
// Then leaves a little room at the heap's top, kept there, so that the
// body's first small allocations do not grow the heap at once.
inline void take_up_free_heap() {
    malloc_trim(0);
    for (std::size_t size = std::size_t{1} << 26; size >= 1024; size /= 2) {
        for (std::size_t free_now = mallinfo2().fordblks; free_now >= size;) {
            if (malloc(size - 4 * sizeof(void*)) == nullptr) {
                return;
            }
            const std::size_t after = mallinfo2().fordblks;
            if (after >= free_now) {
                break;  // no free block that large: that one came from new memory
            }
            free_now = after;
        }
    }
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
    mallopt(M_MMAP_THRESHOLD, 1 << 20);
    free(malloc(256 * 1024));
}

inline LimitedResult run_with_address_limit(double headroom_bytes,
                                            const std::function<std::string()>& body) {
    int pipe_ends[2];
    if (pipe(pipe_ends) != 0) {
        return {false, -1, "no pipe"};
    }
    const pid_t child = fork();
    if (child == 0) {
        close(pipe_ends[0]);
        take_up_free_heap();
        const auto limit = static_cast<rlim_t>(address_space_in_use() + headroom_bytes);
        const rlimit rl{limit, limit};
        std::string text = setrlimit(RLIMIT_AS, &rl) == 0 ? body() : "setrlimit failed";
        const char* data = text.data();
        std::size_t left = text.size();
        while (left > 0) {
            const ssize_t written = write(pipe_ends[1], data, left);
            if (written <= 0) {
                break;
            }
            data += written;
            left -= static_cast<std::size_t>(written);
        }
        _exit(0);
    }
    close(pipe_ends[1]);
    LimitedResult result;
    char buffer[4096];
    ssize_t got = 0;
    while ((got = read(pipe_ends[0], buffer, sizeof buffer)) > 0) {
        result.text.append(buffer, static_cast<std::size_t>(got));
    }
    close(pipe_ends[0]);
    int status = 0;
    waitpid(child, &status, 0);
    result.exited = WIFEXITED(status);
    result.status = result.exited ? WEXITSTATUS(status) : WTERMSIG(status);
    return result;
}

}  // namespace vorn::testing
