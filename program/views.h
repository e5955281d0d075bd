#pragma once
// What scoring reads of a run, as read-only views: the node table with its
// constants, and the columns of a data set.
#include <span>

#include "program/functable.h"

namespace vorn {

struct NodeTableView {
    std::span<const functable> node_table;
    std::span<const double> constant_table;
};

// Row i holds the positive point (x1[i], y1[i]) and the negative point
// (x2[i], y2[i]); the four columns have the same length.
struct DataColumns {
    std::span<const double> x1;
    std::span<const double> y1;
    std::span<const double> x2;
    std::span<const double> y2;
};

}  // namespace vorn
