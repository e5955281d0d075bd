#pragma once
// The scan of the plane behind the result chart's curves: where the best
// program's output is positive, at a twentieth of the data's extent.
#include <cstdint>
#include <span>
#include <vector>

#include "program/views.h"

namespace vorn {

struct PlanePoint {
    double x;
    double y;
};

struct Box {
    double x_min;
    double x_max;
    double y_min;
    double y_max;
};

// The box over both points of every row of a data set.
[[nodiscard]] Box data_box(std::span<const double> x1, std::span<const double> y1,
                           std::span<const double> x2, std::span<const double> y2);

// The scan's coordinates along one axis: from min by (max - min) * 0.05,
// accumulated by repeated addition, while not above max; at most 21 lines,
// and a single line when the step does not advance the coordinate.
[[nodiscard]] std::vector<double> scan_lines(double min, double max);

// Grid points of the box (x outer, y inner) where the gene's output is > 0.
[[nodiscard]] std::vector<PlanePoint> positive_region(NodeTableView nodes,
                                                      std::span<const std::int32_t> gene,
                                                      const Box& box);

}  // namespace vorn
