// Operational mode, system pages, installed options, the configuration sequence and the mode
// defaults.

#include <algorithm>

#include "protocol/CKV90T1_Comm.h"
#include "protocol/byte_order.h"

using namespace protocol;

namespace {

constexpr uint16_t kReadOperationalMode = 0x2000;
constexpr uint16_t kReadInstalledOptions = 0x1008;
constexpr uint16_t kReadLevelSettings = 0x100A;

uint32_t Pair(const uint16_t* words, int first) {
    return uint32_t(words[first]) << 16 | words[first + 1];
}

uint8_t Bit0(const uint8_t* reply, int byte) {
    return Bit(reply[byte], 0);
}

}  // namespace

int32_t CKV90T1_Comm::ReadOperationalMode() {
    ReplyBuffer<23> reply;
    const int32_t result = ReadBack(kReadOperationalMode, reply);
    const uint8_t* p = reply.Payload();
    m_Config.hardwareConfigurationId = GetU16(p);
    m_nOperationalMode = p[2] & 0x7F;
    m_bModeOption = p[2] >> 7;
    std::copy(p + 3, p + 3 + kModeListLength, m_ModeList);
    // The device sends its list last mode first.
    const auto used = std::count_if(m_ModeList, m_ModeList + kModeListLength,
                                    [](uint8_t mode) { return mode != 0; });
    std::reverse(m_ModeList, m_ModeList + used);
    return result;
}

int32_t CKV90T1_Comm::ReadBackOperationalMode() {
    const uint16_t hardware = m_Config.hardwareConfigurationId;
    const uint32_t mode = m_nOperationalMode;
    const uint8_t option = m_bModeOption;
    uint8_t list[kModeListLength];
    std::copy(std::begin(m_ModeList), std::end(m_ModeList), list);
    if (ReadOperationalMode() != 0) {
        if (m_nOperationalMode != mode) {
            ApplyModeDefaults();
        }
        return 1;
    }
    m_Config.hardwareConfigurationId = hardware;
    m_nOperationalMode = mode;
    m_bModeOption = option;
    std::copy(list, list + kModeListLength, m_ModeList);
    return 0;
}

int32_t CKV90T1_Comm::ReadSystemPages() {
    SystemPages& s = m_SystemPages;
    s = SystemPages{};
    if (ReadParameterPage(2) == 0) {
        return 0;
    }
    const uint16_t* w = m_PageBuffer;
    s.networkUpdatePermitted = w[60] & 1;
    s.setupsAllowSaving = w[61] & 1;
    s.setupsUseAtBoot = (w[61] >> 1) & 1;
    s.setupsCh1 = (w[61] >> 7) & 1;
    s.setupsCh2 = (w[61] >> 6) & 1;
    s.setupsCh3 = (w[61] >> 5) & 1;
    s.page2Word12Set = w[12] != 0;
    s.page2Word19Set = w[19] != 0;
    s.configurationMemory = w[43] >= 1 && w[43] <= 11 ? w[43] : 0;
    s.page2Values15_18[0] = Pair(w, 15);
    s.page2Values15_18[1] = Pair(w, 17);
    s.page2Values8_11[0] = Pair(w, 8);
    s.page2Values8_11[1] = Pair(w, 10);
    std::copy(w + 44, w + 56, s.memoryPersonalities);
    for (int i = 0; i < 8; ++i) {
        s.memoryImageWords[i] = Pair(w, 27 + 2 * i);
    }
    if (ReadParameterPage(3) == 0) {
        return 0;
    }
    for (int i = 0; i < 4; ++i) {
        s.memoryImageWords[8 + i] = Pair(w, 2 * i);
    }
    std::copy(w + 32, w + 44, s.page3Words32_43);
    return 1;
}

int32_t CKV90T1_Comm::ReadInstalledOptions() {
    ReplyBuffer<256> reply;
    if (ReadBack(kReadInstalledOptions, reply) == 0) {
        return 0;
    }
    const uint8_t* p = reply.Payload();
    InstalledOptions& o = m_Options;
    o.optionWord = GetU16(p);
    o.channel1Installed = p[5] & 1;
    o.channel2Installed = Bit(p[5], 1);
    if ((p[5] & 3) == 0) {
        o.channel1Installed = 1;
    }
    for (int channel = 0; channel < 2; ++channel) {
        if ((channel == 0 ? o.channel1Installed : o.channel2Installed) == 0) {
            std::fill(&m_Config.bandLimits[channel][0][0],
                      &m_Config.bandLimits[channel][0][0] + kBandCount * 2, uint64_t{0});
        }
    }
    o.combinerInstalled = 0;
    if (o.channel1Installed && o.channel2Installed && (p[5] & 4) != 0) {
        o.combinerInstalled = (p[5] & 8) != 0 ? 2 : 1;
    }
    int slot = 0;
    for (int submode = 0; submode < kPskSubmodeSlots; ++submode) {
        o.pskSubmodeAvailable[submode] = Bit0(p, 13 + 2 * submode);
        if (o.pskSubmodeAvailable[submode]) {
            o.pskSubmodes[slot++] = static_cast<uint8_t>(submode);
        }
    }
    std::fill(o.pskSubmodes + slot, o.pskSubmodes + kPskSubmodeSlots, uint8_t{9});
    o.pcmFmSubmodeAvailable[0] = Bit0(p, 11);
    o.pcmFmSubmodeAvailable[1] = Bit0(p, 33);
    slot = 0;
    for (uint8_t submode = 0; submode < kPcmFmSubmodeSlots; ++submode) {
        if (o.pcmFmSubmodeAvailable[submode]) {
            o.pcmFmSubmodes[slot++] = submode;
        }
    }
    std::fill(o.pcmFmSubmodes + slot, o.pcmFmSubmodes + kPcmFmSubmodeSlots, uint8_t{2});
    o.recorderInstalled = Bit0(p, 7);
    o.byte9 = Bit0(p, 9);
    o.byte31 = Bit0(p, 31);
    o.byte61 = Bit0(p, 61);
    o.byte67 = Bit0(p, 67);
    o.byte71 = Bit0(p, 71);
    o.timeFlag2Available = Bit0(p, 73);
    o.byte79 = Bit0(p, 79);
    o.setupSavingOptions = p[81] & 3;
    o.byte69Bits0_2 = p[69] & 7;
    o.byte129Bits0_2 = p[129] & 7;
    o.byte77Bits2_3 = (p[77] >> 2) & 3;
    o.byte143Bits0_5 = p[143] & 0x3F;
    o.byte161 = Bit0(p, 161);
    o.byte177 = Bit0(p, 177);
    o.byte181 = Bit0(p, 181);
    o.value64_65 = GetU16(p + 64);
    o.value74_75 = GetU16(p + 74);
    o.value192_195 = GetU32(p + 192);
    o.value196_199 = GetU32(p + 196);
    return 1;
}

// Takes the values of one configuration page from the page buffer, gated by the boards fitted.
void CKV90T1_Comm::DecodeConfigurationPage(uint8_t page) {
    const uint16_t* w = m_PageBuffer;
    DeviceConfiguration& c = m_Config;
    const uint16_t id = c.hardwareConfigurationId;
    switch (page) {
        case 4:
            c.hardwareConfigurationId = w[15];
            break;
        case 5:
            std::copy(w, w + 6, c.bitSyncTerminations);
            break;
        case 7:
            for (int channel = 0; channel < 2; ++channel) {
                for (int band = 0; band < kBandCount; ++band) {
                    for (int edge = 0; edge < 2; ++edge) {
                        const uint16_t mhz = w[32 * channel + 2 * band + edge];
                        c.bandLimits[channel][band][edge] =
                            BoardsOf(id).rf ? uint64_t(mhz) * 1'000'000 : 0;
                    }
                }
            }
            break;
        case 9:
        case 10:
            for (int table = 0; table < (page == 9 ? 2 : 1); ++table) {
                uint32_t* entries = c.ifBandwidth[page == 9 ? table : 2];
                for (int i = 0; i < kIfBandwidthEntries; ++i) {
                    entries[i] = BoardsOf(id).demod ? uint32_t(w[32 * table + i]) * 1000 : 0;
                }
            }
            break;
        case 12:
            for (int table = 0; table < 2; ++table) {
                uint32_t count = 0;
                for (int i = 0; i < kVideoFilterEntries; ++i) {
                    const uint32_t hz =
                        BoardsOf(id).ifAnalog ? uint32_t(w[32 * table + i]) * 1000 : 0;
                    c.videoFilter[table][i] = hz;
                    if (hz != 0 && count == uint32_t(i)) {
                        ++count;
                    }
                }
                c.videoFilterCount[table] = count;
            }
            break;
        case 15:
        case 16:
            for (int i = 0; i < kAmFilterEntries; ++i) {
                c.amFilter[page - 15][i] = BoardsOf(id).ifAnalog ? w[i] : 0;
            }
            break;
        case 18:
        case 19: {
            const int channel = page - 18;
            for (int i = 0; i < kAgcTimeConstantEntries; ++i) {
                c.agcTimeConstant[channel][i] = BoardsOf(id).ifAnalog ? w[i] : 0;
            }
            for (int band = 0; band < kBandCount; ++band) {
                RssiCalibration& cal = c.rssiCalibration[channel][band];
                cal.gain = BoardsOf(id).rf ? int16_t(w[22 + 2 * band]) / 10000.0f : 0;
                cal.offset = BoardsOf(id).rf ? int16_t(w[23 + 2 * band]) / 10.0f : 0;
            }
            break;
        }
        default:
            break;
    }
}

// Sets each record's IF bandwidth and video filter indices to the first table entries that
// pass its estimated bandwidths.
void CKV90T1_Comm::PickFilterIndices() {
    for (uint32_t path = 0; path < kPathCount; ++path) {
        ChannelSetup& r = m_ChannelSetup[path];
        EstimateIfBandwidth(path, r.codeRateSelector, r.pcmCode, r.pskSubmode, r.bitRate, 0,
                            r.maxModIndex, r.startModIndex, 1.0f);
        const uint32_t* table = m_Config.ifBandwidth[path];
        const auto fits = std::find_if(table, table + kIfBandwidthEntries, [&](uint32_t hz) {
            return hz >= m_Estimates[path].ifBandwidth;
        });
        r.ifBandwidthIndex =
            static_cast<uint8_t>(fits == table + kIfBandwidthEntries ? 31 : fits - table);
        if (path < 2) {
            EstimateVideoBandwidth(path, r.deEmphasis, r.pcmCode, r.bitRate, 0.7f);
            const uint32_t* video = m_Config.videoFilter[path];
            const auto passes = std::find_if(video, video + kVideoFilterEntries, [&](uint32_t hz) {
                return hz >= m_Estimates[path].videoBandwidth;
            });
            r.videoFilterIndex =
                static_cast<uint8_t>(passes == video + kVideoFilterEntries ? 15 : passes - video);
        }
    }
}

int32_t CKV90T1_Comm::ReadLevelSettings() {
    ReplyBuffer<4> reply;
    const int32_t result = ReadBack(kReadLevelSettings, reply);
    m_ChannelSetup[0].levelSetting =
        static_cast<uint8_t>(99 - std::min<uint8_t>(reply.Payload()[1], 99));
    m_ChannelSetup[1].levelSetting =
        static_cast<uint8_t>(99 - std::min<uint8_t>(reply.Payload()[3], 99));
    return result;
}

int32_t CKV90T1_Comm::ReadDeviceConfiguration() {
    bool ok = ReadOperationalMode() != 0;
    ok = ok && ReadSystemPages() != 0;
    // Each page is read only while everything before it succeeded; its values are taken from
    // the page buffer in any case.
    for (uint8_t page : {4, 5, 6, 7, 9, 10, 12, 13, 15, 16, 18, 19}) {
        ok = ok && ReadParameterPage(page) != 0;
        DecodeConfigurationPage(page);
    }
    PickFilterIndices();
    if (ok) {
        ok = ReadLevelSettings() != 0;
        ok = ok && ReadParameterPage(31) != 0;
        ok = ok && ReadInstalledOptions() != 0;
    }
    m_Config.configurationRead = 1;
    ApplyModeDefaults();
    return ok ? 1 : 0;
}

namespace {

struct RateDefaults {
    uint32_t acquisitionRange;
    uint8_t loopBandwidth;
};

enum RateBand { kLow, kMiddle, kHigh };

RateBand BandOf(uint64_t symbolRate) {
    return symbolRate < 50'000 ? kLow : symbolRate < 5'000'000 ? kMiddle : kHigh;
}

uint32_t HalfCapped(uint64_t symbolRate) {
    return static_cast<uint32_t>(std::min<uint64_t>(symbolRate / 2, 200'000));
}

}  // namespace

void CKV90T1_Comm::ApplyModeDefaults() {
    const uint32_t mode = m_nOperationalMode;
    const bool tracking = ModeInfoOf(mode).trackingDefaults;
    if (!tracking && mode != kModeMsPcmFmGmsk && mode != kModeMhcpm) {
        return;
    }
    for (ChannelSetup& r : m_ChannelSetup) {
        const uint64_t rate = SymbolRate(r.bitRate, r.pcmCode);
        const RateBand band = BandOf(rate);
        if (tracking) {
            static constexpr uint8_t kLoop[] = {200, 100, 50};
            const uint32_t acquisition[] = {static_cast<uint32_t>(rate / 2), HalfCapped(rate),
                                            200'000};
            r.acquisitionRange = acquisition[band];
            r.loopBandwidth = kLoop[band];
            r.carrierLoopBandwidth = kLoop[band];
            r.qLoopBandwidth = kLoop[BandOf(SymbolRate(r.qBitRate, r.qPcmCode))];
            continue;
        }
        const bool pcmFm = mode == kModeMsPcmFmGmsk;
        const RateDefaults defaults[] = {{100'000, uint8_t(pcmFm ? 200 : 100)},
                                         {HalfCapped(rate), uint8_t(pcmFm ? 100 : 50)},
                                         {500'000, uint8_t(pcmFm ? 50 : 10)}};
        r.acquisitionRange = defaults[band].acquisitionRange;
        r.loopBandwidth = defaults[band].loopBandwidth;
        r.carrierLoopBandwidth = pcmFm ? 500 : 5;
        r.qLoopBandwidth = pcmFm ? 100 : 50;
    }
}
