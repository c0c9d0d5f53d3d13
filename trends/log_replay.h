#pragma once
// Reads consecutive status logs into a trend store for replay, on any thread: every poll into
// the minute buckets, one day of them into the second buckets, the marks, and each line to a
// caller (the alarm engine). Memory stays that of the store, whatever the logs' size; the
// files' spans are kept so that another day of seconds is read from the files that hold it.

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "trends/status_log_reader.h"
#include "trends/trend_store.h"

namespace trends {

constexpr size_t kReplayMinuteBuckets = 31 * 1440 + 1;  // a month of minutes

struct ReplayFile {
    std::string path;
    uint64_t bytes = 0;
    int64_t firstMs = 0;  // its first and last poll
    int64_t lastMs = 0;
    size_t lines = 0;
    size_t badLines = 0;
    size_t firstBadLine = 0;  // 0 when none
};

// Read by the window thread while another thread loads.
struct LoadProgress {
    std::atomic<uint64_t> bytesRead{0};
    std::atomic<uint64_t> totalBytes{0};
    std::atomic<bool> cancel{false};
};

struct ReplayLoad {
    std::vector<ReplayFile> files;
    size_t polls = 0;
    std::string error;  // a file that could not be opened, or is no status log
    bool cancelled = false;

    int64_t FirstMs() const;
    int64_t LastMs() const;
    size_t BadLines() const;
    // "FILE:LINE" of the first line that could not be read; empty when none.
    std::string FirstBad() const;
};

// Puts status logs into the order they were written: by day, then part ("status-2026-12-10.csv"
// before "status-2026-12-10-2.csv"); other names by name.
void SortLogFiles(std::vector<std::string>* paths);

// Reads `paths` in order into `store` (made with kReplayMinuteBuckets), with the day of polls
// from the first into the second buckets; `onLine` (may be empty) sees each poll and mark.
ReplayLoad LoadLogs(const std::vector<std::string>& paths, TrendStore* store,
                    const std::function<void(const LogLine&)>& onLine, LoadProgress* progress);

// Reads the day of polls from `secondsFrom` anew into the second buckets, from the files of an
// earlier load that hold it. False when cancelled or a file can no longer be read.
bool LoadSeconds(const std::vector<ReplayFile>& files, int64_t secondsFrom, TrendStore* store,
                 LoadProgress* progress);

}  // namespace trends
