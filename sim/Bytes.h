#pragma once
// Big-endian numbers in the simulated device's payloads.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace sim {

inline void PutNumber(std::vector<uint8_t>& bytes, size_t offset, size_t width, uint64_t value) {
    for (size_t i = 0; i < width; ++i) {
        bytes[offset + width - 1 - i] = static_cast<uint8_t>(value >> (8 * i));
    }
}

inline uint64_t GetNumber(const std::vector<uint8_t>& bytes, size_t offset, size_t width) {
    uint64_t value = 0;
    for (size_t i = 0; i < width; ++i) {
        value = value << 8 | bytes[offset + i];
    }
    return value;
}

}  // namespace sim
