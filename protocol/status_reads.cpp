// The live status reads: channel status, frame sync status and time status.

#include "protocol/CKV90T1_Comm.h"
#include "protocol/byte_order.h"

using namespace protocol;

namespace {

constexpr uint16_t kReadChannelStatus = 0x2100;
constexpr uint16_t kReadFrameSyncStatus = 0x2104;
constexpr uint16_t kReadTimeStatus = 0x2106;
// The DSP2 firmware from which the time status carries its second flag.
constexpr uint32_t kTimeFlag2Firmware = 0x20190717;

}  // namespace

int32_t CKV90T1_Comm::ReadChannelStatus(uint32_t channel) {
    if (channel >= kPathCount) {
        return 0;
    }
    ReplyBuffer<30> reply;
    const int32_t result = ReadBack(kReadChannelStatus, static_cast<uint8_t>(channel), reply);
    const uint8_t* p = reply.Payload();
    ChannelStatus& s = m_ChannelStatus[channel];
    s.signalLevel = static_cast<uint16_t>((p[2] & 0x0F) << 8 | p[1]);
    s.amModIndex = p[3];
    s.fmModIndex = p[6] / 100.0f;
    if (p[7] != 0 || p[8] != 0) {
        s.rssi = static_cast<int16_t>(GetU16(p + 7)) / 10.0f;
    } else {
        // No reading from the device: the level through the band's calibration. The combiner
        // path has no calibration table and reads 0.
        const RssiCalibration cal =
            m_Config.RssiCalibrationAt(channel, m_ChannelSetup[channel].bandIndex);
        s.rssi = s.signalLevel * cal.gain + cal.offset;
    }
    s.carrierLock = Bit(p[9], 7);
    s.symbolLock = Bit(p[9], 6);
    s.symbolUaLock = Bit(p[9], 5);
    s.timeValid = Bit(p[9], 4);
    m_TimeStatus.timeValid = s.timeValid;
    s.frameSyncEnabled = Bit(p[9], 3);
    s.frameSyncState = (p[9] >> 1) & 3;
    s.carrierFrequency = static_cast<int32_t>(GetU32(p + 10));
    s.symbolRate = GetU32(p + 14);
    s.symbolUaRate = GetU32(p + 18);
    return result;
}

int32_t CKV90T1_Comm::ReadFrameSyncStatus(uint32_t channel) {
    if (channel >= kPathCount) {
        return 0;
    }
    ReplyBuffer<20> reply;
    const int32_t result = ReadBack(kReadFrameSyncStatus, static_cast<uint8_t>(channel), reply);
    if (result == 0) {
        return 0;
    }
    const uint8_t* p = reply.Payload();
    ChannelStatus& s = m_ChannelStatus[channel];
    s.frameLockEnabled = Bit(p[0], 4);
    const uint8_t lockState = (p[0] >> 1) & 3;
    s.frameLockState = lockState == 3 ? 0 : lockState;
    s.frameSyncEnabled = Bit(p[1], 4);
    s.frameSyncStatusBits[0] = Bit(p[1], 5);
    s.frameSyncStatusBits[1] = Bit(p[1], 6);
    s.frameSyncStatusBits[2] = Bit(p[1], 7);
    s.frameSyncState = (p[1] >> 1) & 3;
    return result;
}

int32_t CKV90T1_Comm::ReadTimeStatus() {
    ReplyBuffer<34> reply;
    TimeStatus& t = m_TimeStatus;
    if (ReadBack(kReadTimeStatus, reply) == 0) {
        t = TimeStatus{};
        return 0;
    }
    const uint8_t* p = reply.Payload();
    t.timeValid = Bit(p[0], 0);
    t.statusFlag1 = Bit(p[0], 1);
    const bool flag2Known = m_Identity.dsp2Version >= kTimeFlag2Firmware && m_Options.timeFlag2Available != 0;
    t.statusFlag2 = flag2Known ? Bit(p[0], 2) : 0;
    t.year = p[9] & 0x7F;
    t.secondsOfYear = uint32_t(p[9] >> 7) << 24 | static_cast<uint32_t>(GetBigEndian(p + 10, 3));
    t.nanoseconds = GetU32(p + 13);
    t.bcdYear = p[17] & 0x0F;
    t.bcdDays = static_cast<uint16_t>((p[18] & 3) << 8 | p[19]);
    t.bcdHours = p[20] & 0x3F;
    t.bcdMinutes = p[21] & 0x7F;
    t.bcdSeconds = p[22] & 0x7F;
    for (int i = 0; i < 3; ++i) {
        t.bcdSubSeconds[2 * i] = p[23 + i] & 0x0F;
        t.bcdSubSeconds[2 * i + 1] = p[23 + i] >> 4;
    }
    return 1;
}
