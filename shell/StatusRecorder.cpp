#include "shell/StatusRecorder.h"

#include "platform/clock.h"
#include "trends/mark.h"

void StatusRecorder::Record(int path, int64_t timeMs, const protocol::ChannelStatus* status,
                            bool timeCode) {
    if (status != nullptr) {
        const trends::PollSample sample = trends::SampleOf(*status, timeCode);
        m_store.Add(path, timeMs, &sample);
    } else {
        m_store.Add(path, timeMs, nullptr);
    }
    if (m_log) {
        m_log->Add(timeMs, path, status);
    }
    if (onRecorded) {
        onRecorded(path, timeMs);
    }
}

bool StatusRecorder::StartLog(std::string* error) {
    m_log = std::make_unique<trends::StatusLog>(m_logFolder);
    if (!m_log->Start(error)) {
        m_log.reset();
        return false;
    }
    return true;
}

void StatusRecorder::StopLog() {
    m_log.reset();
}

std::string StatusRecorder::TakeLogFailure() {
    return m_log ? m_log->TakeFailure() : std::string();
}

bool StatusRecorder::Mark(const std::string& note) {
    const std::string clean = trends::CleanNote(note);
    if (clean.empty()) {
        return false;
    }
    const int64_t now = platform::UtcNowMs();
    m_store.AddMark(now, clean);
    if (m_log) {
        m_log->AddLine(now, trends::MarkLine(now, clean));
    }
    return true;
}
