#pragma once
// The device link a command line names, and opening it as the console opens its own.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "link/CBaseClass.h"
#include "link/CNetworkDeviceComm.h"

namespace ctl {

struct LinkSpec {
    bool serial = false;
    std::string host;
    uint16_t port = CNetworkDeviceComm::kDevicePort;
    std::string serialPort;
    uint32_t baudRate = 57600;
    // "TCP HOST:PORT" or "serial PORT at RATE baud".
    std::string Name() const;
};

// HOST[:PORT] into `spec`; throws UsageError naming `option` when it is no address.
void ParseHostPort(const std::string& text, const std::string& option, LinkSpec* spec);
// PORT[@BAUD] into `spec`; throws UsageError naming `option` when it is no port.
void ParsePortRate(const std::string& text, const std::string& option, LinkSpec* spec);

struct OpenedLink {
    std::unique_ptr<CBaseClass> link;
    std::function<std::string()> failure;  // why it could not be opened or was lost
};

OpenedLink OpenLink(const LinkSpec& spec,
                    int connectTimeoutMs = CNetworkDeviceComm::kDefaultConnectTimeoutMs);

}  // namespace ctl
