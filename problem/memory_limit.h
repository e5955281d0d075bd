#pragma once
// How much memory this machine has, for refusing runs that cannot fit
// before anything is allocated.

namespace vorn {

// Physical memory in bytes; infinity when the system does not tell.
[[nodiscard]] double physical_memory_bytes();

}  // namespace vorn
