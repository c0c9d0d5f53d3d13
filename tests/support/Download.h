#pragma once
// Downloads what a loopback TCP endpoint sends, as the console's recorder download does.

#include <cstdint>
#include <vector>

namespace testsupport {

// Connects to `address`:`port` and reads until the peer closes or nothing arrives for
// `quietMs`; empty when the connection is refused.
std::vector<uint8_t> Download(uint32_t address, uint16_t port, int quietMs = 10000);

}  // namespace testsupport
