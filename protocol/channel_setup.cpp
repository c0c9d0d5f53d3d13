// The operational mode command and the channel setup commands with their read-backs.

#include "protocol/CKV90T1_Comm.h"
#include "protocol/channel_setup_layout.h"

using namespace protocol;

namespace {

constexpr uint16_t kSetOperationalMode = 0x1000;
constexpr int kLargestSetupLength = 44;

}  // namespace

int32_t CKV90T1_Comm::SetOperationalMode(uint32_t mode, uint32_t option) {
    if (mode > kModeCount) {
        return 0;
    }
    uint8_t request[kHeaderLength + 1] = {};
    request[kHeaderLength] = static_cast<uint8_t>((mode & 0x7F) | (option != 0 ? 0x80 : 0));
    uint8_t reply[kHeaderLength];
    const int32_t result =
        SendCommandLongTimeout(m_nModeTimeout, kSetOperationalMode, request, 1, reply, 0);
    m_nOperationalMode = mode;
    m_bModeOption = option != 0;
    ApplyModeDefaults();
    return result;
}

int32_t CKV90T1_Comm::SetChannelSetup(uint32_t path, const ChannelSetup& record) {
    if (path >= kPathCount) {
        return 0;
    }
    ChannelSetup& stored = m_ChannelSetup[path];
    ChannelSetup update = record;
    // AGC freeze and AGC zero exclude each other; the one already set wins, zero otherwise.
    if (stored.agcZero != 0 && update.agcZero != 0) {
        update.agcFreeze = 0;
    }
    if (stored.agcFreeze != 0 && update.agcFreeze != 0) {
        update.agcZero = 0;
    } else if (update.agcZero != 0) {
        update.agcFreeze = 0;
    }
    stored = update;
    const SetupFamily family = WriteFamily(static_cast<int>(m_nOperationalMode));
    return family == SetupFamily::None ? 0 : SendChannelSetup(path, family);
}

int32_t CKV90T1_Comm::SendChannelSetup(uint32_t path, SetupFamily family) {
    if (path >= kPathCount) {
        return 0;
    }
    ChannelSetup& stored = m_ChannelSetup[path];
    const ChannelSetup sent = RangeCorrected(stored, family, &stored);
    const ChannelSetupCommand& command = SetupCommandOf(family);
    uint8_t request[kHeaderLength + kLargestSetupLength];
    PackChannelSetup(family, static_cast<uint8_t>(path), sent, request + kHeaderLength);
    uint8_t reply[kHeaderLength + 25] = {};
    const int32_t result =
        SendCommand(command.writeCode, request, command.requestLength, reply, command.replyLength);
    if (result != 0) {
        DecodeSetupReply(family, reply + kHeaderLength, &stored);
    }
    return result;
}

int32_t CKV90T1_Comm::SendPskChannelSetup(uint32_t path) {
    return SendChannelSetup(path, SetupFamily::Psk);
}

int32_t CKV90T1_Comm::SendPcmFmChannelSetup(uint32_t path) {
    return SendChannelSetup(path, SetupFamily::PcmFm);
}

int32_t CKV90T1_Comm::SendMhcpmChannelSetup(uint32_t path) {
    return SendChannelSetup(path, SetupFamily::Mhcpm);
}

int32_t CKV90T1_Comm::SendBitSyncChannelSetup(uint32_t path) {
    return SendChannelSetup(path, SetupFamily::BitSync);
}

int32_t CKV90T1_Comm::ReadChannelSetup(uint32_t path) {
    if (path >= kPathCount) {
        return 0;
    }
    if (m_nOperationalMode == kModeTape) {
        return ReadTapeChannelSetup(path);
    }
    const SetupFamily family = ReadBackFamily(static_cast<int>(m_nOperationalMode));
    if (family == SetupFamily::None) {
        return 1;
    }
    const ChannelSetupCommand& command = SetupCommandOf(family);
    uint8_t reply[kHeaderLength + kLargestSetupLength] = {};
    const int32_t result = SendByteCommand(command.readBackCode, static_cast<uint8_t>(path), reply,
                                           command.readBackLength);
    if (result != 0) {
        DecodeChannelReadBack(family, reply + kHeaderLength, &m_ChannelSetup[path]);
    }
    return result;
}
