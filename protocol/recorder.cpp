// The NAND flash recorder: directory, status, file selection, capacity and repair.

#include <algorithm>

#include "protocol/CKV90T1_Comm.h"
#include "protocol/byte_order.h"

using namespace protocol;

namespace {

constexpr uint16_t kReadDirectory = 0x2010;
constexpr uint16_t kReadRecorderStatus = 0x1011;
constexpr uint16_t kSelectFile = 0x1012;
constexpr uint16_t kReadRecorderInfo = 0x1015;
constexpr uint16_t kRepairLastFile = 0x1016;
constexpr int32_t kDirectoryTimeoutMs = 5000;
constexpr int32_t kSelectTimeoutMs = 1000;
constexpr int32_t kRepairTimeoutMs = 10000;
constexpr int kEntriesPerBlock = 32;
constexpr int kEntryLength = 32;

}  // namespace

int32_t CKV90T1_Comm::ReadRecordingDirectory(uint32_t channel, uint32_t block) {
    if (channel > 2 || block > 3) {
        return 0;
    }
    uint8_t request[kHeaderLength + 1] = {
        0, 0, 0, 0, 0, 0, static_cast<uint8_t>(channel | block << 2)};
    uint8_t reply[kHeaderLength + kEntriesPerBlock * kEntryLength] = {};
    const int32_t result = SendCommandLongTimeout(kDirectoryTimeoutMs, kReadDirectory, request, 1,
                                                  reply, kEntriesPerBlock * kEntryLength);
    if (result == 0) {
        return 0;
    }
    for (int k = 0; k < kEntriesPerBlock; ++k) {
        const uint8_t* entry = reply + kHeaderLength + kEntryLength * k;
        RecordingFile& file = m_Recorder[channel].files[block * kEntriesPerBlock + k];
        std::copy(entry, entry + 16, file.name);
        file.name[16] = '\0';
        file.length = GetBigEndian(entry + 16, 6);
    }
    return result;
}

int32_t CKV90T1_Comm::ReadRecorderStatus() {
    ReplyBuffer<2> reply;
    const int32_t result = ReadBack(kReadRecorderStatus, reply);
    if (result == 0) {
        return 0;
    }
    const uint8_t b0 = reply.Payload()[0];
    const uint8_t b1 = reply.Payload()[1];
    for (int c = 0; c < 3; ++c) {
        RecorderChannel& r = m_Recorder[c];
        r.transferInProgress = Bit(b1, c);
        r.statusFlags[0] = Bit(b0, c);
        r.statusFlags[1] = Bit(b0, 4 + c);
        r.statusFlags[2] = Bit(b1, 4 + c);
    }
    return result;
}

int32_t CKV90T1_Comm::SelectRecordingFile(uint32_t channel, uint32_t file) {
    if (channel > 2 || file > 127) {
        return 0;
    }
    const uint32_t value = channel | file << 2;
    uint8_t request[kHeaderLength + 2] = {
        0, 0, 0, 0, 0, 0, static_cast<uint8_t>(value), static_cast<uint8_t>(file >> 6)};
    uint8_t reply[kHeaderLength + 6] = {};
    const int32_t result =
        SendCommandLongTimeout(kSelectTimeoutMs, kSelectFile, request, 2, reply, 6);
    if (result != 0) {
        m_nDownloadAddress = GetU32(reply + kHeaderLength);
        m_nDownloadPort = GetU16(reply + kHeaderLength + 4);
    }
    return result;
}

int32_t CKV90T1_Comm::ReadRecorderInfo() {
    ReplyBuffer<15> reply;
    const int32_t result = ReadBack(kReadRecorderInfo, reply);
    if (result != 0) {
        for (int c = 0; c < 3; ++c) {
            m_Recorder[c].remainingCapacity = GetBigEndian(reply.Payload() + 5 * c, 5);
        }
    }
    return result;
}

int32_t CKV90T1_Comm::RepairLastFile(uint32_t channel) {
    if (channel > 2) {
        return 0;
    }
    uint8_t request[kHeaderLength + 1] = {0, 0, 0, 0, 0, 0, static_cast<uint8_t>(channel)};
    uint8_t reply[kHeaderLength];
    return SendCommandLongTimeout(kRepairTimeoutMs, kRepairLastFile, request, 1, reply, 0);
}
