#include "trends/trend_store.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <new>
#include <string>
#include <type_traits>

#include "protocol/status_fields.h"

namespace trends {

const char* SeriesName(Series series) {
    static const char* const kNames[kSeriesCount] = {"RSSI (dBm)", "Carrier Frequency (Hz)",
                                                     "Symbol Rate (sps)", "AM Mod Index",
                                                     "FM Mod Index"};
    return kNames[series];
}

const char* LockName(Lock lock) {
    static const char* const kNames[kLockCount] = {"Carrier", "Symbol", "Frame Sync", "Frame",
                                                   "Time"};
    return kNames[lock];
}

namespace {

// The status field each series draws, looked up once rather than on every poll.
const protocol::StatusField& FieldOf(int series) {
    static const std::array<const protocol::StatusField*, kSeriesCount> kFields = [] {
        const char* const keys[kSeriesCount] = {"rssi", "carrierFrequency", "symbolRate",
                                                "amModIndex", "fmModIndex"};
        std::array<const protocol::StatusField*, kSeriesCount> fields{};
        for (int series = 0; series < kSeriesCount; ++series) {
            fields[size_t(series)] = &protocol::StatusFieldOf(keys[series]);
        }
        return fields;
    }();
    return *kFields[size_t(series)];
}

// A number with the field's decimals; an empty cell for a value that was no reading.
std::string CsvNumber(int series, double value) {
    if (std::isnan(value)) {
        return {};
    }
    char text[48];
    std::snprintf(text, sizeof text, "%.*f", FieldOf(series).decimals, value);
    return text;
}

}  // namespace

// A value outside what the device can report is no reading: NaN, which no column shows.
PollSample SampleOf(const protocol::ChannelStatus& s, bool timeCode) {
    PollSample sample;
    for (int series = 0; series < kSeriesCount; ++series) {
        const protocol::StatusField& field = FieldOf(series);
        sample.values[series] = protocol::InRange(field, s) ? field.read(s) : std::nan("");
    }
    // The lock flags through the status field table, looked up once.
    static const protocol::StatusField& carrierLock = protocol::StatusFieldOf("carrierLock");
    static const protocol::StatusField& symbolLock = protocol::StatusFieldOf("symbolLock");
    static const protocol::StatusField& timeValid = protocol::StatusFieldOf("timeValid");
    sample.locks[kCarrierLock] = carrierLock.read(s) != 0 ? 1 : 0;
    sample.locks[kSymbolLock] = symbolLock.read(s) != 0 ? 1 : 0;
    sample.locks[kFrameSync] = protocol::FrameSyncLevel(s);
    sample.locks[kFrameLock] = protocol::FrameLockLevel(s);
    sample.locks[kTimeLock] = timeCode ? (timeValid.read(s) != 0 ? 1 : 0) : -1;
    return sample;
}

PollSample SampleOfLogged(const std::vector<double>& values) {
    using protocol::StatusFieldIndex;
    static const auto kColumns = [] {
        std::array<size_t, kSeriesCount + 4> columns{};
        for (int series = 0; series < kSeriesCount; ++series) {
            columns[size_t(series)] = StatusFieldIndex(FieldOf(series).key);
        }
        columns[size_t(kSeriesCount) + size_t(kCarrierLock)] = StatusFieldIndex("carrierLock");
        columns[size_t(kSeriesCount) + size_t(kSymbolLock)] = StatusFieldIndex("symbolLock");
        columns[size_t(kSeriesCount) + size_t(kFrameSync)] = StatusFieldIndex("frameSyncLevel");
        columns[size_t(kSeriesCount) + size_t(kFrameLock)] = StatusFieldIndex("frameLockLevel");
        return columns;
    }();
    PollSample sample;
    if (values.size() != protocol::ChannelStatusFields().size()) {
        return sample;
    }
    for (int series = 0; series < kSeriesCount; ++series) {
        sample.values[series] = values[kColumns[size_t(series)]];
    }
    for (int lock : {kCarrierLock, kSymbolLock, kFrameSync, kFrameLock}) {
        const double value = values[kColumns[size_t(kSeriesCount + lock)]];
        const bool level = lock == kFrameSync || lock == kFrameLock;
        sample.locks[lock] = std::isnan(value) ? (level ? -1 : 0) : static_cast<int8_t>(value);
    }
    sample.locks[kTimeLock] = -1;
    return sample;
}

TrendStore::TrendStore(size_t minuteBuckets)
    : m_minutes(kMinuteMs, std::max<size_t>(minuteBuckets, 2)) {}

void TrendStore::Bucket::Take(const PollSample& sample) {
    for (int s = 0; s < kSeriesCount; ++s) {
        const auto v = static_cast<float>(sample.values[s]);
        if (!valid || std::isnan(low[s])) {
            low[s] = high[s] = v;
        } else if (!std::isnan(v)) {
            low[s] = std::min(low[s], v);
            high[s] = std::max(high[s], v);
        }
    }
    last = sample;
    valid = true;
}

TrendStore::Level::Level(int64_t bucketMs, size_t count)
    : bucketMs(bucketMs),
      count(count),
      ring(static_cast<Bucket*>(std::calloc(kPaths * count, sizeof(Bucket))), std::free) {
    static_assert(std::is_trivially_copyable_v<Bucket> && std::is_aggregate_v<Bucket>,
                  "zeroed memory must be buckets");
    if (!ring) {
        throw std::bad_alloc();
    }
}

TrendStore::Bucket& TrendStore::Level::At(int path, int64_t timeMs) {
    const int64_t index = timeMs / bucketMs;
    newest = std::max(newest, index);
    Bucket& b = ring[size_t(path) * count + size_t(index) % count];
    if (b.key != index + 1) {
        b = Bucket{};
        b.key = index + 1;
    }
    return b;
}

const TrendStore::Bucket* TrendStore::Level::Find(int path, int64_t index) const {
    if (path < 0 || path >= kPaths || index < 0) {
        return nullptr;
    }
    const Bucket& b = ring[size_t(path) * count + size_t(index) % count];
    return b.key == index + 1 && b.valid ? &b : nullptr;
}

void TrendStore::Add(int path, int64_t timeMs, const PollSample* sample, Levels levels) {
    if (path < 0 || path >= kPaths || timeMs < 0) {
        return;
    }
    m_newest = std::max(m_newest, timeMs);
    for (Level* level : {&m_seconds, &m_minutes}) {
        if ((level == &m_seconds && levels == Levels::kMinutes) ||
            (level == &m_minutes && levels == Levels::kSeconds)) {
            continue;
        }
        Bucket& b = level->At(path, timeMs);
        if (sample == nullptr) {
            b.failed = true;
        } else {
            b.Take(*sample);
        }
    }
}

void TrendStore::ClearSeconds() {
    std::fill_n(m_seconds.ring.get(), kPaths * m_seconds.count, Bucket{});
    m_seconds.newest = 0;
}

void TrendStore::Clear() {
    ClearSeconds();
    std::fill_n(m_minutes.ring.get(), kPaths * m_minutes.count, Bucket{});
    m_minutes.newest = 0;
    m_newest = 0;
    m_marks.clear();
}

int64_t TrendStore::Oldest() const {
    return m_seconds.Oldest() * kBucketMs;
}

std::vector<TrendStore::Column> TrendStore::Decimate(int path, Series series, int64_t from,
                                                     int64_t to, int columns) const {
    return Decimate(path, series, from, to, columns, 0, columns);
}

std::vector<TrendStore::Column> TrendStore::Decimate(int path, Series series, int64_t from,
                                                     int64_t to, int columns, int first,
                                                     int count) const {
    std::vector<Column> out(static_cast<size_t>(std::max(count, 0)));
    if (columns <= 0 || to <= from || first < 0) {
        return out;
    }
    const Level& level = LevelFor((to - from) / columns);
    const int64_t oldest = level.Oldest();
    for (int x = first; x < first + count; ++x) {
        const int64_t start = from + (to - from) * x / columns;
        const int64_t end = from + (to - from) * (x + 1) / columns;
        Column& column = out[size_t(x - first)];
        for (int64_t index = std::max(start / level.bucketMs, oldest);
             index <= std::max(start, end - 1) / level.bucketMs; ++index) {
            const Bucket* b = level.Find(path, index);
            if (b == nullptr || std::isnan(b->low[series])) {
                continue;
            }
            column.low =
                column.valid ? std::min<double>(column.low, b->low[series]) : b->low[series];
            column.high =
                column.valid ? std::max<double>(column.high, b->high[series]) : b->high[series];
            column.valid = true;
        }
    }
    return out;
}

TrendStore::Instant TrendStore::Latest(int path, int64_t from, int64_t to) const {
    const Level& level = LevelFor(to - from);
    for (int64_t index = std::max(from, to - 1) / level.bucketMs;
         index >= std::max(from / level.bucketMs, level.Oldest()); --index) {
        if (const Bucket* b = level.Find(path, index)) {
            return {true, b->last};
        }
    }
    return {};
}

void TrendStore::AddMark(int64_t timeMs, std::string_view note) {
    const auto at = std::upper_bound(m_marks.begin(), m_marks.end(), timeMs,
                                     [](int64_t t, const Mark& mark) { return t < mark.timeMs; });
    m_marks.insert(at, Mark{timeMs, CleanNote(note)});
    if (m_marks.size() > kMarks) {
        m_marks.pop_front();
    }
}

std::vector<Mark> TrendStore::Marks(int64_t from, int64_t to) const {
    auto before = [](const Mark& mark, int64_t t) { return mark.timeMs < t; };
    auto first = std::lower_bound(m_marks.begin(), m_marks.end(), from, before);
    std::vector<Mark> marks;
    for (; first != m_marks.end() && first->timeMs <= to; ++first) {
        marks.push_back(*first);
    }
    return marks;
}

void TrendStore::WriteCsv(std::ostream& out, int64_t from, int64_t to) const {
    out << "time,path,rssi,carrierFrequency,symbolRate,amModIndex,fmModIndex,carrierLock,"
           "symbolLock,frameSync,frameLock,timeLock\n";
    const std::vector<Mark> marks = Marks(from, to);
    auto mark = marks.begin();
    const bool inSeconds = to - from <= int64_t(kBuckets) * kBucketMs && to >= Oldest() &&
                           from / kBucketMs <= m_seconds.newest;
    const Level& level = inSeconds ? m_seconds : m_minutes;
    for (int64_t index = std::max(from / level.bucketMs, level.Oldest());
         index <= to / level.bucketMs; ++index) {
        for (; mark != marks.end() && mark->timeMs / level.bucketMs < index; ++mark) {
            out << MarkLine(mark->timeMs, mark->note) << "\n";
        }
        for (int path = 0; path < kPaths; ++path) {
            const Bucket* b = level.Find(path, index);
            if (b == nullptr) {
                continue;
            }
            const std::time_t seconds = index * level.bucketMs / 1000;
            std::tm utc{};
            gmtime_r(&seconds, &utc);
            char time[80];
            std::snprintf(time, sizeof time, "%04d-%02d-%02dT%02d:%02d:%02dZ", utc.tm_year + 1900,
                          utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec);
            const PollSample& s = b->last;
            std::string line = std::string(time) + "," + std::to_string(path);
            for (int series = 0; series < kSeriesCount; ++series) {
                line += "," + CsvNumber(series, s.values[series]);
            }
            for (int lock = 0; lock < kLockCount; ++lock) {
                line += "," + std::to_string(s.locks[lock]);
            }
            line += "\n";
            out << line;
        }
    }
    for (; mark != marks.end(); ++mark) {
        out << MarkLine(mark->timeMs, mark->note) << "\n";
    }
}

}  // namespace trends
