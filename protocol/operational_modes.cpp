#include "protocol/operational_modes.h"

namespace protocol {
namespace {

constexpr uint32_t kAny = 0xFFFFFFFF;
constexpr Limits kUnlimited{0, kAny};
constexpr Limits kHundredths{5, 255};
constexpr Limits kAtLeast5{5, kAny};

using F = SetupFamily;
using P = PageFamily;

constexpr ModeInfo kNoMode{"",    F::None, F::None, P::PskAnalog, false,
                           false, false,   1.0f,    kUnlimited,   kUnlimited};
constexpr ModeInfo kUnknownMode{"",    F::None, F::None, P::None,    false,
                                false, false,   1.0f,    kUnlimited, kUnlimited};

// name, write, read-back, pages, PSK, UA rate, tracking,
// LDPC factor, carrier loop, loop bandwidth.
constexpr ModeInfo kModes[kModeCount] = {
    {"Bit Sync", F::BitSync, F::BitSync, P::BitSync, false, false, true, 1.0f, kHundredths,
     kAtLeast5},
    {"SS-FM/FM Video", F::PcmFm, F::PcmFm, P::PcmFm, false, false, true, 1.0f, kHundredths,
     kUnlimited},
    {"PSK", F::Psk, F::Psk, P::Psk, true, true, true, 1.0f, kHundredths, kAtLeast5},
    {"MS-PCMFM/GMSK",
     F::PcmFm,
     F::PcmFm,
     P::PcmFm,
     false,
     false,
     false,
     1.0f,
     {0, 5000},
     kAtLeast5},
    {"Analog Only", F::Psk, F::None, P::PskAnalog, false, false, false, 1.0f, kHundredths,
     kUnlimited},
    {"MHCPM", F::Mhcpm, F::Mhcpm, P::Mhcpm, false, false, false, 1.0f, {1, 1000}, {5, 100}},
    {"DAU", F::None, F::None, P::Dau, false, false, false, 1.0f, kUnlimited, kUnlimited},
    {"PSK LDPC 1/2", F::Psk, F::Psk, P::Psk, true, true, true, 2.0625f, kHundredths, kAtLeast5},
    {"PSK LDPC 2/3", F::Psk, F::Psk, P::Psk, true, true, true, 1.5625f, kHundredths, kAtLeast5},
    {"PSK LDPC 4/5", F::Psk, F::Psk, P::Psk, true, true, true, 1.3125f, kHundredths, kAtLeast5},
    {"Tape Up/Down", F::None, F::None, P::Tape, false, false, false, 1.0f, kUnlimited, kUnlimited},
    {"PSK 2xLDPC 1/2", F::Psk, F::Psk, P::Psk, true, false, true, 2.0625f, kHundredths, kAtLeast5},
    {"PSK 2xLDPC 2/3", F::Psk, F::Psk, P::Psk, true, false, true, 1.5625f, kHundredths, kAtLeast5},
    {"PSK 2xLDPC 4/5", F::Psk, F::Psk, P::Psk, true, false, true, 1.3125f, kHundredths, kAtLeast5},
};

constexpr const char* kPskSubmodes[] = {"BPSK",      "QPSK",  "OQPSK",  "SOQPSK-TG", "SOQPSK-MIL",
                                        "PM-DIRECT", "UQPSK", "UAQPSK", "AQPSK"};
constexpr const char* kPcmFmSubmodes[] = {"PCMFM", "GMSK"};

}  // namespace

const ModeInfo& ModeInfoOf(uint32_t mode) {
    if (mode == kModeNone) {
        return kNoMode;
    }
    return mode <= kModeCount ? kModes[mode - 1] : kUnknownMode;
}

const char* ModeName(int mode) {
    return ModeInfoOf(static_cast<uint32_t>(mode)).name;
}

std::string ModeLabel(int mode) {
    const char* name = ModeName(mode);
    return *name != '\0' ? name : "Unknown mode " + std::to_string(mode);
}

SetupFamily WriteFamily(int mode) {
    return ModeInfoOf(static_cast<uint32_t>(mode)).write;
}

SetupFamily ReadBackFamily(int mode) {
    return ModeInfoOf(static_cast<uint32_t>(mode)).readBack;
}

bool IsPskMode(int mode) {
    return ModeInfoOf(static_cast<uint32_t>(mode)).pskDemod;
}

const char* PskSubmodeName(uint32_t submode) {
    return submode < 9 ? kPskSubmodes[submode] : "";
}

const char* PcmFmSubmodeName(uint32_t submode) {
    return submode < 2 ? kPcmFmSubmodes[submode] : "";
}

}  // namespace protocol
