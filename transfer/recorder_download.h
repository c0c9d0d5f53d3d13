#pragma once
// The recorder's file download: a worker thread that connects to the endpoint the device
// named, receives the file's bytes into a temporary file beside the final one, and renames it
// when anything arrived, so that a failed download never destroys an earlier one. The names
// come from the device and are made safe before they become file names.

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>

#include "platform/window_messages.h"

namespace recorder {

enum : uint32_t { ID_NAND_DOWNLOAD_DONE = 0x61B };

// A recorder file name as a plain name in the program folder: path separators, control
// characters, a leading dot and ".." become "_"; an empty name becomes "_".
std::string SafeFileName(const std::string& name);

class Download {
public:
    static constexpr size_t kBufferBytes = 1 << 20;

    Download() = default;
    // Ends a transfer still running (its connection is shut down) and waits for the worker.
    ~Download();
    Download(const Download&) = delete;
    Download& operator=(const Download&) = delete;

    // Starts the worker: `expected` bytes from `address`:`port` into `path`; it posts
    // ID_NAND_DOWNLOAD_DONE to `window` when it has ended cleanly. A transfer still running
    // is ended first.
    void Start(uint32_t address, uint16_t port, uint64_t expected, const std::string& path,
               platform::WindowHandle window);
    // Shuts the connection down, which ends a receive that waits, and waits for the worker.
    void Cancel();
    uint64_t Received() const { return m_nReceived.load(std::memory_order_relaxed); }
    bool Ended() const { return m_bEnded.load(); }

private:
    void Run(uint32_t address, uint16_t port, uint64_t expected, std::string path,
             platform::WindowHandle window);
    void SetSocket(int socket);
    void Keep(const std::string& part, const std::string& path) const;
    // Receives until `expected` bytes arrived, the peer closed or a receive failed.
    void Receive(int socket, std::FILE* file, uint64_t expected, char* buffer);

    std::atomic<uint64_t> m_nReceived{0};
    std::atomic<bool> m_bEnded{true};
    // The worker's socket, which Cancel shuts down; the worker withdraws it before closing it.
    std::mutex m_socketMutex;
    int m_hSocket = -1;
    std::thread m_thread;
};

}  // namespace recorder
