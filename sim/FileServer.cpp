#include "sim/FileServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace sim {
namespace {

void SendAll(int fd, const std::vector<uint8_t>& bytes, const std::atomic<bool>& stopping) {
    size_t sent = 0;
    while (sent < bytes.size() && !stopping) {
        const ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) {
            return;
        }
        sent += static_cast<size_t>(n);
    }
}

}  // namespace

FileServer::~FileServer() {
    m_stopping = true;
    std::lock_guard lock(m_mutex);
    for (auto& thread : m_threads) {
        thread.join();
    }
}

uint16_t FileServer::Serve(std::vector<uint8_t> bytes, std::function<void()> done) {
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
        done();
        return 0;
    }
    std::lock_guard lock(m_mutex);
    m_threads.emplace_back([this, listener, bytes = std::move(bytes), done = std::move(done)] {
        pollfd pfd{listener, POLLIN, 0};
        for (int waited = 0; waited < kAcceptTimeoutMs && !m_stopping; waited += 50) {
            if (::poll(&pfd, 1, 50) > 0) {
                const int client = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
                if (client >= 0) {
                    SendAll(client, bytes, m_stopping);
                    ::shutdown(client, SHUT_WR);
                    ::close(client);
                }
                break;
            }
        }
        ::close(listener);
        done();
    });
    return ntohs(address.sin_port);
}

}  // namespace sim
