#include "sim/FileServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <system_error>
#include <vector>

namespace sim {
namespace {

constexpr size_t kChunk = 64 * 1024;
constexpr int kResetDelayMs = 300;

// Sends bytes `from` to `to` of the file; false when the connection failed or the server
// stops.
bool SendRange(int fd, uint64_t from, uint64_t to, const FileServer::Contents& contents,
               const std::atomic<bool>& stopping) {
    std::vector<uint8_t> chunk(kChunk);
    for (uint64_t offset = from; offset < to && !stopping;) {
        const size_t length = static_cast<size_t>(std::min<uint64_t>(kChunk, to - offset));
        contents(offset, chunk.data(), length);
        for (size_t sent = 0; sent < length && !stopping;) {
            // Waits in steps, so that a reader that stops reading cannot hold a stopping server.
            pollfd pfd{fd, POLLOUT, 0};
            if (::poll(&pfd, 1, 50) <= 0) {
                continue;
            }
            const ssize_t n =
                ::send(fd, chunk.data() + sent, length - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
            if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
                continue;
            }
            if (n <= 0) {
                return false;
            }
            sent += static_cast<size_t>(n);
        }
        offset += length;
    }
    return !stopping;
}

// Waits up to `ms` for the listener, in steps that notice a stopping server.
bool WaitReadable(int fd, int ms, const std::atomic<bool>& stopping) {
    pollfd pfd{fd, POLLIN, 0};
    for (int waited = 0; waited < ms && !stopping; waited += 50) {
        if (::poll(&pfd, 1, 50) > 0) {
            return true;
        }
    }
    return false;
}

int OpenListener(uint16_t* port) {
    const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (listener < 0 ||
        ::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener, 1) != 0 ||
        ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        if (listener >= 0) {
            ::close(listener);
        }
        return -1;
    }
    *port = ntohs(address.sin_port);
    return listener;
}

// The connection under a fault: what is sent, and how it ends.
void SendWithFault(int client, uint64_t size, const FileServer::Contents& contents,
                   const DownloadFault& fault, const std::atomic<bool>& stopping) {
    const uint64_t first = std::min(size, fault.bytes);
    switch (fault.kind) {
        case DownloadFaultKind::DropAfter:
            SendRange(client, 0, first, contents, stopping);
            break;
        case DownloadFaultKind::ResetAfter: {
            SendRange(client, 0, first, contents, stopping);
            // The bytes are given time to be read: a reset discards what the peer has not.
            WaitReadable(client, kResetDelayMs, stopping);
            const linger reset{1, 0};
            ::setsockopt(client, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
            return;  // closed without a shutdown: the peer sees a reset
        }
        case DownloadFaultKind::Stall:
            if (SendRange(client, 0, first, contents, stopping)) {
                WaitReadable(client, fault.stallMs, stopping);
            }
            break;
        case DownloadFaultKind::Drip:
            if (SendRange(client, 0, first, contents, stopping)) {
                for (uint64_t sent = first; sent < size && !stopping; ++sent) {
                    WaitReadable(client, fault.stallMs, stopping);  // ends early once closed
                    if (!SendRange(client, sent, sent + 1, contents, stopping)) {
                        break;
                    }
                }
            }
            break;
        case DownloadFaultKind::Overrun:
            SendRange(client, 0, size + fault.bytes, contents, stopping);
            break;
        default:
            SendRange(client, 0, size, contents, stopping);
            break;
    }
    ::shutdown(client, SHUT_WR);
}

}  // namespace

FileServer::~FileServer() {
    m_stopping = true;
    std::lock_guard lock(m_mutex);
    for (Worker& worker : m_workers) {
        worker.thread.join();
    }
}

void FileServer::Reap() {
    for (auto it = m_workers.begin(); it != m_workers.end();) {
        if (*it->finished) {
            it->thread.join();
            it = m_workers.erase(it);
        } else {
            ++it;
        }
    }
}

size_t FileServer::LiveThreads() {
    std::lock_guard lock(m_mutex);
    Reap();
    return m_workers.size();
}

uint16_t FileServer::WaitingEndpoint(uint64_t file) const {
    for (const Worker& worker : m_workers) {
        if (worker.file == file && !*worker.connected && !*worker.finished) {
            return worker.port;
        }
    }
    return 0;
}

uint16_t FileServer::Serve(uint64_t file, uint64_t size, Contents contents,
                           std::optional<DownloadFault> fault, std::function<void()> done) {
    {
        std::lock_guard lock(m_mutex);
        Reap();
        if (const uint16_t waiting = WaitingEndpoint(file); waiting != 0) {
            return waiting;
        }
        if (m_workers.size() >= kMaxEndpoints) {
            done();
            return 0;
        }
    }
    uint16_t port = 0;
    const int listener = OpenListener(&port);
    if (listener < 0) {
        done();
        return 0;
    }
    if (fault && fault->kind == DownloadFaultKind::Refuse) {
        ::close(listener);  // the port is named, but nobody listens there any more
        done();
        return port;
    }
    std::lock_guard lock(m_mutex);
    auto connected = std::make_shared<std::atomic<bool>>(false);
    auto finished = std::make_shared<std::atomic<bool>>(false);
    auto run = [this, listener, size, contents = std::move(contents), fault, done, connected,
                finished] {
        if (WaitReadable(listener, kAcceptTimeoutMs, m_stopping)) {
            const int client = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
            *connected = true;
            if (client >= 0) {
                if (fault) {
                    SendWithFault(client, size, contents, *fault, m_stopping);
                } else {
                    SendRange(client, 0, size, contents, m_stopping);
                    ::shutdown(client, SHUT_WR);
                }
                ::close(client);
            }
        }
        ::close(listener);
        if (!fault || fault->kind != DownloadFaultKind::StuckTransfer) {
            done();
        }
        *finished = true;
    };
    try {
        m_workers.push_back({std::thread(std::move(run)), file, port, connected, finished});
    } catch (const std::system_error&) {  // no thread to be had: no endpoint
        ::close(listener);
        done();
        return 0;
    }
    return port;
}

}  // namespace sim
