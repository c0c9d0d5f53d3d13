#include "sim/Frame.h"

#include <algorithm>

namespace sim {

std::vector<uint8_t> EncodeFrame(uint16_t code, const std::vector<uint8_t>& payload) {
    const auto length = static_cast<uint16_t>(payload.size());
    std::vector<uint8_t> frame(kFrameHeaderLength + length);
    frame[0] = 0x28;
    frame[1] = 0x00;
    frame[2] = static_cast<uint8_t>(code);
    frame[3] = static_cast<uint8_t>(code >> 8);
    frame[4] = static_cast<uint8_t>(length);
    frame[5] = static_cast<uint8_t>(length >> 8);
    std::copy(payload.begin(), payload.begin() + length, frame.begin() + kFrameHeaderLength);
    return frame;
}

void FrameReader::Feed(const uint8_t* data, size_t size) {
    m_buffer.insert(m_buffer.end(), data, data + size);
}

std::optional<Frame> FrameReader::Next() {
    size_t skip = 0;
    while (m_buffer.size() - skip >= 2 && (m_buffer[skip] != 0x28 || m_buffer[skip + 1] != 0)) {
        ++skip;
    }
    if (m_buffer.size() - skip == 1 && m_buffer[skip] != 0x28) {
        ++skip;
    }
    m_buffer.erase(m_buffer.begin(), m_buffer.begin() + static_cast<ptrdiff_t>(skip));
    m_discarded += skip;
    if (m_buffer.size() < kFrameHeaderLength) {
        return std::nullopt;
    }
    const size_t length = m_buffer[4] | size_t(m_buffer[5]) << 8;
    if (m_buffer.size() < kFrameHeaderLength + length) {
        return std::nullopt;
    }
    Frame frame;
    frame.code = static_cast<uint16_t>(m_buffer[2] | m_buffer[3] << 8);
    const auto payloadStart = m_buffer.begin() + kFrameHeaderLength;
    frame.payload.assign(payloadStart, payloadStart + static_cast<ptrdiff_t>(length));
    m_buffer.erase(m_buffer.begin(), payloadStart + static_cast<ptrdiff_t>(length));
    return frame;
}

}  // namespace sim
