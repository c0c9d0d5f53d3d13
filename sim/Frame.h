#pragma once
// Command frames as the simulated device sees them, and the reader that cuts them from a byte
// stream by their length field.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace sim {

struct Frame {
    uint16_t code = 0;
    std::vector<uint8_t> payload;
};

constexpr size_t kFrameHeaderLength = 6;

// Header 0x28 0x00, code and payload length little-endian, then the payload.
std::vector<uint8_t> EncodeFrame(uint16_t code, const std::vector<uint8_t>& payload);

class FrameReader {
public:
    void Feed(const uint8_t* data, size_t size);
    // The next whole frame, if one has arrived. Bytes that cannot start a frame are skipped.
    std::optional<Frame> Next();
    size_t DiscardedBytes() const { return m_discarded; }
    size_t PendingBytes() const { return m_buffer.size(); }

private:
    std::vector<uint8_t> m_buffer;
    size_t m_discarded = 0;
};

}  // namespace sim
