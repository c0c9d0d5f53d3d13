#include "sim/SimServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <vector>

namespace sim {
namespace {

using Clock = std::chrono::steady_clock;

std::string ErrorText(const char* what) {
    return std::string(what) + ": " + std::strerror(errno);
}

void SetError(std::string* error, const char* what) {
    if (error != nullptr) {
        *error = ErrorText(what);
    }
}

}  // namespace

struct SimServer::Endpoint {
    struct Chunk {
        Clock::time_point due;
        std::vector<uint8_t> bytes;
    };

    int fd = -1;
    bool isPty = false;
    bool closing = false;
    Clock::time_point lastActive = Clock::now();
    FrameReader reader;
    std::deque<Chunk> output;
    size_t queued = 0;  // bytes in `output`
};

SimServer::SimServer(SimDevice& device) : m_device(device) {
    if (::pipe2(m_wakeFds, O_CLOEXEC | O_NONBLOCK) != 0) {
        m_wakeFds[0] = m_wakeFds[1] = -1;
    }
}

SimServer::~SimServer() {
    Stop();
    for (auto& endpoint : m_endpoints) {
        ::close(endpoint->fd);
    }
    for (int fd : {m_listenFd, m_ptySlaveFd, m_wakeFds[0], m_wakeFds[1]}) {
        if (fd >= 0) {
            ::close(fd);
        }
    }
}

bool SimServer::ListenTcp(uint16_t port, std::string* error) {
    m_listenFd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (m_listenFd < 0) {
        SetError(error, "socket");
        return false;
    }
    const int on = 1;
    ::setsockopt(m_listenFd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    socklen_t length = sizeof address;
    if (::bind(m_listenFd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(m_listenFd, 4) != 0 ||
        ::getsockname(m_listenFd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        SetError(error, "listen");
        ::close(m_listenFd);
        m_listenFd = -1;
        return false;
    }
    m_tcpPort = ntohs(address.sin_port);
    return true;
}

bool SimServer::OpenPty(std::string* error) {
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) {
        SetError(error, "posix_openpt");
        if (master >= 0) {
            ::close(master);
        }
        return false;
    }
    m_ptyPath = ::ptsname(master);
    // Holding the slave open keeps the master readable while consoles open and close the port.
    m_ptySlaveFd = ::open(m_ptyPath.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios raw{};
    if (m_ptySlaveFd < 0 || ::tcgetattr(m_ptySlaveFd, &raw) != 0) {
        SetError(error, "open pty slave");
        ::close(master);
        return false;
    }
    ::cfmakeraw(&raw);
    ::tcsetattr(m_ptySlaveFd, TCSANOW, &raw);
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
    auto endpoint = std::make_unique<Endpoint>();
    endpoint->fd = master;
    endpoint->isPty = true;
    m_endpoints.push_back(std::move(endpoint));
    return true;
}

void SimServer::Start() {
    if (!m_thread.joinable()) {
        m_thread = std::thread(&SimServer::Run, this);
    }
}

void SimServer::Stop() {
    if (m_thread.joinable()) {
        const uint8_t stop = 1;
        [[maybe_unused]] const ssize_t written = ::write(m_wakeFds[1], &stop, 1);
        m_thread.join();
    }
}

bool SimServer::PtyLineState(platform::DeviceControlBlock* dcb) const {
    return m_ptySlaveFd >= 0 && platform::GetCommState(m_ptySlaveFd, dcb);
}

int SimServer::AcceptedConnections() const {
    std::lock_guard lock(m_statsMutex);
    return m_accepted;
}

void SimServer::DropLongestIdle(const Endpoint* keep) {
    Endpoint* idlest = nullptr;
    for (const auto& endpoint : m_endpoints) {
        if (!endpoint->isPty && !endpoint->closing && endpoint.get() != keep &&
            (idlest == nullptr || endpoint->lastActive < idlest->lastActive)) {
            idlest = endpoint.get();
        }
    }
    if (idlest != nullptr) {
        idlest->closing = true;
    }
}

void SimServer::Accept() {
    const int fd = ::accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (fd < 0) {
        if (errno != EAGAIN && errno != EINTR && errno != ECONNABORTED) {
            // Out of descriptors or memory: the waiting connection stays in the backlog, so
            // free a descriptor and try again later instead of spinning on it.
            DropLongestIdle(nullptr);
            m_acceptPausedUntil = Clock::now() + std::chrono::milliseconds(kAcceptBackoffMs);
        }
        return;
    }
    const int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    auto endpoint = std::make_unique<Endpoint>();
    endpoint->fd = fd;
    m_endpoints.push_back(std::move(endpoint));
    const size_t clients =
        static_cast<size_t>(std::count_if(m_endpoints.begin(), m_endpoints.end(),
                                          [](const auto& e) { return !e->isPty && !e->closing; }));
    if (clients > kMaxClients) {
        DropLongestIdle(m_endpoints.back().get());
    }
    std::lock_guard lock(m_statsMutex);
    ++m_accepted;
}

bool SimServer::Receive(Endpoint& endpoint) {
    uint8_t buffer[4096];
    const ssize_t got = ::read(endpoint.fd, buffer, sizeof buffer);
    if (got < 0) {
        return errno == EAGAIN || errno == EINTR;
    }
    if (got == 0) {
        return false;
    }
    endpoint.lastActive = Clock::now();
    endpoint.reader.Feed(buffer, static_cast<size_t>(got));
    while (auto frame = endpoint.reader.Next()) {
        Response response = m_device.Handle(*frame);
        if (response.dropConnection) {
            return false;
        }
        const auto due = Clock::now() + std::chrono::milliseconds(response.replyDelayMs);
        const auto split = response.bytes.end() - static_cast<ptrdiff_t>(response.delayedTail);
        endpoint.queued += response.bytes.size();
        endpoint.output.push_back({due, {response.bytes.begin(), split}});
        if (response.delayedTail > 0) {
            endpoint.output.push_back(
                {due + std::chrono::milliseconds(response.delayMs), {split, response.bytes.end()}});
        }
    }
    return true;
}

bool SimServer::Flush(Endpoint& endpoint) {
    while (!endpoint.output.empty() && endpoint.output.front().due <= Clock::now()) {
        auto& bytes = endpoint.output.front().bytes;
        if (!bytes.empty()) {
            const ssize_t sent =
                endpoint.isPty ? ::write(endpoint.fd, bytes.data(), bytes.size())
                               : ::send(endpoint.fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
            if (sent < 0) {
                return errno == EAGAIN || errno == EINTR;
            }
            endpoint.queued -= static_cast<size_t>(sent);
            bytes.erase(bytes.begin(), bytes.begin() + sent);
            if (!bytes.empty()) {
                return true;
            }
        }
        endpoint.output.pop_front();
    }
    return true;
}

// The wait until the next queued bytes fall due or the device's activity asks to run again.
// Bytes already due wait for their socket to take them (POLLOUT), not for a time.
int SimServer::NextTimeoutMs(Clock::time_point now) {
    const int activity = m_device.RunActivity();
    auto next = Clock::time_point::max();
    for (const auto& endpoint : m_endpoints) {
        if (!endpoint->output.empty() && endpoint->output.front().due > now) {
            next = std::min(next, endpoint->output.front().due);
        }
    }
    if (m_listenFd >= 0 && m_acceptPausedUntil > Clock::now()) {
        next = std::min(next, m_acceptPausedUntil);
    }
    if (next == Clock::time_point::max()) {
        return activity;
    }
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(next - Clock::now()).count();
    const int output = wait < 0 ? 0 : static_cast<int>(wait);
    return activity < 0 ? output : std::min(output, activity);
}

void SimServer::Run() {
    for (;;) {
        const auto now = Clock::now();
        const bool accepting = m_acceptPausedUntil <= now;
        std::vector<pollfd> fds = {{m_wakeFds[0], POLLIN, 0},
                                   {accepting ? m_listenFd : -1, POLLIN, 0}};
        for (const auto& endpoint : m_endpoints) {
            const bool waiting = !endpoint->output.empty() && endpoint->output.front().due <= now;
            const bool reading = endpoint->queued < kMaxBacklog;
            fds.push_back({endpoint->fd,
                           static_cast<short>((reading ? POLLIN : 0) | (waiting ? POLLOUT : 0)),
                           0});
        }
        const int timeout = NextTimeoutMs(now);
        if (::poll(fds.data(), fds.size(), timeout) < 0 && errno != EINTR) {
            return;
        }
        if (fds[0].revents != 0) {
            return;
        }
        if (fds[1].revents & POLLIN) {
            Accept();
        }
        size_t index = 2;
        for (auto it = m_endpoints.begin(); it != m_endpoints.end(); ++index) {
            Endpoint& endpoint = **it;
            const short events = index < fds.size() ? fds[index].revents : 0;
            bool keep = !endpoint.closing;
            if (keep && (events & (POLLIN | POLLHUP | POLLERR)) && endpoint.queued < kMaxBacklog) {
                keep = Receive(endpoint);
            }
            keep = keep && Flush(endpoint);
            if (keep) {
                ++it;
            } else {
                ::close(endpoint.fd);
                it = m_endpoints.erase(it);
            }
        }
    }
}

}  // namespace sim
