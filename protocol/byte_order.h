#pragma once
// Big-endian numbers and single bits inside command payloads.

#include <cstddef>
#include <cstdint>

namespace protocol {

inline uint64_t GetBigEndian(const uint8_t* bytes, size_t count) {
    uint64_t value = 0;
    for (size_t i = 0; i < count; ++i) {
        value = (value << 8) | bytes[i];
    }
    return value;
}

inline void PutBigEndian(uint8_t* bytes, size_t count, uint64_t value) {
    for (size_t i = count; i > 0; --i) {
        bytes[i - 1] = static_cast<uint8_t>(value);
        value >>= 8;
    }
}

inline uint16_t GetU16(const uint8_t* bytes) {
    return static_cast<uint16_t>(GetBigEndian(bytes, 2));
}
inline uint32_t GetU32(const uint8_t* bytes) {
    return static_cast<uint32_t>(GetBigEndian(bytes, 4));
}

// Bit `bit` (0 the lowest) of a byte, as 0 or 1.
inline uint8_t Bit(uint8_t byte, int bit) {
    return static_cast<uint8_t>((byte >> bit) & 1);
}

}  // namespace protocol
