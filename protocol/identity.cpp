// Identity, versions, device ID, product texts, network settings and parameter pages.

#include <cstdio>
#include <cstring>

#include "protocol/CKV90T1_Comm.h"
#include "protocol/byte_order.h"

using namespace protocol;

namespace {

constexpr uint16_t kReadIdentity = 0x2003;
constexpr uint16_t kReadDeviceId = 0x1003;
constexpr uint16_t kReadNetworkSettings = 0x2002;
constexpr uint16_t kReadParameterPage = 0x2009;
constexpr uint8_t kFirstProductTextPage = 20;
constexpr int kProductTexts = 5;

void DecodeIdentity(const uint8_t* p, DeviceIdentity* id) {
    id->serialNumberHigh = GetU16(p + 4);
    id->serialNumberLow = GetU16(p + 6);
    std::snprintf(id->serialNumberText, sizeof id->serialNumberText, "%4.4X-%.3u",
                  id->serialNumberHigh, id->serialNumberLow);
    id->dsp1Version = GetU32(p + 8);
    id->dsp2Version = GetU32(p + 12);
    id->fioFpgaVersion = GetU32(p + 16);
    id->bridgeFpgaVersion = GetU32(p + 20);
    id->demodFpgaVersion = GetU32(p + 24);
    id->dspPcbRevision = p[29];
    id->demodFpgaPcbRevision = GetU16(p + 30);
    id->ifAnalogPcbRevision = GetU16(p + 32);
    id->rfAnalogPcbRevision = GetU16(p + 34);
    id->personalityCode = p[36];
}

}  // namespace

int32_t CKV90T1_Comm::ReadDeviceIdentity() {
    ReplyBuffer<48> reply;
    const int32_t identity = ReadBack(kReadIdentity, reply);
    DecodeIdentity(reply.Payload(), &m_Identity);

    bool ok = identity != 0 && ReadDeviceId() != 0;
    if (ok) {
        for (int i = 0; i < kProductTexts; ++i) {
            ok = ok && ReadParameterPage(static_cast<uint8_t>(kFirstProductTextPage + i)) != 0;
            char* text = m_Identity.productText[i];
            for (int w = 0; w < 32; ++w) {
                text[w] = static_cast<char>(m_PageBuffer[w] & 0xFF);
            }
            text[32] = '\0';
        }
    }
    ok = ok && ReadNetworkSettings() != 0;
    if (ok) {
        m_Identity.identityRead = 1;
    }
    return ok ? 1 : 0;
}

int32_t CKV90T1_Comm::ReadDeviceId() {
    uint8_t request[kHeaderLength + 17] = {};
    uint8_t reply[kHeaderLength + 16] = {};
    const int32_t result = SendCommand(kReadDeviceId, request, 17, reply, 16);
    if (result != 0) {
        std::memcpy(m_Identity.deviceId, reply + kHeaderLength, 16);
        m_Identity.deviceId[16] = '\0';
    }
    return result;
}

int32_t CKV90T1_Comm::ReadNetworkSettings() {
    ReplyBuffer<5> reply;
    const int32_t result = ReadBack(kReadNetworkSettings, reply);
    if (result != 0) {
        m_Identity.dhcpEnabled = reply.Payload()[0] & 1;
        m_Identity.ipAddress = GetU32(reply.Payload() + 1);
    }
    return result;
}

int32_t CKV90T1_Comm::ReadParameterPage(uint8_t page) {
    ReplyBuffer<2 * kPageWords> reply;
    const int32_t result = ReadBack(kReadParameterPage, page, reply);
    for (int w = 0; w < kPageWords; ++w) {
        m_PageBuffer[w] = GetU16(reply.Payload() + 2 * w);
    }
    m_nPageNumber = page;
    return result;
}

int32_t CKV90T1_Comm::ReadNetworkPage() {
    const int32_t result = ReadParameterPage(0);
    const uint16_t* w = m_PageBuffer;
    m_NetworkPage.networkFlags = w[34];
    m_Identity.dhcpEnabled = (w[34] >> 1) & 1;
    m_NetworkPage.hardwareAddress = uint64_t(w[35]) << 32 | uint64_t(w[36]) << 16 | w[37];
    m_Identity.ipAddress = uint32_t(w[38]) << 16 | w[39];
    m_NetworkPage.addressValue2 = uint32_t(w[40]) << 16 | w[41];
    m_NetworkPage.addressValue3 = uint32_t(w[42]) << 16 | w[43];
    const uint8_t ttl = static_cast<uint8_t>(w[45] & 0xFF);
    m_NetworkPage.udpTimeToLive = ttl == 0 ? 1 : ttl;
    m_NetworkPage.dauDataPorts[0] = w[46];
    m_NetworkPage.dauDataPorts[1] = w[47];
    if (result != 0) {
        m_NetworkPage.networkPageRead = 1;
    }
    return result;
}
