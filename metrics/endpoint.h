#pragma once
// The HTTP endpoint that serves /metrics in the Prometheus text format, from the exposer's own
// threads. It only reads the registry: nothing received over HTTP reaches a device.

#include <cstdint>
#include <memory>
#include <string>

namespace prometheus {
class Exposer;
class Registry;
}  // namespace prometheus

namespace metrics {

// "[ADDR:]PORT": loopback unless an address is given; an IPv6 address goes in brackets.
struct ListenAddress {
    std::string host = "127.0.0.1";
    uint16_t port = 0;
    std::string Text() const;
};

// Throws std::invalid_argument that says what is wrong with `text`.
ListenAddress ParseListenAddress(const std::string& text);

class Endpoint {
public:
    // Throws std::runtime_error naming the address when it cannot be bound.
    explicit Endpoint(const ListenAddress& address);
    ~Endpoint();
    Endpoint(const Endpoint&) = delete;
    Endpoint& operator=(const Endpoint&) = delete;

    const std::shared_ptr<prometheus::Registry>& Registry() const { return m_registry; }
    uint16_t Port() const;

private:
    std::string m_host;
    std::shared_ptr<prometheus::Registry> m_registry;
    std::unique_ptr<prometheus::Exposer> m_exposer;
};

}  // namespace metrics
