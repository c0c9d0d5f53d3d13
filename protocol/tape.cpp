// The tape up/down converter commands.

#include "protocol/CKV90T1_Comm.h"
#include "protocol/byte_order.h"

using namespace protocol;

namespace {

constexpr uint16_t kReadTapeSetup = 0x4600;

}  // namespace

int32_t CKV90T1_Comm::ReadTapeChannelSetup(uint32_t channel) {
    if (channel >= kPathCount) {
        return 0;
    }
    uint8_t request[kHeaderLength + 1] = {0, 0, 0, 0, 0, 0, static_cast<uint8_t>(channel)};
    uint8_t reply[kHeaderLength + 14] = {};
    const int32_t result = SendCommand(kReadTapeSetup, request, 1, reply, 14);
    if (result != 0) {
        const uint8_t* p = reply + kHeaderLength;
        TapeChannel& tape = m_Tape[channel];
        tape.inputSelect = (p[0] >> 2) & 3;
        tape.upConverter = p[0] >> 7;
        tape.bandwidthPercent = p[1];
        tape.inputFrequency = GetU32(p + 2);
        tape.outputFrequency = GetU32(p + 6);
    }
    return result;
}
