#include "metrics/endpoint.h"

#include <prometheus/exposer.h>
#include <prometheus/registry.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <stdexcept>
#include <thread>

#include "platform/clock.h"

namespace metrics {
namespace {

constexpr uint32_t kKnockIntervalMs = 10;

// Opens and closes a connection to `host`:`port` (an IPv4 address; any address is knocked on
// through loopback).
void Knock(const std::string& host, uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    if (::inet_pton(AF_INET, host.c_str(), &address.sin_addr) != 1) {
        return;  // a name or an IPv6 address: the server stops within its 2 s
    }
    if (address.sin_addr.s_addr == htonl(INADDR_ANY)) {
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    }
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    [[maybe_unused]] const int connected =
        ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    ::close(fd);
}

}  // namespace

std::string ListenAddress::Text() const {
    const bool v6 = host.find(':') != std::string::npos;
    return (v6 ? "[" + host + "]" : host) + ":" + std::to_string(port);
}

ListenAddress ParseListenAddress(const std::string& text) {
    ListenAddress address;
    std::string port = text;
    const size_t colon = text.rfind(':');
    if (colon != std::string::npos) {
        address.host = text.substr(0, colon);
        port = text.substr(colon + 1);
        if (address.host.size() >= 2 && address.host.front() == '[' && address.host.back() == ']') {
            address.host = address.host.substr(1, address.host.size() - 2);
        }
        if (address.host.empty()) {
            throw std::invalid_argument("'" + text + "' names no address before the port");
        }
    }
    const bool digits = !port.empty() && port.size() <= 5 &&
                        port.find_first_not_of("0123456789") == std::string::npos;
    const unsigned long number = digits ? std::stoul(port) : 0;
    if (number < 1 || number > 65535) {
        throw std::invalid_argument("'" + text + "' needs a port from 1 to 65535");
    }
    address.port = static_cast<uint16_t>(number);
    return address;
}

Endpoint::Endpoint(const ListenAddress& address)
    : m_host(address.host), m_registry(std::make_shared<prometheus::Registry>()) {
    try {
        m_exposer = std::make_unique<prometheus::Exposer>(address.Text(), 1);
    } catch (const std::exception&) {
        throw std::runtime_error("cannot serve metrics on " + address.Text() +
                                 ": the address is in use or not this computer's");
    }
    m_exposer->RegisterCollectable(m_registry);
}

// The HTTP server looks at its stop flag only when a connection comes or every 2 s; knocking
// on its port until it has stopped ends it at once, so that the programs quit without a wait.
Endpoint::~Endpoint() {
    const uint16_t port = Port();
    std::atomic<bool> stopped{false};
    std::thread knock([&] {
        while (!stopped) {
            Knock(m_host, port);
            platform::SleepMs(kKnockIntervalMs);
        }
    });
    m_exposer.reset();
    stopped = true;
    knock.join();
}

uint16_t Endpoint::Port() const {
    const std::vector<int> ports = m_exposer->GetListeningPorts();
    return ports.empty() ? 0 : static_cast<uint16_t>(ports.front());
}

}  // namespace metrics
