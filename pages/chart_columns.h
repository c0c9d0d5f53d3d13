#pragma once
// Ranges from the history stores as the chart's columns.

#include <vector>

#include "trends/series_ring.h"
#include "ui/StripChart.h"

namespace pages {

inline std::vector<ui::ChartColumn> ChartColumns(const std::vector<trends::Range>& ranges) {
    std::vector<ui::ChartColumn> columns;
    columns.reserve(ranges.size());
    for (const trends::Range& r : ranges) {
        columns.push_back({r.valid, r.low, r.high});
    }
    return columns;
}

}  // namespace pages
