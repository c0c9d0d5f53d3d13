#pragma once
// The history of the status polls per path: one-second buckets in a ring of fixed size (more
// than two hours), each keeping the lowest, highest and last value of every series and the
// last lock states, so that memory never grows and a long span is drawn from a few thousand
// buckets. A failed poll marks its bucket, which then shows as a gap, not as a zero.

#include <cstdint>
#include <ostream>
#include <vector>

#include "protocol/device_state.h"
#include "trends/series_ring.h"

namespace trends {

enum Series { kRssi, kCarrierFrequency, kSymbolRate, kAmModIndex, kFmModIndex, kSeriesCount };
enum Lock { kCarrierLock, kSymbolLock, kFrameSync, kFrameLock, kTimeLock, kLockCount };

const char* SeriesName(Series series);  // "RSSI (dBm)", ...
const char* LockName(Lock lock);        // "Carrier", ...

// What one poll read: its values and lock states (0 unlocked, 1 locked; frame sync and frame
// lock as their states, shown only when enabled; the time lock only where a time code is
// read, the DAU mode).
struct PollSample {
    double values[kSeriesCount] = {};
    int8_t locks[kLockCount] = {};  // -1: not enabled
};

PollSample SampleOf(const protocol::ChannelStatus& status, bool timeCode = false);

class TrendStore {
public:
    static constexpr int64_t kBucketMs = 1000;
    static constexpr size_t kBuckets = 8192;  // 2 h 16 min
    static constexpr int kPaths = protocol::kPathCount;

    TrendStore();

    // A poll of `path` at `timeMs` (ms since the epoch); nullptr for a poll that failed.
    void Add(int path, int64_t timeMs, const PollSample* sample);

    using Column = Range;
    // The series between `from` and `to` in `columns` columns, each the range of the buckets
    // its time span touches (at least one, so narrow columns repeat a bucket, not gaps).
    std::vector<Column> Decimate(int path, Series series, int64_t from, int64_t to,
                                 int columns) const;
    // Only columns `first` to `first + count - 1` of those, each with the span it has in the
    // whole row, so that a part computed later matches the whole.
    std::vector<Column> Decimate(int path, Series series, int64_t from, int64_t to, int columns,
                                 int first, int count) const;
    struct Instant {
        bool valid = false;
        PollSample sample;  // the last poll of the bucket
    };
    // The last poll between `from` and `to` (the column a cursor is on).
    Instant Latest(int path, int64_t from, int64_t to) const;

    int64_t Newest() const { return m_newest; }  // 0 before the first poll
    int64_t Oldest() const;
    size_t MemoryBytes() const { return sizeof(Bucket) * m_buckets.size(); }

    // "time,path,rssi,..." then one line per bucket with a valid poll between from and to.
    void WriteCsv(std::ostream& out, int64_t from, int64_t to) const;

private:
    struct Bucket {
        int64_t index = -1;  // timeMs / kBucketMs of what it holds
        bool valid = false;
        bool failed = false;
        float low[kSeriesCount];
        float high[kSeriesCount];
        PollSample last;
    };
    const Bucket* Find(int path, int64_t index) const;

    std::vector<Bucket> m_buckets;  // kPaths x kBuckets, allocated once
    int64_t m_newest = 0;
};

}  // namespace trends
