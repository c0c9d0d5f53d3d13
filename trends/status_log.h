#pragma once
// The status log: one CSV line per status poll (an ISO-8601 UTC time, the path and every
// decoded status field) in the data folder, a new file per UTC day or past 100 MB. A writer
// thread takes the lines from a bounded queue and writes whole lines at least every second, so
// a crash loses at most the last second and never leaves earlier lines broken. A write that
// fails (a full disk, a folder that went away) stops the log and says why. The alarm log is a
// log of the same kind, whose lines its caller formats.

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

#include "protocol/device_state.h"

namespace trends {

// What a log holds: its files' prefix ("status": status-2026-12-10.csv), its heading line and
// its name in messages ("Status log").
struct LogKind {
    std::string prefix;
    std::string heading;
    std::string title;
};

class StatusLog {
public:
    static constexpr size_t kQueueLimit = 8192;  // polls waiting; beyond, the oldest are dropped
    static constexpr uint64_t kFileLimit = 100ull << 20;
    static constexpr int64_t kFlushMs = 1000;
    // "time,path,valid," and the status fields' keys.
    static const std::string& Heading();

    static LogKind StatusKind();

    explicit StatusLog(std::string folder, LogKind kind = StatusKind());
    ~StatusLog();
    StatusLog(const StatusLog&) = delete;
    StatusLog& operator=(const StatusLog&) = delete;

    // Starts the writer; false (with the reason) when the folder cannot take a file.
    bool Start(std::string* error);
    void Stop();
    bool Running() const;
    // Why a running log stopped by itself; empty while it runs or after Stop.
    std::string Failure() const;
    // The same, once: empty after the first call that returned it.
    std::string TakeFailure();
    // The file being written.
    std::string Path() const;

    // Queues one poll of `path` at `timeMs` (ms since the epoch); `status` is null for a poll
    // that failed. Cheap: the line is formatted on the writer thread.
    void Add(int64_t timeMs, int path, const protocol::ChannelStatus* status);
    // Queues a line formatted by the caller (without its end), written in the file of `timeMs`.
    void AddLine(int64_t timeMs, std::string line);

    // Appends one line to the day's newest file of `kind` in `folder`, made with its heading
    // when there is none, in one write, so that it never splits a line of a console writing
    // the same file. `path` gets the file; false with the reason.
    static bool AppendLine(const std::string& folder, const LogKind& kind, int64_t timeMs,
                           const std::string& line, std::string* path, std::string* error);

    // The line of one poll, without its end.
    static std::string Line(int64_t timeMs, int path, const protocol::ChannelStatus* status);
    // "status-2026-12-10.csv", "-2", "-3", ... for further files of the day.
    static std::string FileName(int64_t timeMs, int part, const std::string& prefix = "status");

private:
    struct Entry {
        int64_t timeMs;
        int path;
        bool valid;
        protocol::ChannelStatus status;
        std::string line;  // a caller's line, when not empty
    };
    void Run();
    bool OpenFor(int64_t timeMs, std::string* error);
    bool WritePending(std::string* pending);
    void Fail(const std::string& why);

    const std::string m_folder;
    const LogKind m_kind;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<Entry> m_queue;
    bool m_running = false;
    bool m_stopping = false;
    std::string m_failure;
    bool m_failureTaken = false;
    std::string m_path;
    std::thread m_thread;
    // Writer thread only.
    int m_fd = -1;
    uint64_t m_written = 0;
    int64_t m_day = -1;
    int m_part = 1;
};

}  // namespace trends
