// The time code generator and reader setup.

#include "protocol/CKV90T1_Comm.h"
#include "protocol/byte_order.h"

using namespace protocol;

namespace {

constexpr uint16_t kTimeCodeSetup = 0x1106;
constexpr uint16_t kReadTimeCodeSetup = 0x4106;
constexpr int kLength = 9;

uint8_t Flag(uint8_t value) {
    return value != 0 ? 1 : 0;
}

void Pack(const TimeCodeSetup& t, uint8_t* p) {
    p[0] = static_cast<uint8_t>(
        Flag(t.externalIrig) | Flag(t.flagA) << 1 | Flag(t.external1Pps) << 2 | Flag(t.flagB) << 3 |
        (t.selectorC & 3) << 4 | Flag(t.flagD) << 6 | Flag(t.termination) << 7);
    p[1] = static_cast<uint8_t>((t.modulation & 3) | (t.selectorE & 3) << 2 | (t.format & 3) << 4 |
                                Flag(t.flagF) << 6 | Flag(t.flagG) << 7);
    p[2] = t.carrier;
    p[3] = t.year;
    p[4] = static_cast<uint8_t>(t.day >> 8 & 0x0F);
    p[5] = static_cast<uint8_t>(t.day);
    p[6] = t.hour;
    p[7] = t.minute;
    p[8] = t.second;
}

void Decode(const uint8_t* p, TimeCodeSetup* t) {
    t->externalIrig = p[0] & 1;
    t->flagA = Bit(p[0], 1);
    t->external1Pps = Bit(p[0], 2);
    t->flagB = Bit(p[0], 3);
    t->selectorC = (p[0] >> 4) & 3;
    t->flagD = (p[0] >> 6) & 1;
    t->termination = p[0] >> 7;
    t->modulation = p[1] & 3;
    t->selectorE = (p[1] >> 2) & 3;
    t->format = (p[1] >> 4) & 3;
    t->flagF = (p[1] >> 6) & 1;
    t->flagG = p[1] >> 7;
    t->carrier = p[2];
    t->year = p[3];
    t->day = static_cast<uint16_t>((p[4] << 8 | p[5]) & 0x3FF);
    t->hour = p[6] & 0x3F;
    t->minute = p[7] & 0x7F;
    t->second = p[8] & 0x7F;
}

}  // namespace

int32_t CKV90T1_Comm::SendTimeCodeSetup(const TimeCodeSetup& setup) {
    if (setup.modulation > 2 || setup.selectorC > 2 || setup.selectorE > 2 || setup.carrier > 5) {
        return 0;
    }
    m_TimeCode = setup;
    uint8_t request[kHeaderLength + kLength];
    Pack(setup, request + kHeaderLength);
    uint8_t reply[kHeaderLength + 5];
    return SendCommand(kTimeCodeSetup, request, kLength, reply, 5);
}

int32_t CKV90T1_Comm::ReadTimeCodeSetup() {
    ReplyBuffer<kLength> reply;
    const int32_t result = ReadBack(kReadTimeCodeSetup, reply);
    if (result != 0) {
        Decode(reply.Payload(), &m_TimeCode);
    }
    return result;
}
