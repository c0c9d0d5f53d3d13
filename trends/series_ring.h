#pragma once
// One value over time in a ring of fixed size (the newest points kept), drawn by columns: each
// column the range of the points in its time span.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace trends {

struct Range {
    bool valid = false;
    double low = 0;
    double high = 0;
};

class SeriesRing {
public:
    explicit SeriesRing(size_t capacity) : m_points(capacity) {}

    // A point at `timeMs`; an invalid one is a gap.
    void Add(int64_t timeMs, bool valid, double value);
    std::vector<Range> Decimate(int64_t from, int64_t to, int columns) const;
    size_t Count() const { return m_count; }

private:
    struct Point {
        int64_t timeMs = 0;
        bool valid = false;
        double value = 0;
    };
    std::vector<Point> m_points;
    size_t m_next = 0;
    size_t m_count = 0;
};

}  // namespace trends
