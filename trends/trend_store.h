#pragma once
// The history of the status polls per path: one-second buckets in a ring of fixed size (a
// day), each keeping the lowest, highest and last value of every series and the last lock
// states, so that memory never grows; one-minute buckets beside them draw a span whose columns
// are a minute or wider from a few thousand buckets. A bucket without a poll that read, at
// either level, shows as a gap, not as a zero.

#include <algorithm>
#include <cstdint>
#include <deque>
#include <memory>
#include <ostream>
#include <vector>

#include "protocol/device_state.h"
#include "trends/mark.h"
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
// The same from a poll read back from a status log (values by the status field table's order,
// NaN for no reading). The log does not say whether a time code was read: no time lock.
PollSample SampleOfLogged(const std::vector<double>& values);

// Which buckets a poll goes into.
enum class Levels { kAll, kSeconds, kMinutes };

class TrendStore {
public:
    static constexpr int64_t kBucketMs = 1000;
    static constexpr size_t kBuckets = 86'400;  // 24 h
    static constexpr int64_t kMinuteMs = 60'000;
    static constexpr size_t kMinuteBuckets = 1441;  // 24 h and the minute its oldest second is in
    static constexpr int kPaths = protocol::kPathCount;

    // `minuteBuckets`: how far back the minute buckets reach (a replay of many days keeps
    // more of them than a live view's day).
    explicit TrendStore(size_t minuteBuckets = kMinuteBuckets);

    // A poll of `path` at `timeMs` (ms since the epoch); nullptr for a poll that failed. A
    // replay keeps one day of seconds and puts the other polls into the minute buckets only.
    void Add(int path, int64_t timeMs, const PollSample* sample, Levels levels = Levels::kAll);
    // Empties the second buckets (a replay about to read another day of them), or everything.
    void ClearSeconds();
    void Clear();

    using Column = Range;
    // The series between `from` and `to` in `columns` columns, each the range of the buckets
    // its time span touches (at least one, so narrow columns repeat a bucket, not gaps): the
    // minute buckets when a column spans a minute or more, else the second buckets.
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
    // The last poll of the newest bucket between `from` and `to` (the column a cursor is on),
    // of the minute buckets when the span is a minute or longer.
    Instant Latest(int path, int64_t from, int64_t to) const;

    static constexpr size_t kMarks = 1000;  // beyond, the oldest go first
    // An operator's mark, put in its place by time; its note as the log keeps it.
    void AddMark(int64_t timeMs, std::string_view note);
    // The marks from `from` up to `to`, oldest first.
    std::vector<Mark> Marks(int64_t from, int64_t to) const;

    int64_t Newest() const { return m_newest; }  // 0 before the first poll
    // The oldest time the second buckets hold (a day before their newest poll).
    int64_t Oldest() const;
    // The time the second buckets' newest poll is in; 0 before the first.
    int64_t NewestSecond() const { return m_seconds.newest * kBucketMs; }
    // The longest span the minute buckets draw.
    int64_t LongestSpanMs() const { return int64_t(m_minutes.count - 1) * kMinuteMs; }
    size_t MemoryBytes() const {
        return sizeof(Bucket) * kPaths * (m_seconds.count + m_minutes.count);
    }

    // "time,path,rssi,..." then one line per bucket with a valid poll between from and to, and
    // the marks among them as the status log writes them: second buckets for a span of a day at
    // most that they reach, else minute buckets (the last poll of each minute).
    void WriteCsv(std::ostream& out, int64_t from, int64_t to) const;

private:
    // All zero bytes is an empty bucket, so that a level's memory comes zeroed from the system
    // and is touched only where polls go: a day costs nothing until it is recorded.
    struct Bucket {
        int64_t key = 0;  // timeMs / bucketMs + 1 of what it holds; 0: empty
        bool valid = false;
        bool failed = false;
        float low[kSeriesCount];
        float high[kSeriesCount];
        PollSample last;

        void Take(const PollSample& sample);
    };
    // One resolution: a ring of `count` buckets of `bucketMs` per path, allocated once.
    struct Level {
        Level(int64_t bucketMs, size_t count);
        // The bucket of `timeMs`, emptied first when it held an older one.
        Bucket& At(int path, int64_t timeMs);
        // The bucket `index` (timeMs / bucketMs) when it holds a poll that read.
        const Bucket* Find(int path, int64_t index) const;
        // The oldest index the ring still holds.
        int64_t Oldest() const { return std::max<int64_t>(0, newest - int64_t(count) + 1); }

        int64_t bucketMs;
        int64_t newest = 0;  // the newest index written
        size_t count;
        std::unique_ptr<Bucket[], void (*)(void*)> ring;
    };
    // The minute buckets for columns (or spans) of `spanMs` a minute or wider.
    const Level& LevelFor(int64_t spanMs) const {
        return spanMs >= kMinuteMs ? m_minutes : m_seconds;
    }

    Level m_seconds{kBucketMs, kBuckets};
    Level m_minutes{kMinuteMs, kMinuteBuckets};
    int64_t m_newest = 0;
    std::deque<Mark> m_marks;
};

}  // namespace trends
