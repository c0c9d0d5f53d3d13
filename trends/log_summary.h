#pragma once
// What a status log says about a pass, per path: the span it covers, the share of that time each
// lock was held, the RSSI's lowest, mean and highest, the failed polls and the gaps; and the
// operator's marks.

#include <cstdint>
#include <vector>

#include "trends/mark.h"
#include "trends/status_log_reader.h"

namespace trends {

enum SummaryLock { kHeldCarrier, kHeldSymbol, kHeldFrameSync, kHeldFrame, kSummaryLockCount };

struct PathSummary {
    static constexpr int64_t kGapMs = 5000;  // polls further apart leave a gap
    struct Gap {
        int64_t startMs;
        int64_t lengthMs;
    };
    size_t polls = 0;
    size_t failedPolls = 0;
    int64_t firstMs = 0;
    int64_t lastMs = 0;
    // Time between polls no further apart than kGapMs, after a poll that read, and the part of it
    // after a poll that found each lock held.
    int64_t coveredMs = 0;
    int64_t heldMs[kSummaryLockCount] = {};
    size_t rssiReadings = 0;
    double rssiLow = 0;
    double rssiHigh = 0;
    double rssiSum = 0;
    std::vector<Gap> gaps;

    double HeldShare(SummaryLock lock) const {
        return coveredMs > 0 ? double(heldMs[lock]) / double(coveredMs) : 0;
    }
};

class LogSummary {
public:
    static constexpr int kPaths = 3;
    // The lines of the logs in time order.
    void Add(const LogLine& line);
    const PathSummary& Path(int path) const { return m_paths[path]; }
    const std::vector<Mark>& Marks() const { return m_marks; }

private:
    std::vector<Mark> m_marks;
    PathSummary m_paths[kPaths];
    LogLine m_previous[kPaths];
};

}  // namespace trends
