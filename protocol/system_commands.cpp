// System control, data stream destinations, saved setups, DSP flash and FPGA configuration
// memory transfers, physical values and hardware registers.

#include <algorithm>
#include <cstring>

#include "protocol/CKV90T1_Comm.h"
#include "protocol/byte_order.h"

using namespace protocol;

namespace {

constexpr uint16_t kSystemControl = 0x1001;
constexpr uint16_t kDataStreamDestination = 0x1002;
constexpr uint16_t kSetupsOptions = 0x100E;
constexpr uint16_t kDspFlashBlock = 0x1020;
constexpr uint16_t kProgramFpgaPage = 0x1021;
constexpr uint16_t kBulkEraseFpga = 0x1022;
constexpr uint16_t kBulkEraseDone = 0x1023;
constexpr uint16_t kSelectFpgaPersonality = 0x1024;
constexpr uint16_t kReadPhysicalValues = 0x2001;
constexpr uint16_t kReadHardwareRegister = 0x2006;
constexpr int32_t kSetupsTimeoutMs = 10000;
constexpr int32_t kProgramPageTimeoutMs = 10000;
constexpr int32_t kSelectPersonalityTimeoutMs = 25000;
constexpr uint8_t kSubReferenceClock = 0x0F;
constexpr uint8_t kSubTimeToLive = 0x10;
constexpr uint8_t kSubDspFlash = 0x13;
constexpr uint16_t kFlashBlockMax = 128;
constexpr uint32_t kStreamCount = 12;
constexpr uint8_t kConsolidatedStatusStream = 11;

// Memories 0 to 7 are slots 0x10 to 0x17, memories 8 to 11 slots 0x30 to 0x33; 0: none.
uint8_t SlotCode(uint32_t memory) {
    if (memory < 8) {
        return static_cast<uint8_t>(0x10 + memory);
    }
    return memory < 12 ? static_cast<uint8_t>(0x30 + memory - 8) : 0;
}

float Tenths(int value) {
    return static_cast<float>(value) * 0.1f;
}

}  // namespace

int32_t CKV90T1_Comm::SendSystemControl(uint8_t subCommand, uint8_t argument1, uint8_t argument2) {
    uint8_t request[kHeaderLength + 6] = {0, 0, 0, 0, 0, 0, subCommand, argument1, argument2};
    uint8_t reply[kHeaderLength + 4] = {};
    const int32_t result = SendCommand(kSystemControl, request, 6, reply, 4);
    std::copy(reply + kHeaderLength, reply + kHeaderLength + 4, m_SystemControlReply);
    if (result != 0 && subCommand == kSubReferenceClock) {
        m_System.referenceClock = m_SystemControlReply[0] & 1;
    }
    return result;
}

int32_t CKV90T1_Comm::SetUdpTimeToLive(uint8_t timeToLive) {
    const int32_t result =
        SendSystemControl(kSubTimeToLive, 0x80, timeToLive == 0 ? uint8_t{1} : timeToLive);
    if (result != 0) {
        m_NetworkPage.udpTimeToLive = m_SystemControlReply[0];
    }
    return result;
}

int32_t CKV90T1_Comm::StartDspFlash() {
    return SendSystemControl(kSubDspFlash, 0x01);
}

int32_t CKV90T1_Comm::EndDspFlash(uint32_t dsp) {
    return SendSystemControl(kSubDspFlash, 0xFF, dsp == 1 ? 1 : 0);
}

int32_t CKV90T1_Comm::SetDataStreamDestination(uint32_t index, uint32_t enable, uint32_t address,
                                               uint16_t port) {
    if (index >= kStreamCount) {
        return 0;
    }
    if (m_Identity.identityRead == 0) {
        ReadDeviceIdentity();
    }
    uint8_t request[kHeaderLength + 7] = {};
    uint8_t* p = request + kHeaderLength;
    p[0] = static_cast<uint8_t>(index | (enable != 0 ? 0x80 : 0));
    PutBigEndian(p + 1, 4, address);
    PutBigEndian(p + 5, 2, port);
    uint8_t reply[kHeaderLength];
    const int32_t result = SendCommand(kDataStreamDestination, request, 7, reply, 0);
    if (index == kConsolidatedStatusStream) {
        m_System.consolidatedStatusEnabled = enable != 0;
    }
    return result;
}

int32_t CKV90T1_Comm::SendSetupsOptions(uint8_t options) {
    const SystemPages& s = m_SystemPages;
    options |= static_cast<uint8_t>((s.setupsUseAtBoot ? 0x02 : 0) | (s.setupsCh3 ? 0x20 : 0) |
                                    (s.setupsCh2 ? 0x40 : 0) | (s.setupsCh1 ? 0x80 : 0));
    uint8_t request[kHeaderLength + 1] = {0, 0, 0, 0, 0, 0, options};
    uint8_t reply[kHeaderLength];
    return SendCommandLongTimeout(kSetupsTimeoutMs, kSetupsOptions, request, 1, reply, 0);
}

int32_t CKV90T1_Comm::SetSetupsOptions(uint32_t useAtBoot) {
    m_SystemPages.setupsUseAtBoot = useAtBoot != 0;
    return SendSetupsOptions(0);
}

int32_t CKV90T1_Comm::SaveSetups() {
    return SendSetupsOptions(0x01);
}

int32_t CKV90T1_Comm::SendDspFlashBlock(uint32_t dsp, const uint8_t* data, uint16_t length) {
    length = std::min(length, kFlashBlockMax);
    uint8_t request[kHeaderLength + 1 + kFlashBlockMax];
    request[kHeaderLength] = dsp == 1 ? 1 : 0;
    std::memcpy(request + kHeaderLength + 1, data, length);
    uint8_t reply[kHeaderLength];
    return SendCommand(kDspFlashBlock, request, static_cast<uint16_t>(length + 1), reply, 0);
}

int32_t CKV90T1_Comm::ProgramFPGA_ConfigEEPROMPage(uint32_t memory, uint32_t address,
                                                   const uint8_t* data) {
    const uint8_t slot = SlotCode(memory);
    if (slot == 0) {
        return 0;
    }
    uint8_t request[kHeaderLength + 259];
    request[kHeaderLength] = slot;
    request[kHeaderLength + 1] = static_cast<uint8_t>(address >> 16);
    request[kHeaderLength + 2] = static_cast<uint8_t>(address >> 8);
    std::memcpy(request + kHeaderLength + 3, data, 256);
    uint8_t reply[kHeaderLength];
    return SendCommandLongTimeout(kProgramPageTimeoutMs, kProgramFpgaPage, request, 259, reply, 0);
}

int32_t CKV90T1_Comm::BulkEraseFPGA_ConfigEEPROM(uint32_t memory) {
    const uint8_t slot = SlotCode(memory);
    if (slot == 0) {
        return 0;
    }
    ReplyBuffer<4> reply;
    // A new erase is not done until the device says so.
    m_System.bulkEraseDone = 0;
    const int32_t result = ReadBack(kBulkEraseFpga, slot, reply);
    m_System.transferBaudRate = GetU32(reply.Payload());
    return result;
}

int32_t CKV90T1_Comm::QueryFPGA_ConfigEEPROM_BulkEraseDone() {
    ReplyBuffer<1> reply;
    const int32_t result = ReadBack(kBulkEraseDone, reply);
    if (result != 0) {
        m_System.bulkEraseDone = reply.Payload()[0] & 1;
    }
    return result;
}

int32_t CKV90T1_Comm::SelectFPGA_Personality(uint32_t memory) {
    const uint8_t slot = SlotCode(memory);
    if (slot == 0) {
        return 0;
    }
    uint8_t request[kHeaderLength + 1] = {0, 0, 0, 0, 0, 0, slot};
    uint8_t reply[kHeaderLength];
    return SendCommandLongTimeout(kSelectPersonalityTimeoutMs, kSelectFpgaPersonality, request, 1,
                                  reply, 0);
}

int32_t CKV90T1_Comm::ReadPhysicalValues() {
    ReplyBuffer<12> reply;
    float* v = m_System.physicalValues;
    if (ReadBack(kReadPhysicalValues, reply) == 0) {
        std::fill(v, v + 11, 0.0f);
        return 0;
    }
    const uint8_t* p = reply.Payload();
    for (int i = 0; i < 6; ++i) {
        v[i] = Tenths(p[i]);
    }
    v[6] = Tenths(int8_t(p[6]));
    v[7] = Tenths(int8_t(p[7]));
    v[8] = static_cast<float>(int8_t(p[8]));
    v[9] = Tenths(int16_t(GetU16(p + 9)));
    v[10] = Tenths(p[11]);
    return 1;
}

int32_t CKV90T1_Comm::ReadHardwareRegister(uint8_t registerNumber, uint16_t* value) {
    uint8_t request[kHeaderLength + 2] = {0, 0, 0, 0, 0, 0, 0x04, registerNumber};
    uint8_t reply[kHeaderLength + 2] = {};
    const int32_t result = SendCommand(kReadHardwareRegister, request, 2, reply, 2);
    *value = GetU16(reply + kHeaderLength);
    return result;
}

void CKV90T1_Comm::ReadSupplyVoltageRange() {
    uint16_t low = 0;
    uint16_t high = 0;
    ReadHardwareRegister(10, &low);
    ReadHardwareRegister(11, &high);
    m_System.supplyVoltageRange[0] = low / 1000.0f;
    m_System.supplyVoltageRange[1] = high / 1000.0f;
}

void CKV90T1_Comm::ReadTemperatureRange() {
    uint16_t low = 0;
    uint16_t high = 0;
    ReadHardwareRegister(12, &low);
    ReadHardwareRegister(13, &high);
    m_System.temperatureRange[0] = static_cast<int16_t>(low);
    m_System.temperatureRange[1] = static_cast<int16_t>(high);
}

void CKV90T1_Comm::ReadTotalRuntime() {
    uint16_t high = 0;
    uint16_t low = 0;
    ReadHardwareRegister(20, &high);
    ReadHardwareRegister(21, &low);
    m_System.totalRuntime = uint32_t(high) << 16 | low;
}
