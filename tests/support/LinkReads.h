#pragma once
// Reads a number of bytes from a link as the transaction does, a byte a call, giving up after
// `idleLimit` calls that found nothing.

#include <cstdint>
#include <vector>

#include "link/CBaseClass.h"

namespace testsupport {

inline std::vector<uint8_t> ReadBytes(CBaseClass& link, size_t count, int idleLimit) {
    std::vector<uint8_t> bytes;
    for (int idle = 0; bytes.size() < count && idle < idleLimit;) {
        uint8_t byte = 0;
        if (link.ReadByte(&byte) == 1) {
            bytes.push_back(byte);
        } else {
            ++idle;
        }
    }
    return bytes;
}

// Bytes 0, step, 2 x step, ... (mod 256): a stream whose order a test can check.
inline std::vector<uint8_t> SteppedBytes(size_t count, unsigned step) {
    std::vector<uint8_t> bytes(count);
    for (size_t i = 0; i < count; ++i) {
        bytes[i] = static_cast<uint8_t>(i * step);
    }
    return bytes;
}

}  // namespace testsupport
