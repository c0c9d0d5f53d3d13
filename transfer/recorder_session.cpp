#include "transfer/recorder_session.h"

#include "platform/clock.h"
#include "protocol/CKV90T1_Comm.h"

namespace recorder {
namespace {

constexpr uint32_t kDirectoryBlocks = 4;

}  // namespace

bool ReadDirectory(CKV90T1_Comm& comm, uint32_t channel) {
    for (uint32_t block = 0; block < kDirectoryBlocks; ++block) {
        if (comm.ReadRecordingDirectory(channel, block) == 0) {
            return false;
        }
    }
    return comm.ReadRecorderInfo() != 0;
}

std::string StartDownload(CKV90T1_Comm& comm, uint32_t channel, uint32_t file,
                          const std::string& path, Download& download,
                          platform::WindowHandle window, uint32_t inactivityMs) {
    const protocol::RecordingFile& entry = comm.m_Recorder[channel].files[file];
    if (comm.SelectRecordingFile(channel, file) == 0 || comm.m_nDownloadPort == 0) {
        return "the device named no download endpoint for '" + std::string(entry.name) + "'";
    }
    download.Start(comm.m_nDownloadAddress, comm.m_nDownloadPort, entry.length, path, window,
                   inactivityMs);
    return {};
}

TransferWatch::TransferWatch(CKV90T1_Comm& comm, uint32_t channel, const Download& download)
    : m_comm(comm), m_channel(channel), m_download(download) {
    m_answered = m_comm.ReadRecorderStatus() != 0;
}

bool TransferWatch::Poll() {
    if (!m_answered || m_comm.m_Recorder[m_channel].transferInProgress == 0) {
        return false;
    }
    m_answered = m_comm.ReadRecorderStatus() != 0;
    if (!m_answered) {
        return false;
    }
    const uint32_t now = platform::ProcessClockMs();
    if (m_download.Ended() && !m_workerEndedAtMs) {
        m_workerEndedAtMs = now;
    }
    return !m_workerEndedAtMs || now - *m_workerEndedAtMs <= kStuckGraceMs;
}

}  // namespace recorder
