#include "protocol/channel_setup_layout.h"

#include <algorithm>
#include <initializer_list>
#include <span>
#include <type_traits>

#include "protocol/byte_order.h"

namespace protocol {
namespace {

// Reads and writes one record field as a number, whatever its width.
struct FieldAccess {
    uint64_t (*get)(const ChannelSetup&);
    void (*set)(ChannelSetup&, uint64_t);
};

template <auto Member>
constexpr FieldAccess Field() {
    return {[](const ChannelSetup& r) -> uint64_t { return r.*Member; },
            [](ChannelSetup& r, uint64_t v) {
                r.*Member = static_cast<std::remove_reference_t<decltype(r.*Member)>>(v);
            }};
}

// A field at `offset`, `bytes` wide (big-endian), from bit `shift`. It is written with
// `writeBits` bits (a 1-bit field is set when the value is nonzero; 0: not written) and read
// back with `readBits` bits (0: not read back).
struct Placement {
    uint8_t offset;
    uint8_t bytes;
    uint8_t shift;
    uint8_t writeBits;
    uint8_t readBits;
    FieldAccess field;
};

constexpr uint64_t Mask(int bits) {
    return bits >= 64 ? ~0ull : (1ull << bits) - 1;
}

using C = ChannelSetup;

// Bytes 1 to 21, shared by the PSK, PCM/FM and multi-h CPM families.
constexpr Placement kCommon[] = {
    {1, 1, 0, 8, 2, Field<&C::inputSelect>()},
    {2, 1, 0, 8, 4, Field<&C::bandIndex>()},
    {3, 5, 0, 40, 40, Field<&C::tuningFrequency>()},
    {8, 1, 0, 7, 5, Field<&C::ifBandwidthIndex>()},
    {8, 1, 7, 1, 1, Field<&C::assistedAcquisition>()},
    {9, 1, 0, 8, 5, Field<&C::videoFilterIndex>()},
    {11, 1, 0, 7, 6, Field<&C::amFilterIndex>()},
    {11, 1, 7, 1, 1, Field<&C::amInvert>()},
    {12, 1, 0, 3, 3, Field<&C::agcTimeConstantIndex>()},
    {12, 1, 3, 1, 1, Field<&C::agcFreeze>()},
    {12, 1, 4, 1, 1, Field<&C::agcZero>()},
    {12, 1, 5, 1, 1, Field<&C::firstAgcMode>()},
    {12, 1, 6, 1, 2, Field<&C::secondAgcMode>()},
    {13, 1, 0, 7, 7, Field<&C::levelSetting>()},
    {13, 1, 7, 1, 1, Field<&C::levelSettingEnable>()},
    {15, 4, 0, 32, 32, Field<&C::bitRate>()},
    {19, 1, 0, 7, 7, Field<&C::pcmCode>()},
    {19, 1, 7, 1, 1, Field<&C::inputInverted>()},
    {20, 1, 0, 8, 8, Field<&C::codeRateSelector>()},
    {21, 1, 0, 8, 8, Field<&C::loopBandwidth>()},
};

constexpr Placement kPsk[] = {
    {23, 4, 0, 32, 32, Field<&C::qBitRate>()},
    {27, 1, 0, 7, 7, Field<&C::qPcmCode>()},
    {27, 1, 7, 1, 1, Field<&C::qInputInverted>()},
    {28, 1, 0, 8, 8, Field<&C::qCodeRateSelector>()},
    {29, 1, 0, 8, 8, Field<&C::qLoopBandwidth>()},
    {31, 1, 0, 4, 4, Field<&C::pskSubmode>()},
    {31, 1, 5, 1, 1, Field<&C::submodeOption>()},
    {31, 1, 7, 1, 1, Field<&C::matchedFilter>()},
    {32, 1, 0, 8, 8, Field<&C::srrcBeta>()},
    {33, 1, 0, 8, 8, Field<&C::carrierLoopBandwidth>()},
    {34, 1, 0, 8, 8, Field<&C::pskSettingByte>()},
    {35, 4, 0, 32, 32, Field<&C::ifFrequency>()},
    {39, 4, 0, 32, 32, Field<&C::acquisitionRange>()},
};

// Byte 10 and bytes 22 to 39 of the PCM/FM and multi-h CPM families. Multi-h CPM sends zeros
// for de-emphasis and SS-FM invert (its range rules clear them) and reads them back alike.
constexpr Placement kFmShared[] = {
    {10, 1, 0, 2, 2, Field<&C::deEmphasis>()},
    {10, 1, 2, 1, 1, Field<&C::ssfmInvert>()},
    {23, 1, 5, 1, 1, Field<&C::submodeOption>()},
    {24, 2, 0, 16, 16, Field<&C::carrierLoopBandwidth>()},
    {26, 4, 0, 32, 32, Field<&C::ifFrequency>()},
    {30, 4, 0, 32, 32, Field<&C::acquisitionRange>()},
};

constexpr Placement kPcmFm[] = {
    {23, 1, 0, 1, 4, Field<&C::pcmFmSubmode>()},
    {35, 1, 0, 8, 8, Field<&C::minModIndex>()},
    {36, 1, 0, 8, 8, Field<&C::maxModIndex>()},
    {37, 1, 0, 8, 8, Field<&C::startModIndex>()},
    {38, 1, 7, 1, 1, Field<&C::modIndexTracking>()},
    {38, 2, 0, 11, 11, Field<&C::modulationWord>()},
};

constexpr Placement kMhcpm[] = {
    {38, 2, 0, 15, 15, Field<&C::modulationWord>()},
};

constexpr Placement kBitSync[] = {
    {3, 1, 0, 7, 5, Field<&C::ifBandwidthIndex>()},
    {3, 1, 7, 1, 1, Field<&C::assistedAcquisition>()},
    {4, 4, 0, 32, 32, Field<&C::bitRate>()},
    {8, 1, 0, 7, 7, Field<&C::pcmCode>()},
    {8, 1, 7, 1, 1, Field<&C::inputInverted>()},
    {9, 1, 0, 8, 8, Field<&C::codeRateSelector>()},
    {10, 1, 0, 8, 8, Field<&C::loopBandwidth>()},
    {11, 1, 7, 1, 1, Field<&C::matchedFilter>()},
    {11, 1, 5, 2, 2, Field<&C::singleEndedTermination>()},
    {11, 1, 3, 2, 2, Field<&C::basebandInput>()},
    {11, 1, 2, 1, 1, Field<&C::differentialTermination>()},
    {12, 1, 0, 8, 8, Field<&C::srrcBeta>()},
};

struct FamilyLayout {
    ChannelSetupCommand command;
    std::span<const Placement> parts[3];
};

const FamilyLayout& LayoutOf(SetupFamily family) {
    static const FamilyLayout kPskLayout{{0x1100, 44, 25, 0x4100, 44}, {kCommon, kPsk, {}}};
    static const FamilyLayout kPcmFmLayout{{0x1200, 40, 20, 0x4200, 41},
                                           {kCommon, kFmShared, kPcmFm}};
    static const FamilyLayout kMhcpmLayout{{0x1300, 40, 20, 0x4300, 41},
                                           {kCommon, kFmShared, kMhcpm}};
    static const FamilyLayout kBitSyncLayout{{0x1400, 14, 9, 0x4400, 14}, {kBitSync, {}, {}}};
    switch (family) {
        case SetupFamily::PcmFm:
            return kPcmFmLayout;
        case SetupFamily::Mhcpm:
            return kMhcpmLayout;
        case SetupFamily::BitSync:
            return kBitSyncLayout;
        default:
            return kPskLayout;
    }
}

void Pack(const Placement& p, const ChannelSetup& record, uint8_t* payload) {
    if (p.writeBits == 0) {
        return;
    }
    uint64_t value = p.field.get(record);
    value = p.writeBits == 1 ? (value != 0) : (value & Mask(p.writeBits));
    const uint64_t current = GetBigEndian(payload + p.offset, p.bytes);
    PutBigEndian(payload + p.offset, p.bytes, current | (value << p.shift));
}

void Unpack(const Placement& p, const uint8_t* payload, ChannelSetup* record) {
    if (p.readBits != 0) {
        const uint64_t raw = GetBigEndian(payload + p.offset, p.bytes);
        p.field.set(*record, (raw >> p.shift) & Mask(p.readBits));
    }
}

uint32_t ZeroUnlessFlag(uint32_t value) {
    return value > 1 ? 0 : value;
}

// Bit rate maximum, then the floor for symbol rates below 1000.
uint32_t CorrectedBitRate(uint32_t bitRate, uint32_t pcmCode, uint32_t maximum) {
    bitRate = std::min(bitRate, maximum);
    if (SymbolRate(bitRate, pcmCode) < 1000) {
        bitRate = IsBiPhase(pcmCode) ? 500 : 1000;
    }
    return bitRate;
}

// Two-valued fields that the family sends: anything but 0 or 1 is sent and stored as 0.
void CorrectBinaryFlags(ChannelSetup& r, SetupFamily family) {
    auto correct = [](std::initializer_list<uint32_t*> flags) {
        for (uint32_t* flag : flags) {
            *flag = ZeroUnlessFlag(*flag);
        }
    };
    if (family == SetupFamily::BitSync) {
        correct({&r.inputInverted, &r.matchedFilter, &r.differentialTermination});
        return;
    }
    correct(
        {&r.amInvert, &r.secondAgcMode, &r.levelSettingEnable, &r.inputInverted, &r.submodeOption});
    if (family == SetupFamily::Psk) {
        correct({&r.qInputInverted, &r.matchedFilter});
    }
}

void CorrectReceiverFields(ChannelSetup& r) {
    if (r.inputSelect > 2) {
        r.inputSelect = 0;
    }
    if (r.bandIndex > 9) {
        r.bandIndex = 0;
    }
    r.amFilterIndex = std::min<uint8_t>(r.amFilterIndex, 31);
    if (r.agcTimeConstantIndex > 7) {
        r.agcTimeConstantIndex = 0;
    }
    r.levelSetting = std::min<uint8_t>(r.levelSetting, 99);
    r.ifFrequency = std::min<uint32_t>(r.ifFrequency, 100'000'000);
}

// The carrier loop and acquisition limits of the PCM/FM and multi-h CPM families.
void CorrectFmCarrier(ChannelSetup& r) {
    r.carrierLoopBandwidth = std::min<uint16_t>(r.carrierLoopBandwidth, 5000);
    r.acquisitionRange = std::clamp<uint32_t>(r.acquisitionRange, 1000, 2'000'000);
}

void CorrectFamilyFields(ChannelSetup& r, SetupFamily family) {
    switch (family) {
        case SetupFamily::Psk:
            r.videoFilterIndex = std::min<uint8_t>(r.videoFilterIndex, 15);
            r.qBitRate = CorrectedBitRate(r.qBitRate, r.qPcmCode, 60'000'000);
            if (r.pskSubmode > 8) {
                r.pskSubmode = 0;
            }
            r.srrcBeta = std::min<uint8_t>(r.srrcBeta, 100);
            r.carrierLoopBandwidth = std::clamp<uint16_t>(r.carrierLoopBandwidth, 5, 255);
            r.pskSettingByte = std::min<uint8_t>(r.pskSettingByte, 157);
            r.acquisitionRange = std::clamp<uint32_t>(r.acquisitionRange, 500, 400'000);
            break;
        case SetupFamily::PcmFm:
            r.videoFilterIndex = std::min<uint8_t>(r.videoFilterIndex, 15);
            if (r.deEmphasis > 3) {
                r.deEmphasis = 0;
            }
            r.ssfmInvert = ZeroUnlessFlag(r.ssfmInvert);
            if (r.pcmFmSubmode > 1) {
                r.pcmFmSubmode = 0;
            }
            if (r.pcmFmSubmode == 1) {
                PresetGmskModIndexes(r);
            }
            CorrectFmCarrier(r);
            break;
        case SetupFamily::Mhcpm:
            r.videoFilterIndex = 0;
            r.deEmphasis = 0;
            r.ssfmInvert = 0;
            CorrectFmCarrier(r);
            break;
        case SetupFamily::BitSync:
            r.srrcBeta = std::min<uint8_t>(r.srrcBeta, 100);
            if (r.basebandInput > 3) {
                r.basebandInput = 0;
            }
            if (r.singleEndedTermination > 3) {
                r.singleEndedTermination = 0;
            }
            break;
        case SetupFamily::None:
            break;
    }
}

}  // namespace

void PresetGmskModIndexes(ChannelSetup& record) {
    record.maxModIndex = 29;
    record.minModIndex = 19;
    record.startModIndex = 24;
    record.modIndexTracking = 0;
}

const ChannelSetupCommand& SetupCommandOf(SetupFamily family) {
    return LayoutOf(family).command;
}

ChannelSetup RangeCorrected(const ChannelSetup& record, SetupFamily family, ChannelSetup* stored) {
    ChannelSetup r = record;
    const bool bitSync = family == SetupFamily::BitSync;
    r.ifBandwidthIndex = std::min<uint8_t>(r.ifBandwidthIndex, 31);
    r.bitRate = CorrectedBitRate(r.bitRate, r.pcmCode, bitSync ? 30'000'000 : 60'000'000);
    CorrectBinaryFlags(r, family);
    if (!bitSync) {
        CorrectReceiverFields(r);
    }
    CorrectFamilyFields(r, family);
    *stored = r;
    if (!bitSync && r.firstAgcMode > 1) {
        r.firstAgcMode = 0;
        stored->firstAgcMode = 1;
    }
    return r;
}

void PackChannelSetup(SetupFamily family, uint8_t path, const ChannelSetup& record,
                      uint8_t* payload) {
    const FamilyLayout& layout = LayoutOf(family);
    std::fill(payload, payload + layout.command.requestLength, 0);
    payload[0] = path;
    for (const auto& part : layout.parts) {
        for (const Placement& placement : part) {
            Pack(placement, record, payload);
        }
    }
}

void DecodeChannelReadBack(SetupFamily family, const uint8_t* payload, ChannelSetup* record) {
    for (const auto& part : LayoutOf(family).parts) {
        for (const Placement& placement : part) {
            Unpack(placement, payload, record);
        }
    }
    if (record->bandIndex > 9) {
        record->bandIndex = 0;
    }
    switch (family) {
        case SetupFamily::Psk:
            record->deEmphasis = 0;
            record->ssfmInvert = 0;
            record->modulationWord = 0;
            break;
        case SetupFamily::Mhcpm:
            record->maxModIndex = 44;
            record->minModIndex = 24;
            record->startModIndex = 34;
            record->modIndexTracking = 0;
            break;
        case SetupFamily::BitSync:
            record->modulationWord = 0;
            break;
        default:
            break;
    }
}

void DecodeSetupReply(SetupFamily family, const uint8_t* payload, ChannelSetup* record) {
    if (family == SetupFamily::BitSync) {
        record->bitRate = GetU32(payload);
        record->bandIndex = 0;
        record->ifFrequency = 0;
        return;
    }
    const uint32_t band = payload[0] & 0x0F;
    record->bandIndex = band > 9 ? 0 : band;
    record->bitRate = GetU32(payload + 1);
    if (family == SetupFamily::Psk) {
        record->qBitRate = GetU32(payload + 5);
        record->ifFrequency = GetU32(payload + 9);
    } else {
        record->ifFrequency = GetU32(payload + 5);
    }
}

}  // namespace protocol
