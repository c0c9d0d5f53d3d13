// Output (0x1x01), output-data (0x1x0E) and combiner (0x1x05) setups and their read-backs.

#include <algorithm>

#include "protocol/CKV90T1_Comm.h"
#include "protocol/byte_order.h"
#include "protocol/channel_setup_layout.h"

using namespace protocol;

namespace {

constexpr int kOutputLength = 18;
constexpr int kBitSyncOutputLength = 14;
constexpr int kOutputDataLength = 8;
constexpr int kCombinerLength = 32;

// The combiner command follows the PSK family in bit sync mode, and has none in modes 5, 7, 11.
SetupFamily CombinerFamily(uint32_t mode, bool readBack) {
    if (mode == kModeAnalogOnly) {
        return readBack ? SetupFamily::Psk : SetupFamily::None;
    }
    const SetupFamily family = WriteFamily(static_cast<int>(mode));
    return family == SetupFamily::BitSync ? SetupFamily::Psk : family;
}

uint8_t Flag(uint32_t value) {
    return value != 0 ? 1 : 0;
}

uint32_t FieldA(uint32_t value) {
    return value >= 1 && value <= 9 ? value : 0;
}
uint32_t FieldB(uint32_t value) {
    return value <= 3 ? value : 0;
}

// Byte 2 of an output-data request: clock phase, inverted, output flags 1 to 4.
uint8_t PhaseByte(uint32_t phase, uint32_t inverted, const uint32_t* flags) {
    uint8_t byte = static_cast<uint8_t>((phase <= 3 ? phase : 0) << 6 | (inverted == 1) << 5);
    for (int i = 0; i < 4; ++i) {
        byte |= static_cast<uint8_t>(Flag(flags[i]) << (3 - i));
    }
    return byte;
}

void DecodePhaseByte(uint8_t byte, OutputDataSetup* d) {
    d->clockPhase = byte >> 6;
    for (int i = 0; i < 4; ++i) {
        d->outputFlag[i] = Bit(byte, 3 - i);
    }
}

void DecodePcmByte(uint8_t byte, OutputDataSetup* d) {
    d->pcmCode = byte & 0x7F;
    d->inverted = byte >> 7;
}

void DecodeOutputParameters(const uint8_t* p, OutputSetup* o) {
    o->outputSetupFlag = Bit(p[0], 7);
    for (int i = 0; i < 5; ++i) {
        o->parameter[i] = static_cast<int8_t>(p[1 + i]);
    }
    o->word1 = static_cast<uint16_t>((p[6] & 0x3F) << 8 | p[7]);
}

}  // namespace

int32_t CKV90T1_Comm::SendOutputSetup(uint32_t path, SetupFamily family) {
    const uint32_t sent = path < kPathCount ? path : 0;
    const OutputSetup& o = m_OutputSetup[sent];
    uint8_t request[kHeaderLength + kOutputLength] = {};
    uint8_t* p = request + kHeaderLength;
    uint16_t length = kOutputLength;
    if (family == SetupFamily::BitSync) {
        const OutputDataSetup& d = m_OutputData[sent];
        length = kBitSyncOutputLength;
        p[0] = static_cast<uint8_t>(sent);
        p[2] = static_cast<uint8_t>(o.word1 >> 8 & 0x3F);
        p[3] = static_cast<uint8_t>(o.word1);
        p[7] = static_cast<uint8_t>((d.selector & 0x0F) | Flag(d.enhancedAcquisition) << 6 |
                                    Flag(d.firstFlag) << 7);
    } else {
        p[0] = static_cast<uint8_t>(sent | Flag(o.outputSetupFlag) << 7);
        for (int i = 0; i < 5; ++i) {
            p[1 + i] = static_cast<uint8_t>(o.parameter[i]);
        }
        p[6] = static_cast<uint8_t>(o.word1 >> 8 & 0x3F);
        p[7] = static_cast<uint8_t>(o.word1);
        if (family == SetupFamily::Psk) {
            p[8] = static_cast<uint8_t>(o.word2 >> 8 & 0x3F);
            p[9] = static_cast<uint8_t>(o.word2);
        }
    }
    uint8_t reply[kHeaderLength];
    return SendCommand(SetupCommandOf(family).writeCode | 0x01, request, length, reply, 0);
}

int32_t CKV90T1_Comm::SendPskOutputSetup(uint32_t path) {
    return SendOutputSetup(path, SetupFamily::Psk);
}
int32_t CKV90T1_Comm::SendPcmFmOutputSetup(uint32_t path) {
    return SendOutputSetup(path, SetupFamily::PcmFm);
}
int32_t CKV90T1_Comm::SendMhcpmOutputSetup(uint32_t path) {
    return SendOutputSetup(path, SetupFamily::Mhcpm);
}
int32_t CKV90T1_Comm::SendBitSyncOutputSetup(uint32_t path) {
    return SendOutputSetup(path, SetupFamily::BitSync);
}

int32_t CKV90T1_Comm::ResetOutputSetup(uint32_t path) {
    if (path >= kPathCount) {
        return 0;
    }
    const SetupFamily family = WriteFamily(static_cast<int>(m_nOperationalMode));
    OutputSetup& o = m_OutputSetup[path];
    o = OutputSetup{};
    if (m_nOperationalMode == kModeBitSync && m_Identity.dspPcbRevision > 4) {
        o.parameter[3] = -50;
    }
    if (family != SetupFamily::Psk) {
        o.word2 = 0;
    }
    return family == SetupFamily::None ? 0 : SendOutputSetup(path, family);
}

int32_t CKV90T1_Comm::SendOutputDataSetup(uint32_t path, SetupFamily family) {
    if (path >= kPathCount) {
        return 0;
    }
    OutputDataSetup& d = m_OutputData[path];
    if (d.selector > 6) {
        d.selector = 0;
    }
    uint8_t request[kHeaderLength + kOutputDataLength] = {};
    uint8_t* p = request + kHeaderLength;
    p[0] = static_cast<uint8_t>(path);
    p[1] = static_cast<uint8_t>(Flag(d.firstFlag) << 7 | (d.selector & 7));
    p[2] = PhaseByte(d.clockPhase, d.inverted, d.outputFlag);
    p[4] = static_cast<uint8_t>(d.pcmCode);
    p[6] = static_cast<uint8_t>(FieldA(d.fieldA) << 4);
    if (family == SetupFamily::Psk) {
        p[1] |= static_cast<uint8_t>(Flag(d.flag2) << 6 | Flag(d.flag3) << 5 | Flag(d.flag4) << 4);
        p[3] = static_cast<uint8_t>((d.qClockPhase <= 3 ? d.qClockPhase : 0) << 6 |
                                    (d.qInverted == 1) << 5 | Flag(d.qFlag[2]) << 4 |
                                    Flag(d.qFlag[3]) << 3 | Flag(d.qFlag[0]) << 2 |
                                    Flag(d.qFlag[1]) << 1);
        p[5] = static_cast<uint8_t>(d.qPcmCode);
        p[6] |= static_cast<uint8_t>(FieldB(d.fieldB));
    } else if (family == SetupFamily::BitSync) {
        p[1] |= static_cast<uint8_t>(Flag(d.enhancedAcquisition) << 6);
    }
    uint8_t reply[kHeaderLength];
    return SendCommand(SetupCommandOf(family).writeCode | 0x0E, request, kOutputDataLength, reply,
                       0);
}

int32_t CKV90T1_Comm::SendPskOutputDataSetup(uint32_t path) {
    return SendOutputDataSetup(path, SetupFamily::Psk);
}
int32_t CKV90T1_Comm::SendPcmFmOutputDataSetup(uint32_t path) {
    return SendOutputDataSetup(path, SetupFamily::PcmFm);
}
int32_t CKV90T1_Comm::SendMhcpmOutputDataSetup(uint32_t path) {
    return SendOutputDataSetup(path, SetupFamily::Mhcpm);
}
int32_t CKV90T1_Comm::SendBitSyncOutputDataSetup(uint32_t path) {
    return SendOutputDataSetup(path, SetupFamily::BitSync);
}

int32_t CKV90T1_Comm::SetOutputDataSetup(uint32_t path, uint32_t firstFlag, uint32_t flag2,
                                         uint32_t flag3, uint32_t flag4, uint32_t selector,
                                         uint32_t pcmCode, uint32_t qPcmCode, uint32_t fieldA,
                                         uint32_t fieldB, uint32_t qFlag3, uint32_t qFlag4,
                                         uint32_t enhancedAcquisition, uint32_t outputFlag1,
                                         uint32_t outputFlag2, uint32_t outputFlag3,
                                         uint32_t outputFlag4) {
    if (path >= kPathCount || firstFlag > 1 || flag2 > 1 || flag3 > 1 || flag4 > 1 ||
        selector >= 7) {
        return 0;
    }
    OutputDataSetup& d = m_OutputData[path];
    d.firstFlag = firstFlag;
    d.selector = selector;
    d.pcmCode = pcmCode;
    d.fieldA = fieldA;
    d.fieldB = fieldB;
    d.qFlag[2] = Flag(qFlag3);
    d.qFlag[3] = Flag(qFlag4);
    d.enhancedAcquisition = Flag(enhancedAcquisition);
    const uint32_t flags[4] = {outputFlag1, outputFlag2, outputFlag3, outputFlag4};
    for (int i = 0; i < 4; ++i) {
        d.outputFlag[i] = Flag(flags[i]);
    }
    const SetupFamily family = WriteFamily(static_cast<int>(m_nOperationalMode));
    if (family == SetupFamily::Psk) {
        d.flag2 = flag2;
        d.flag3 = flag3;
        d.flag4 = flag4;
        d.qPcmCode = qPcmCode;
        d.enhancedAcquisition = 0;
    } else if (family != SetupFamily::None) {
        d.flag2 = d.flag3 = d.flag4 = 0;
        d.qPcmCode = d.qInverted = d.qClockPhase = 0;
        d.qFlag[2] = d.qFlag[3] = 0;
        if (family != SetupFamily::BitSync) {
            d.enhancedAcquisition = 0;
        }
    }
    return family == SetupFamily::None ? 0 : SendOutputDataSetup(path, family);
}

int32_t CKV90T1_Comm::SetOutputDataSetup(uint32_t path, const OutputDataSetup& setup) {
    // A copy: `setup` may be the held record that the call overwrites.
    const OutputDataSetup d = setup;
    return SetOutputDataSetup(path, d.firstFlag, d.flag2, d.flag3, d.flag4, d.selector, d.pcmCode,
                              d.qPcmCode, d.fieldA, d.fieldB, d.qFlag[2], d.qFlag[3],
                              d.enhancedAcquisition, d.outputFlag[0], d.outputFlag[1],
                              d.outputFlag[2], d.outputFlag[3]);
}

int32_t CKV90T1_Comm::ResendOutputData(uint32_t path) {
    return path < kPathCount ? SetOutputDataSetup(path, m_OutputData[path]) : 0;
}

int32_t CKV90T1_Comm::SetOutputDataField(uint32_t path, bool allowed,
                                         uint32_t OutputDataSetup::*field, uint32_t value) {
    if (path >= kPathCount || !allowed) {
        return 0;
    }
    m_OutputData[path].*field = value;
    return ResendOutputData(path);
}

int32_t CKV90T1_Comm::SetOutputPcmCode(uint32_t path, uint32_t value) {
    return SetOutputDataField(path, true, &OutputDataSetup::pcmCode, value & 0x7F);
}

int32_t CKV90T1_Comm::SetOutputInverted(uint32_t path, uint32_t value) {
    return SetOutputDataField(path, true, &OutputDataSetup::inverted, value);
}

int32_t CKV90T1_Comm::SetOutputClockPhase(uint32_t path, uint32_t value) {
    return SetOutputDataField(path, true, &OutputDataSetup::clockPhase, value);
}

int32_t CKV90T1_Comm::SetQOutputPcmCode(uint32_t path, uint32_t value) {
    return SetOutputDataField(path, IsPskMode(static_cast<int>(m_nOperationalMode)),
                              &OutputDataSetup::qPcmCode, value & 0x7F);
}

int32_t CKV90T1_Comm::SetQOutputInverted(uint32_t path, uint32_t value) {
    return SetOutputDataField(path, IsPskMode(static_cast<int>(m_nOperationalMode)),
                              &OutputDataSetup::qInverted, value);
}

int32_t CKV90T1_Comm::SetQOutputClockPhase(uint32_t path, uint32_t value) {
    return SetOutputDataField(path, IsPskMode(static_cast<int>(m_nOperationalMode)),
                              &OutputDataSetup::qClockPhase, value);
}

int32_t CKV90T1_Comm::SetEnhancedAcquisition(uint32_t path, uint32_t value) {
    return SetOutputDataField(path, m_nOperationalMode == kModeBitSync,
                              &OutputDataSetup::enhancedAcquisition, value);
}

int32_t CKV90T1_Comm::SetCombinerSetup(uint32_t signalBandwidth, uint32_t snrFilterBandwidth,
                                       uint32_t phaseFilterBandwidth, uint32_t type,
                                       uint32_t realCombining, uint32_t upsample,
                                       uint32_t ifFrequency0, uint32_t ifFrequency1) {
    m_nCombinerSignalBandwidth = signalBandwidth;
    m_Combiner.snrFilterBandwidth = std::clamp<uint32_t>(snrFilterBandwidth, 10, 100'000);
    m_Combiner.phaseFilterBandwidth = std::clamp<uint32_t>(phaseFilterBandwidth, 10, 100'000);
    m_Combiner.type = type;
    m_Combiner.realCombining = realCombining;
    m_Combiner.upsample = upsample;
    m_ChannelSetup[0].ifFrequency = ifFrequency0;
    m_ChannelSetup[1].ifFrequency = ifFrequency1;
    const SetupFamily family = CombinerFamily(m_nOperationalMode, false);
    return family == SetupFamily::None ? 0 : SendCombinerSetup(family);
}

int32_t CKV90T1_Comm::SetCombinerSetup(uint32_t signalBandwidth, const CombinerSetup& setup) {
    const CombinerSetup c = setup;
    return SetCombinerSetup(signalBandwidth, c.snrFilterBandwidth, c.phaseFilterBandwidth, c.type,
                            c.realCombining, c.upsample, m_ChannelSetup[0].ifFrequency,
                            m_ChannelSetup[1].ifFrequency);
}

int32_t CKV90T1_Comm::SetCombinerType(uint32_t type) {
    CombinerSetup c = m_Combiner;
    c.type = type;
    return SetCombinerSetup(m_nCombinerSignalBandwidth, c);
}

int32_t CKV90T1_Comm::SendCombinerSetup(SetupFamily family) {
    const CombinerSetup& c = m_Combiner;
    uint8_t request[kHeaderLength + kCombinerLength] = {};
    uint8_t* p = request + kHeaderLength;
    PutBigEndian(p + 1, 4, m_nCombinerSignalBandwidth);
    PutBigEndian(p + 5, 4, m_ChannelSetup[0].ifFrequency);
    PutBigEndian(p + 9, 4, m_ChannelSetup[1].ifFrequency);
    PutBigEndian(p + 13, 4, std::clamp<uint32_t>(c.snrFilterBandwidth, 10, 100'000));
    PutBigEndian(p + 21, 4, std::clamp<uint32_t>(c.phaseFilterBandwidth, 10, 100'000));
    uint32_t type = c.type >= 1 && c.type <= 5 ? c.type : 0;
    if (family == SetupFamily::PcmFm && type == 5) {
        type = 2;
    }
    p[25] = static_cast<uint8_t>(type | Flag(c.realCombining) << 4 | Flag(c.upsample) << 5);
    uint8_t reply[kHeaderLength + 1];
    return SendCommand(SetupCommandOf(family).writeCode | 0x05, request, kCombinerLength, reply, 1);
}

int32_t CKV90T1_Comm::SendPskCombinerSetup() {
    return SendCombinerSetup(SetupFamily::Psk);
}
int32_t CKV90T1_Comm::SendPcmFmCombinerSetup() {
    return SendCombinerSetup(SetupFamily::PcmFm);
}
int32_t CKV90T1_Comm::SendMhcpmCombinerSetup() {
    return SendCombinerSetup(SetupFamily::Mhcpm);
}

int32_t CKV90T1_Comm::ReadOutputSetup(uint32_t path) {
    if (path >= kPathCount) {
        return 0;
    }
    if (m_nOperationalMode == kModeTape) {
        return ReadTapeOutputSetup(path);
    }
    const SetupFamily family = ReadBackFamily(static_cast<int>(m_nOperationalMode));
    if (family == SetupFamily::None) {
        return 1;
    }
    const bool bitSync = family == SetupFamily::BitSync;
    const uint16_t length = bitSync ? kBitSyncOutputLength : kOutputLength;
    uint8_t reply[kHeaderLength + kOutputLength] = {};
    const uint16_t code = (SetupCommandOf(family).writeCode + 0x3000) | 0x01;
    if (SendByteCommand(code, static_cast<uint8_t>(path), reply, length) == 0) {
        return 0;
    }
    const uint8_t* p = reply + kHeaderLength;
    OutputSetup& o = m_OutputSetup[path];
    OutputDataSetup& d = m_OutputData[path];
    if (bitSync) {
        o.word1 = static_cast<uint16_t>((p[2] & 0x3F) << 8 | p[3]);
        d.firstFlag = Bit(p[7], 7);
        d.enhancedAcquisition = Bit(p[7], 6);
        d.selector = p[7] & 0x0F;
        DecodePhaseByte(p[8], &d);
        DecodePcmByte(p[10], &d);
        d.fieldA = FieldA(p[12] >> 4);
        return 1;
    }
    DecodeOutputParameters(p, &o);
    d.selector = p[11] & 0x0F;
    DecodePhaseByte(p[12], &d);
    DecodePcmByte(p[14], &d);
    d.fieldA = FieldA(p[16] >> 4);
    if (family == SetupFamily::Mhcpm) {
        d.firstFlag = Bit(p[11], 7);
    }
    if (family == SetupFamily::Psk) {
        o.word2 = static_cast<uint16_t>((p[8] & 0x3F) << 8 | p[9]);
        d.firstFlag = Bit(p[11], 7);
        d.flag2 = Bit(p[11], 6);
        d.flag3 = Bit(p[11], 5);
        d.flag4 = Bit(p[11], 4);
        d.qClockPhase = p[13] >> 6;
        d.qFlag[2] = Bit(p[13], 4);
        d.qFlag[3] = Bit(p[13], 3);
        d.qFlag[0] = Bit(p[13], 2);
        d.qFlag[1] = Bit(p[13], 1);
        d.qPcmCode = p[15] & 0x7F;
        d.qInverted = p[15] >> 7;
        d.fieldB = FieldB(p[16] & 0x0F);
    }
    return 1;
}

int32_t CKV90T1_Comm::ReadCombinerSetup() {
    const SetupFamily family = CombinerFamily(m_nOperationalMode, true);
    if (family == SetupFamily::None) {
        return 1;
    }
    ReplyBuffer<kCombinerLength> reply;
    const uint16_t code = (SetupCommandOf(family).writeCode + 0x3000) | 0x05;
    if (ReadBack(code, 0, reply) == 0) {
        return 0;
    }
    const uint8_t* p = reply.Payload();
    m_nCombinerSignalBandwidth = GetU32(p + 1);
    m_ChannelSetup[0].ifFrequency = GetU32(p + 5);
    m_ChannelSetup[1].ifFrequency = GetU32(p + 9);
    m_Combiner.snrFilterBandwidth = GetU32(p + 13);
    m_Combiner.phaseFilterBandwidth = GetU32(p + 21);
    m_Combiner.upsample = Bit(p[25], 5);
    m_Combiner.realCombining = Bit(p[25], 4);
    const uint32_t type = p[25] & 0x0F;
    m_Combiner.type = type > 5 ? 0 : type;
    return 1;
}
