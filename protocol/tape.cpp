// The tape up/down converter commands.

#include <algorithm>

#include "protocol/CKV90T1_Comm.h"
#include "protocol/byte_order.h"

using namespace protocol;

namespace {

constexpr uint16_t kTapeSetup = 0x1600;
constexpr uint16_t kTapeOutputSetup = 0x1601;
constexpr uint16_t kTapeIfOutputSetup = 0x160E;
constexpr uint16_t kReadTapeSetup = 0x4600;
constexpr uint16_t kReadTapeOutputSetup = 0x4601;
constexpr uint16_t kReadTapeIfOutputSetup = 0x460E;
constexpr int32_t kTapeSetupTimeoutMs = 10000;
constexpr uint32_t kIfDacMaximum = 0x1FFFF;

uint8_t InputSelect(uint32_t value) {
    return value >= 1 && value <= 3 ? uint8_t(value) : 0;
}

uint8_t Bandwidth(uint32_t value) {
    return static_cast<uint8_t>(std::min<uint32_t>(value, 100));
}

// Channel 3 is sent as channel 0 and so stands for it; above 3 nothing is sent.
bool TapeIndex(uint32_t channel, uint32_t* index) {
    *index = channel == 3 ? 0 : channel;
    return channel <= 3;
}

}  // namespace

int32_t CKV90T1_Comm::SendTape(uint32_t channel) {
    const TapeChannel& t = m_Tape[channel];
    uint8_t request[kHeaderLength + 14] = {};
    uint8_t* p = request + kHeaderLength;
    p[0] = static_cast<uint8_t>((t.upConverter == 1 ? 0x80 : 0) | t.inputSelect << 2 | channel);
    p[1] = t.bandwidthPercent;
    PutBigEndian(p + 2, 4, t.inputFrequency);
    PutBigEndian(p + 6, 4, t.outputFrequency);
    uint8_t reply[kHeaderLength];
    return SendCommandLongTimeout(kTapeSetupTimeoutMs, kTapeSetup, request, 14, reply, 0) != 0 ? 1
                                                                                               : 0;
}

int32_t CKV90T1_Comm::SendTapeSetup(uint32_t channel, uint32_t upConverter, uint32_t bandwidth,
                                    uint32_t inputFrequency, uint32_t outputFrequency,
                                    uint32_t inputSelect) {
    uint32_t index = 0;
    if (!TapeIndex(channel, &index)) {
        return 0;
    }
    TapeChannel& t = m_Tape[index];
    t.upConverter = upConverter == 1 ? 1 : 0;
    t.inputSelect = InputSelect(inputSelect);
    t.bandwidthPercent = Bandwidth(bandwidth);
    t.inputFrequency = inputFrequency;
    t.outputFrequency = outputFrequency;
    return SendTape(index);
}

int32_t CKV90T1_Comm::SetTapeBandwidth(uint32_t channel, uint32_t value) {
    uint32_t index = 0;
    if (!TapeIndex(channel, &index)) {
        return 0;
    }
    m_Tape[index].bandwidthPercent = Bandwidth(value);
    return SendTape(index);
}

int32_t CKV90T1_Comm::SetTapeInputSelect(uint32_t channel, uint32_t value) {
    uint32_t index = 0;
    if (!TapeIndex(channel, &index)) {
        return 0;
    }
    m_Tape[index].inputSelect = InputSelect(value);
    return SendTape(index);
}

int32_t CKV90T1_Comm::SendTapeOutputSetup(uint32_t channel, uint32_t code, uint32_t dacValue) {
    uint8_t request[kHeaderLength + 10] = {};
    uint8_t* p = request + kHeaderLength;
    p[0] = static_cast<uint8_t>(channel <= 2 ? channel : 0);
    p[2] = static_cast<uint8_t>(code < 16 ? code : 0);
    PutBigEndian(p + 3, 2, std::min<uint32_t>(dacValue, 0x7FFF));
    uint8_t reply[kHeaderLength];
    return SendCommand(kTapeOutputSetup, request, 10, reply, 0);
}

int32_t CKV90T1_Comm::SendTapeIfOutputSetup(uint32_t selector, uint32_t value) {
    uint8_t request[kHeaderLength + 8] = {};
    uint8_t* p = request + kHeaderLength;
    p[1] = static_cast<uint8_t>(selector < 3 ? selector : 0);
    PutBigEndian(p + 2, 3, std::min(value, kIfDacMaximum));
    uint8_t reply[kHeaderLength];
    return SendCommand(kTapeIfOutputSetup, request, 8, reply, 0);
}

int32_t CKV90T1_Comm::ReadTapeIfOutputSetup() {
    ReplyBuffer<8> reply;
    const int32_t result = ReadBack(kReadTapeIfOutputSetup, reply);
    if (result != 0) {
        const uint8_t* p = reply.Payload();
        const uint8_t selector = p[1] & 3;
        m_TapeIfOutput.selector = selector == 3 ? 0 : selector;
        m_TapeIfOutput.value = uint32_t(p[2] & 3) << 16 | uint32_t(p[3]) << 8 | p[4];
    }
    return result;
}

int32_t CKV90T1_Comm::ReadTapeChannelSetup(uint32_t channel) {
    if (channel >= kPathCount) {
        return 0;
    }
    ReplyBuffer<14> reply;
    const int32_t result = ReadBack(kReadTapeSetup, static_cast<uint8_t>(channel), reply);
    if (result != 0) {
        const uint8_t* p = reply.Payload();
        TapeChannel& tape = m_Tape[channel];
        tape.inputSelect = (p[0] >> 2) & 3;
        tape.upConverter = p[0] >> 7;
        tape.bandwidthPercent = p[1];
        tape.inputFrequency = GetU32(p + 2);
        tape.outputFrequency = GetU32(p + 6);
    }
    return result;
}

int32_t CKV90T1_Comm::ReadTapeOutputSetup(uint32_t channel) {
    if (channel >= kPathCount) {
        return 0;
    }
    ReplyBuffer<10> reply;
    const int32_t result = ReadBack(kReadTapeOutputSetup, static_cast<uint8_t>(channel), reply);
    if (result != 0) {
        m_Tape[channel].basebandOutputCode = reply.Payload()[2] & 0x0F;
        m_Tape[channel].basebandDacValue = GetU16(reply.Payload() + 3);
    }
    return result;
}
