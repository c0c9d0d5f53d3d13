#pragma once
// What the status polls leave behind: every channel status poll goes into the trend store and,
// while the status log runs, into the log. Fed by the main window after each poll it already
// makes, so it adds no device traffic.

#include <functional>
#include <memory>
#include <string>

#include "protocol/device_state.h"
#include "trends/status_log.h"
#include "trends/trend_store.h"

class StatusRecorder {
public:
    explicit StatusRecorder(std::string logFolder) : m_logFolder(std::move(logFolder)) {}

    // One poll of `path` at `timeMs`; `status` is null for a poll that failed. `timeCode`: the
    // device reads a time code (DAU mode), whose lock the trends then show.
    void Record(int path, int64_t timeMs, const protocol::ChannelStatus* status,
                bool timeCode = false);

    // An operator's mark now, into the trends and the running log; false for an empty note.
    bool Mark(const std::string& note);
    // What the note is asked with: where the mark will go.
    std::string MarkPrompt() const {
        return LogRunning() ? "Note for the status log and the trends:"
                            : "Note for the trends (the status log is off):";
    }

    bool StartLog(std::string* error);
    void StopLog();
    bool LogRunning() const { return m_log && m_log->Running(); }
    std::string LogPath() const { return m_log ? m_log->Path() : std::string(); }
    // Why the log stopped by itself, once: empty afterwards and while it runs.
    std::string TakeLogFailure();
    void SetLogFolder(std::string folder) { m_logFolder = std::move(folder); }
    // The data folder, where the log and the trend exports go; ends with "/" when not empty.
    std::string DataFolder() const {
        return m_logFolder.empty() || m_logFolder.back() == '/' ? m_logFolder : m_logFolder + "/";
    }

    const trends::TrendStore& Store() const { return m_store; }
    // Called after each recorded poll with its path and time (the trend view redraws).
    std::function<void(int path, int64_t timeMs)> onRecorded;

private:
    trends::TrendStore m_store;
    std::string m_logFolder;
    std::unique_ptr<trends::StatusLog> m_log;
};
