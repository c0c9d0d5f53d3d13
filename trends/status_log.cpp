#include "trends/status_log.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "platform/clock.h"
#include "protocol/status_fields.h"

namespace trends {
namespace {

constexpr int64_t kDayMs = 86'400'000;

std::string InFolder(const std::string& folder, const std::string& name) {
    return !folder.empty() && folder.back() == '/' ? folder + name : folder + "/" + name;
}

std::tm UtcOf(int64_t timeMs) {
    const std::time_t seconds = timeMs / 1000;
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    return utc;
}

}  // namespace

const std::string& StatusLog::Heading() {
    static const std::string kHeading = [] {
        std::string heading = "time,path,valid";
        for (const protocol::StatusField& field : protocol::ChannelStatusFields()) {
            heading += std::string(",") + field.key;
        }
        return heading;
    }();
    return kHeading;
}

LogKind StatusLog::StatusKind() {
    return {"status", Heading(), "Status log"};
}

StatusLog::StatusLog(std::string folder, LogKind kind)
    : m_folder(std::move(folder)), m_kind(std::move(kind)) {}

StatusLog::~StatusLog() {
    Stop();
}

std::string StatusLog::FileName(int64_t timeMs, int part, const std::string& prefix) {
    const std::tm utc = UtcOf(timeMs);
    char date[32];
    std::snprintf(date, sizeof date, "-%04d-%02d-%02d", utc.tm_year + 1900, utc.tm_mon + 1,
                  utc.tm_mday);
    return prefix + date + (part > 1 ? "-" + std::to_string(part) : "") + ".csv";
}

bool StatusLog::AppendLine(const std::string& folder, const LogKind& kind, int64_t timeMs,
                           const std::string& line, std::string* path, std::string* error) {
    int part = 1;
    while (::access(InFolder(folder, FileName(timeMs, part + 1, kind.prefix)).c_str(), F_OK) == 0) {
        ++part;
    }
    *path = InFolder(folder, FileName(timeMs, part, kind.prefix));
    std::string text = line + "\n";
    int fd = ::open(path->c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    if (fd < 0 && errno == ENOENT) {
        fd = ::open(path->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_APPEND | O_CLOEXEC, 0644);
        text = fd >= 0 ? kind.heading + "\n" + text : text;
        if (fd < 0 && errno == EEXIST) {  // made by the console just now
            fd = ::open(path->c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
        }
    }
    if (fd < 0) {
        *error = *path + ": " + std::strerror(errno);
        return false;
    }
    const ssize_t n = ::write(fd, text.data(), text.size());
    const int writeError = n < 0 ? errno : ENOSPC;
    ::close(fd);
    if (n != static_cast<ssize_t>(text.size())) {
        *error = *path + ": " + std::strerror(writeError);
        return false;
    }
    return true;
}

// A value outside what the device can report is no reading: its cell stays empty, as do all
// of a failed poll's.
std::string StatusLog::Line(int64_t timeMs, int path, const protocol::ChannelStatus* s) {
    std::string line = platform::IsoUtcText(timeMs);
    line.reserve(160);
    line.append(",").append(std::to_string(path)).append(s != nullptr ? ",1" : ",0");
    for (const protocol::StatusField& field : protocol::ChannelStatusFields()) {
        line += ',';
        if (s != nullptr) {
            line += protocol::FieldText(field, *s);
        }
    }
    return line;
}

bool StatusLog::Start(std::string* error) {
    Stop();
    const int64_t now = platform::UtcNowMs();
    m_day = -1;
    m_part = 1;
    if (!OpenFor(now, error)) {
        return false;
    }
    std::lock_guard lock(m_mutex);
    m_running = true;
    m_stopping = false;
    m_failure.clear();
    m_failureTaken = false;
    m_thread = std::thread(&StatusLog::Run, this);
    return true;
}

void StatusLog::Stop() {
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable()) {
        m_thread.join();
    }
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    std::lock_guard lock(m_mutex);
    m_running = false;
    m_queue.clear();
}

bool StatusLog::Running() const {
    std::lock_guard lock(m_mutex);
    return m_running;
}

std::string StatusLog::Failure() const {
    std::lock_guard lock(m_mutex);
    return m_failure;
}

std::string StatusLog::TakeFailure() {
    std::lock_guard lock(m_mutex);
    if (m_failureTaken) {
        return {};
    }
    m_failureTaken = !m_failure.empty();
    return m_failure;
}

std::string StatusLog::Path() const {
    std::lock_guard lock(m_mutex);
    return m_path;
}

void StatusLog::Add(int64_t timeMs, int path, const protocol::ChannelStatus* status) {
    std::lock_guard lock(m_mutex);
    if (!m_running) {
        return;
    }
    if (m_queue.size() >= kQueueLimit) {
        m_queue.pop_front();
    }
    m_queue.push_back({timeMs,
                       path,
                       status != nullptr,
                       status != nullptr ? *status : protocol::ChannelStatus{},
                       {}});
}

void StatusLog::AddLine(int64_t timeMs, std::string line) {
    std::lock_guard lock(m_mutex);
    if (!m_running) {
        return;
    }
    if (m_queue.size() >= kQueueLimit) {
        m_queue.pop_front();
    }
    m_queue.push_back({timeMs, 0, false, {}, std::move(line)});
}

// A new file for a new UTC day or a file past its limit; the heading goes first.
bool StatusLog::OpenFor(int64_t timeMs, std::string* error) {
    const int64_t day = timeMs / kDayMs;
    if (m_fd >= 0 && day == m_day && m_written < kFileLimit) {
        return true;
    }
    m_part = day == m_day ? m_part + 1 : 1;
    m_day = day;
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    std::string path;
    for (;; ++m_part) {
        path = InFolder(m_folder, FileName(timeMs, m_part, m_kind.prefix));
        m_fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_APPEND | O_CLOEXEC, 0644);
        if (m_fd >= 0 || errno != EEXIST) {
            break;
        }
    }
    if (m_fd < 0) {
        *error = path + ": " + std::strerror(errno);
        return false;
    }
    {
        std::lock_guard lock(m_mutex);
        m_path = path;
    }
    m_written = 0;
    std::string heading = m_kind.heading + "\n";
    if (!WritePending(&heading)) {
        *error = path + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

// Writes whole lines only; false (errno set) when the file takes them not, and then the lines
// written in part are cut off again, so the file ends at a line end.
// Another program (kv90t-ctl mark) may have appended to the file since the last write: the
// size is taken anew, so that cutting off a failed write never cuts off its lines.
bool StatusLog::WritePending(std::string* pending) {
    if (struct stat info{}; ::fstat(m_fd, &info) == 0) {
        m_written = static_cast<uint64_t>(info.st_size);
    }
    size_t done = 0;
    while (done < pending->size()) {
        const ssize_t n = ::write(m_fd, pending->data() + done, pending->size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            const int error = n == 0 ? ENOSPC : errno;
            [[maybe_unused]] const int cut = ::ftruncate(m_fd, static_cast<off_t>(m_written));
            errno = error;
            return false;
        }
        done += size_t(n);
    }
    m_written += pending->size();
    pending->clear();
    return true;
}

void StatusLog::Fail(const std::string& why) {
    std::lock_guard lock(m_mutex);
    m_failure = why;
    m_running = false;
    m_queue.clear();
}

void StatusLog::Run() {
    std::string pending;
    uint64_t lastWrite = platform::TickCount64();
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait_for(lock, std::chrono::milliseconds(100));
        std::deque<Entry> entries;
        entries.swap(m_queue);
        const bool stopping = m_stopping;
        lock.unlock();
        std::string error;
        for (const Entry& e : entries) {
            if (!pending.empty() && (e.timeMs / kDayMs != m_day || m_written >= kFileLimit)) {
                if (!WritePending(&pending)) {
                    Fail(m_kind.title + " stopped: " + m_path + ": " + std::strerror(errno));
                    return;
                }
            }
            if (!OpenFor(e.timeMs, &error)) {
                Fail(m_kind.title + " stopped: " + error);
                return;
            }
            pending +=
                e.line.empty() ? Line(e.timeMs, e.path, e.valid ? &e.status : nullptr) : e.line;
            pending += '\n';
        }
        const uint64_t now = platform::TickCount64();
        if (!pending.empty() &&
            (stopping || now - lastWrite >= static_cast<uint64_t>(kFlushMs - 100) ||
             pending.size() >= (64u << 10))) {
            if (!WritePending(&pending)) {
                Fail(m_kind.title + " stopped: " + m_path + ": " + std::strerror(errno));
                return;
            }
            lastWrite = now;
        }
        lock.lock();
        if (stopping && m_queue.empty()) {
            return;
        }
    }
}

}  // namespace trends
