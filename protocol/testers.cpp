// The six receive bit-error-rate testers.

#include <algorithm>

#include "protocol/CKV90T1_Comm.h"
#include "protocol/byte_order.h"

using namespace protocol;

namespace {

constexpr uint16_t kBertSetup = 0x1103;
constexpr uint16_t kBertStatus = 0x2103;
constexpr uint8_t kUserPattern = 18;

bool ValidStream(uint32_t unit, uint32_t stream) {
    return unit <= 2 && stream <= 1;
}

}  // namespace

int32_t CKV90T1_Comm::SendBertSetup(uint32_t unit, uint32_t stream, uint8_t enabled,
                                    uint8_t invertClock, uint8_t pattern, uint8_t lengthValue,
                                    uint32_t word, uint8_t byteValue, uint8_t modeValue) {
    if (!ValidStream(unit, stream)) {
        return 0;
    }
    uint8_t request[kHeaderLength + 13] = {};
    uint8_t* p = request + kHeaderLength;
    p[0] = static_cast<uint8_t>(unit | stream << 2 | (modeValue == 5 ? 0x40 : 0) |
                                (enabled != 0 ? 0x80 : 0));
    p[1] = static_cast<uint8_t>((invertClock != 0 ? 0x20 : 0) | std::min(pattern, kUserPattern));
    p[2] = static_cast<uint8_t>(std::clamp<uint8_t>(lengthValue, 1, 32) - 1);
    PutBigEndian(p + 3, 4, word);
    p[7] = modeValue >= 1 && modeValue <= 4 ? modeValue : 0;
    p[12] = byteValue;
    uint8_t reply[kHeaderLength];
    return SendCommand(kBertSetup, request, 13, reply, 0);
}

int32_t CKV90T1_Comm::SetBertPattern(uint32_t unit, uint32_t stream, uint8_t pattern) {
    if (!ValidStream(unit, stream)) {
        return 0;
    }
    BertStream& b = m_Bert[unit * 2 + stream];
    b.pattern = pattern;
    return SendBertSetup(unit, stream, b.enabled, b.invertClock, b.pattern, b.lengthValue, b.word,
                         b.byteValue, b.modeValue);
}

int32_t CKV90T1_Comm::ReadBertStatus(uint32_t unit, uint32_t stream) {
    if (!ValidStream(unit, stream)) {
        return 0;
    }
    ReplyBuffer<30> reply;
    BertStream& b = m_Bert[unit * 2 + stream];
    if (ReadBack(kBertStatus, static_cast<uint8_t>(unit | stream << 2), reply) == 0) {
        b.bitErrors = b.bitCount = 0;
        std::fill(b.values, b.values + 3, 0u);
        return 0;
    }
    const uint8_t* p = reply.Payload();
    b.locked = p[0] >> 7;
    b.secondFlag = Bit(p[0], 4);
    b.dataInverted = p[1] & 1;
    b.bitErrors = static_cast<int64_t>(GetBigEndian(p + 2, 8));
    b.bitCount = static_cast<int64_t>(GetBigEndian(p + 10, 8));
    for (int i = 0; i < 3; ++i) {
        b.values[i] = GetU32(p + 18 + 4 * i);
    }
    return 1;
}
