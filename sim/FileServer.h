#pragma once
// Serves files over one-shot TCP endpoints on loopback, as the recorder hands out a file: each
// Serve opens a listener, sends the bytes (made as they go, so a file of any size costs no
// memory) to the first connection and closes. Each endpoint has a thread of its own, which ends
// with its download and is reaped on the next Serve. A file selected again while its endpoint
// still waits gets that endpoint, and at most kMaxEndpoints run at once, so that a flood of
// selections cannot exhaust threads or memory.

#include <atomic>
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace sim {

enum class DownloadFaultKind {
    DropAfter,      // the connection closes after `bytes` bytes
    ResetAfter,     // the connection is reset after `bytes` bytes
    Stall,          // `bytes` bytes, then nothing more while the connection stays open
    Drip,           // `bytes` bytes, then one byte every `stallMs`
    Overrun,        // the file, then `bytes` bytes more than its length
    Refuse,         // nobody listens at the endpoint named
    StuckTransfer,  // the file is sent, but the transfer flag stays set
};

struct DownloadFault {
    DownloadFaultKind kind = DownloadFaultKind::DropAfter;
    uint64_t bytes = 0;
    int stallMs = 30000;  // how long a stalled connection stays open; a drip's pace
};

class FileServer {
public:
    // How long an endpoint waits for its connection.
    static constexpr int kAcceptTimeoutMs = 30000;
    static constexpr size_t kMaxEndpoints = 16;
    // Fills `length` bytes of the file from `offset` on.
    using Contents = std::function<void(uint64_t offset, uint8_t* bytes, size_t length)>;

    FileServer() = default;
    ~FileServer();
    FileServer(const FileServer&) = delete;
    FileServer& operator=(const FileServer&) = delete;

    // Returns the endpoint's port (0 when none could be opened); `done` runs when the bytes are
    // sent, the connection was dropped, or the endpoint gave up. `file` names the file: while an
    // endpoint for it waits for its connection, Serve returns that one and drops `done`.
    uint16_t Serve(uint64_t file, uint64_t size, Contents contents,
                   std::optional<DownloadFault> fault, std::function<void()> done);
    // Endpoints whose threads still run (the others are reaped now).
    size_t LiveThreads();

private:
    struct Worker {
        std::thread thread;
        uint64_t file = 0;
        uint16_t port = 0;
        std::shared_ptr<std::atomic<bool>> connected;
        std::shared_ptr<std::atomic<bool>> finished;
    };
    // The port of an endpoint for `file` that still waits for its connection, else 0.
    uint16_t WaitingEndpoint(uint64_t file) const;
    void Reap();

    std::atomic<bool> m_stopping{false};
    std::mutex m_mutex;
    std::list<Worker> m_workers;
};

}  // namespace sim
