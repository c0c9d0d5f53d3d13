#include "metrics/endpoint.h"

#include <prometheus/exposer.h>
#include <prometheus/registry.h>

#include <stdexcept>

namespace metrics {

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
    : m_registry(std::make_shared<prometheus::Registry>()) {
    try {
        m_exposer = std::make_unique<prometheus::Exposer>(address.Text(), 1);
    } catch (const std::exception&) {
        throw std::runtime_error("cannot serve metrics on " + address.Text() +
                                 ": the address is in use or not this computer's");
    }
    m_exposer->RegisterCollectable(m_registry);
}

Endpoint::~Endpoint() = default;

uint16_t Endpoint::Port() const {
    const std::vector<int> ports = m_exposer->GetListeningPorts();
    return ports.empty() ? 0 : static_cast<uint16_t>(ports.front());
}

}  // namespace metrics
