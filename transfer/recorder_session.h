#pragma once
// The recorder's side of a download, shared by the NAND flash page and kv90t-ctl: reading a
// channel's directory, selecting a file so that the device names its endpoint, and the one rule
// of when the device is done with a transfer.

#include <cstdint>
#include <optional>
#include <string>

#include "transfer/recorder_download.h"

class CKV90T1_Comm;

namespace recorder {

// The channel's directory: its four blocks, then the recorder info; true when all arrived.
bool ReadDirectory(CKV90T1_Comm& comm, uint32_t channel);

// Selects `file` of `channel` and starts `download` on the endpoint the device names, into
// `path`. The error when the device named none; nothing is started then.
std::string StartDownload(CKV90T1_Comm& comm, uint32_t channel, uint32_t file,
                          const std::string& path, Download& download,
                          platform::WindowHandle window, uint32_t inactivityMs);

// Follows the device's transfer flag while the worker receives. The device is done when the
// flag clears. Waiting also ends when a status read fails (a device that stopped answering
// would otherwise hold the wait for good) or when the flag stays set kStuckGraceMs after the
// worker ended. Once it ends the worker's own Outcome says whether the file is complete.
class TransferWatch {
public:
    static constexpr uint32_t kPollMs = 100;
    static constexpr uint32_t kStuckGraceMs = 3000;

    // Reads the flag for the first time.
    TransferWatch(CKV90T1_Comm& comm, uint32_t channel, const Download& download);
    // Reads the flag again unless it cleared; true while the wait goes on.
    bool Poll();
    // Whether the last status read arrived.
    bool DeviceAnswered() const { return m_answered; }

private:
    CKV90T1_Comm& m_comm;
    const uint32_t m_channel;
    const Download& m_download;
    bool m_answered = true;
    std::optional<uint32_t> m_workerEndedAtMs;
};

}  // namespace recorder
