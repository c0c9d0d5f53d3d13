#pragma once
// Serves byte blobs over one-shot TCP endpoints on loopback, as the recorder hands out a file:
// each Serve opens a listener, sends the bytes to the first connection and closes.

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace sim {

class FileServer {
public:
    // How long an endpoint waits for its connection.
    static constexpr int kAcceptTimeoutMs = 30000;

    FileServer() = default;
    ~FileServer();
    FileServer(const FileServer&) = delete;
    FileServer& operator=(const FileServer&) = delete;

    // Returns the endpoint's port (0 when none could be opened); `done` runs when the bytes are
    // sent or the endpoint gives up.
    uint16_t Serve(std::vector<uint8_t> bytes, std::function<void()> done);

private:
    std::atomic<bool> m_stopping{false};
    std::mutex m_mutex;
    std::vector<std::thread> m_threads;
};

}  // namespace sim
