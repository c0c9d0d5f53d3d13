#pragma once
// The recorder's file download: a worker thread that connects to the endpoint the device
// named and receives the file's bytes into a temporary file beside the final one. The final
// file is replaced only when every announced byte arrived and was written, flushed and closed;
// otherwise the earlier file stays as it was and what arrived stays in the temporary file. The
// names come from the device and are made safe before they become file names.

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

#include "platform/window_messages.h"

namespace recorder {

enum : uint32_t { ID_NAND_DOWNLOAD_DONE = 0x61B };

// A recorder file name as a plain name in the program folder: path separators, control
// characters, a leading dot and ".." become "_"; an empty name becomes "_".
std::string SafeFileName(const std::string& name);
// The local name of a recorder file: the safe name with ".ark" appended, unless it ends so.
std::string DownloadName(const std::string& name);

// How a download ended.
struct Outcome {
    bool complete = false;  // the file holds every announced byte and replaced any earlier one
    uint64_t received = 0;  // bytes received and written
    std::string error;      // why not, naming the file or the endpoint and the reason
};

class Download {
public:
    static constexpr size_t kBufferBytes = 1 << 20;
    // A transfer that gets no byte for this long has stalled.
    static constexpr uint32_t kInactivityMs = 30000;
    // After the announced bytes, how long the worker looks for more before calling it complete.
    static constexpr uint32_t kOverrunWaitMs = 500;

    Download() = default;
    // Cancels a transfer still running and waits for the worker.
    ~Download();
    Download(const Download&) = delete;
    Download& operator=(const Download&) = delete;

    // Starts the worker: `expected` bytes from `address`:`port` into `path`; it posts
    // ID_NAND_DOWNLOAD_DONE to `window` when it has ended, however it ended. A transfer still
    // running is cancelled first.
    void Start(uint32_t address, uint16_t port, uint64_t expected, const std::string& path,
               platform::WindowHandle window, uint32_t inactivityMs = kInactivityMs);
    // Ends the transfer (its bytes stay in the temporary file) and waits for the worker.
    void Cancel();
    uint64_t Received() const { return m_nReceived.load(std::memory_order_relaxed); }
    bool Ended() const { return m_bEnded.load(); }
    // How it ended; meaningful once Ended().
    Outcome Result() const;
    // Where the bytes wait until the download is complete.
    static std::string PartPath(const std::string& path) { return path + ".part"; }

private:
    struct Job {
        uint32_t address;
        uint16_t port;
        uint64_t expected;
        std::string path;
        platform::WindowHandle window;
        uint32_t inactivityMs;
    };
    void Run(const Job& job);
    // Each returns the error that ends the transfer, or an empty text.
    std::string Connect(int socket, const Job& job);
    std::string Receive(int socket, int file, const Job& job);
    std::string LookForMore(int socket, const Job& job);
    std::string Keep(int file, const std::string& path, std::string error) const;
    // Waits for the socket to be readable in short steps that notice a cancel; 1 readable,
    // 0 nothing within `ms`, -1 cancelled.
    int WaitReadable(int socket, uint32_t ms) const;
    void SetSocket(int socket);
    void Finish(Outcome outcome, platform::WindowHandle window);

    std::atomic<uint64_t> m_nReceived{0};
    std::atomic<bool> m_bEnded{true};
    std::atomic<bool> m_bCancel{false};
    mutable std::mutex m_mutex;  // the worker's socket and the outcome
    int m_hSocket = -1;
    Outcome m_outcome;
    std::thread m_thread;
};

}  // namespace recorder
