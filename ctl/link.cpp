#include "ctl/link.h"

#include "ctl/command.h"
#include "link/CSerialCom.h"

namespace ctl {

std::string LinkSpec::Name() const {
    return serial ? "serial " + serialPort + " at " + std::to_string(baudRate) + " baud"
                  : "TCP " + host + ":" + std::to_string(port);
}

void ParseHostPort(const std::string& text, const std::string& option, LinkSpec* spec) {
    const size_t colon = text.rfind(':');
    spec->serial = false;
    spec->host = text.substr(0, colon);
    if (colon != std::string::npos) {
        spec->port = static_cast<uint16_t>(ParseNumber(text.substr(colon + 1), "port", 65535));
    }
    if (spec->host.empty() || spec->port == 0) {
        throw UsageError(option + " needs HOST[:PORT] with a port from 1 to 65535");
    }
}

void ParsePortRate(const std::string& text, const std::string& option, LinkSpec* spec) {
    const size_t at = text.find('@');
    spec->serial = true;
    spec->serialPort = text.substr(0, at);
    if (at != std::string::npos) {
        spec->baudRate =
            static_cast<uint32_t>(ParseNumber(text.substr(at + 1), "baud rate", 4'000'000));
    }
    if (spec->serialPort.empty() || spec->baudRate == 0) {
        throw UsageError(option + " needs PORT[@BAUD] with a rate above 0");
    }
}

OpenedLink OpenLink(const LinkSpec& spec, int connectTimeoutMs) {
    if (!spec.serial) {
        auto tcp =
            std::make_unique<CNetworkDeviceComm>(spec.host.c_str(), spec.port, connectTimeoutMs);
        const CNetworkDeviceComm* opened = tcp.get();
        return {std::move(tcp), [opened] { return opened->FailureText(); }};
    }
    auto serial =
        std::make_unique<CSerialCom>(CSerialCom::ConsoleSettings(spec.serialPort, spec.baudRate));
    serial->PrepareAsConsole();
    const CSerialCom* opened = serial.get();
    return {std::move(serial), [opened] { return opened->FailureText(); }};
}

}  // namespace ctl
