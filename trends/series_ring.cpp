#include "trends/series_ring.h"

#include <algorithm>

namespace trends {

void SeriesRing::Add(int64_t timeMs, bool valid, double value) {
    if (m_points.empty()) {
        return;
    }
    m_points[m_next] = {timeMs, valid, value};
    m_next = (m_next + 1) % m_points.size();
    m_count = std::min(m_count + 1, m_points.size());
}

// A point falls into the column of its time; a column between two points of the series takes
// the earlier one, so that a series polled less often than the columns are wide has no gaps.
std::vector<Range> SeriesRing::Decimate(int64_t from, int64_t to, int columns) const {
    std::vector<Range> out(static_cast<size_t>(std::max(columns, 0)));
    if (columns <= 0 || to <= from) {
        return out;
    }
    const size_t first = (m_next + m_points.size() - m_count) % m_points.size();
    int lastColumn = -1;
    const Point* last = nullptr;
    for (size_t i = 0; i < m_count; ++i) {
        const Point& p = m_points[(first + i) % m_points.size()];
        if (p.timeMs < from || p.timeMs >= to) {
            last = p.timeMs < from ? &p : last;
            continue;
        }
        const int column = static_cast<int>((p.timeMs - from) * columns / (to - from));
        if (last != nullptr && last->valid && p.valid) {
            for (int x = lastColumn + 1; x < column; ++x) {
                out[size_t(x)] = {true, last->value, last->value};
            }
        }
        Range& r = out[size_t(column)];
        if (p.valid) {
            r.low = r.valid ? std::min(r.low, p.value) : p.value;
            r.high = r.valid ? std::max(r.high, p.value) : p.value;
            r.valid = true;
        }
        lastColumn = column;
        last = &p;
    }
    return out;
}

}  // namespace trends
