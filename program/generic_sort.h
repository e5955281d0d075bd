#pragma once
// The ranking sort: one partition step around the middle element, then the
// standard sort on both parts. Deterministic for a given input.
#include <algorithm>
#include <span>
#include <utility>

namespace vorn {

// `compare(a, b)` is negative when a comes before b, 0 when equal, positive
// when a comes after b.
template <class T, class Compare>
void generic_sort(std::span<T> items, Compare compare) {
    const std::size_t count = items.size();
    if (count < 2) {
        return;
    }
    if (count == 2) {
        if (compare(items[0], items[1]) > 0) {
            std::swap(items[0], items[1]);
        }
        return;
    }
    std::swap(items[count / 2], items[0]);
    std::size_t last = 0;  // end of the block of elements before the pivot
    for (std::size_t i = 1; i < count; ++i) {
        if (compare(items[i], items[0]) < 0) {
            ++last;
            std::swap(items[last], items[i]);
        }
    }
    std::swap(items[0], items[last]);
    const auto before = [&compare](const T& a, const T& b) { return compare(a, b) < 0; };
    std::sort(items.begin(), items.begin() + static_cast<std::ptrdiff_t>(last), before);
    std::sort(items.begin() + static_cast<std::ptrdiff_t>(last) + 1, items.end(), before);
}

}  // namespace vorn
