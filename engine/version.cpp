#include "engine/version.h"

#if defined(__GLIBC__)
#include <gnu/libc-version.h>
#endif

namespace vorn {

std::string compiler_version() {
#if defined(__clang__)
    return std::string("clang++ ") + __clang_version__;
#elif defined(__GNUC__)
    return std::string("g++ ") + __VERSION__;
#else
    return "unknown compiler";
#endif
}

std::string libc_version() {
#if defined(__GLIBC__)
    // The library loaded at run time, not the headers built against.
    return std::string("glibc ") + gnu_get_libc_version();
#else
    return "unknown C library";
#endif
}

}  // namespace vorn
