#include "trends/log_summary.h"

#include <algorithm>
#include <cmath>

#include "protocol/device_state.h"
#include "protocol/status_fields.h"

namespace trends {
namespace {

// Where each value the summary needs stands in a line, by the status field table.
struct Columns {
    Columns() {
        using protocol::StatusFieldIndex;
        rssi = StatusFieldIndex("rssi");
        held[kHeldCarrier] = StatusFieldIndex("carrierLock");
        held[kHeldSymbol] = StatusFieldIndex("symbolLock");
        held[kHeldFrameSync] = StatusFieldIndex("frameSyncLevel");
        held[kHeldFrame] = StatusFieldIndex("frameLockLevel");
    }
    size_t rssi;
    size_t held[kSummaryLockCount];
};

const Columns& ColumnsOf() {
    static const Columns columns;
    return columns;
}

// A flag is held at 1; a lock level at its locked level.
bool Held(const LogLine& line, SummaryLock lock) {
    const double value = line.values[ColumnsOf().held[lock]];
    return lock == kHeldFrameSync || lock == kHeldFrame ? value == double(protocol::kLocked)
                                                        : value == 1;
}

}  // namespace

void LogSummary::Add(const LogLine& line) {
    if (line.isMark) {
        m_marks.push_back({line.timeMs, line.note});
        return;
    }
    if (line.path < 0 || line.path >= kPaths) {
        return;
    }
    PathSummary& s = m_paths[line.path];
    LogLine& previous = m_previous[line.path];
    if (s.polls == 0) {
        s.firstMs = line.timeMs;
    } else {
        const int64_t since = line.timeMs - previous.timeMs;
        if (since > PathSummary::kGapMs) {
            s.gaps.push_back({previous.timeMs, since});
        } else if (previous.valid) {
            s.coveredMs += since;
            for (int lock = 0; lock < kSummaryLockCount; ++lock) {
                s.heldMs[lock] += Held(previous, SummaryLock(lock)) ? since : 0;
            }
        }
    }
    ++s.polls;
    s.failedPolls += line.valid ? 0 : 1;
    s.lastMs = line.timeMs;
    const double rssi = line.values[ColumnsOf().rssi];
    if (line.valid && !std::isnan(rssi)) {
        s.rssiLow = s.rssiReadings == 0 ? rssi : std::min(s.rssiLow, rssi);
        s.rssiHigh = s.rssiReadings == 0 ? rssi : std::max(s.rssiHigh, rssi);
        s.rssiSum += rssi;
        ++s.rssiReadings;
    }
    previous = line;
}

}  // namespace trends
