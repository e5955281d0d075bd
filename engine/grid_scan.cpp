#include "engine/grid_scan.h"

#include <algorithm>

#include "program/interpreter.h"

namespace vorn {

namespace {
constexpr std::size_t max_scan_lines = 21;
}

Box data_box(std::span<const double> x1, std::span<const double> y1, std::span<const double> x2,
             std::span<const double> y2) {
    Box box{0, 0, 0, 0};
    if (x1.empty()) {
        return box;
    }
    box = Box{x1[0], x1[0], y1[0], y1[0]};
    const auto widen = [](double& low, double& high, std::span<const double> values) {
        for (double v : values) {
            low = std::min(low, v);
            high = std::max(high, v);
        }
    };
    widen(box.x_min, box.x_max, x1);
    widen(box.x_min, box.x_max, x2);
    widen(box.y_min, box.y_max, y1);
    widen(box.y_min, box.y_max, y2);
    return box;
}

std::vector<double> scan_lines(double min, double max) {
    std::vector<double> lines;
    const double step = (max - min) * 0.05;
    double coordinate = min;
    while (coordinate <= max && lines.size() < max_scan_lines) {
        lines.push_back(coordinate);
        const double following = coordinate + step;
        // A zero width, or a step below the coordinate's precision, would
        // never advance: such an axis gets a single line.
        if (!(following > coordinate)) {
            break;
        }
        coordinate = following;
    }
    return lines;
}

std::vector<PlanePoint> positive_region(NodeTableView nodes, std::span<const std::int32_t> gene,
                                        const Box& box) {
    Interpreter interpreter(nodes);
    std::vector<PlanePoint> points;
    const auto xs = scan_lines(box.x_min, box.x_max);
    const auto ys = scan_lines(box.y_min, box.y_max);
    for (double x : xs) {
        for (double y : ys) {
            if (evaluate_at(interpreter, gene, x, y) > 0) {
                points.push_back({x, y});
            }
        }
    }
    return points;
}

}  // namespace vorn
