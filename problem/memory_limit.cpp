#include "problem/memory_limit.h"

#include <unistd.h>

#include <limits>

namespace vorn {

double physical_memory_bytes() {
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long page_size = sysconf(_SC_PAGESIZE);
    if (pages <= 0 || page_size <= 0) {
        return std::numeric_limits<double>::infinity();
    }
    return static_cast<double>(pages) * static_cast<double>(page_size);
}

}  // namespace vorn
