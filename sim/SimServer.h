#pragma once
// The simulated device's endpoints: a TCP listener on loopback and a pseudo-terminal, served
// by one thread that cuts frames from each byte stream and sends the device's answers. It
// cannot be exhausted by its clients: it stops reading from a client whose answers wait unread
// beyond kMaxBacklog, keeps at most kMaxClients connections (closing the longest idle first),
// and backs off when accepting fails (out of descriptors).

#include <chrono>
#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "platform/serial_line.h"
#include "sim/SimDevice.h"

namespace sim {

class SimServer {
public:
    static constexpr size_t kMaxBacklog = 1 << 20;  // answer bytes queued for one client
    static constexpr size_t kMaxClients = 16;
    static constexpr int kAcceptBackoffMs = 100;

    explicit SimServer(SimDevice& device);
    ~SimServer();
    SimServer(const SimServer&) = delete;
    SimServer& operator=(const SimServer&) = delete;

    // Listens on 127.0.0.1 at `port` (0: any free port). Call before Start.
    bool ListenTcp(uint16_t port, std::string* error = nullptr);
    // Opens a pseudo-terminal whose slave stands for the device's serial port. Call before Start.
    bool OpenPty(std::string* error = nullptr);

    void Start();
    void Stop();

    uint16_t TcpPort() const { return m_tcpPort; }
    const std::string& PtyPath() const { return m_ptyPath; }
    // The line settings that the console applied to the serial port, as the device end sees them.
    bool PtyLineState(platform::DeviceControlBlock* dcb) const;
    // Connections accepted so far on the TCP listener.
    int AcceptedConnections() const;

private:
    struct Endpoint;

    void Run();
    void Accept();
    // Marks the TCP client that has been quiet longest for closing, except `keep`.
    void DropLongestIdle(const Endpoint* keep);
    // Reads what arrived and queues the answers; false when the endpoint is to be closed.
    bool Receive(Endpoint& endpoint);
    // Sends the queued bytes that are due; false when the endpoint is to be closed.
    bool Flush(Endpoint& endpoint);
    int NextTimeoutMs(std::chrono::steady_clock::time_point now);

    SimDevice& m_device;
    int m_listenFd = -1;
    uint16_t m_tcpPort = 0;
    int m_ptySlaveFd = -1;
    std::string m_ptyPath;
    int m_wakeFds[2] = {-1, -1};
    std::list<std::unique_ptr<Endpoint>> m_endpoints;
    std::thread m_thread;
    mutable std::mutex m_statsMutex;
    int m_accepted = 0;
    std::chrono::steady_clock::time_point m_acceptPausedUntil;
};

}  // namespace sim
