#include "protocol/operational_modes.h"

namespace protocol {
namespace {

struct ModeInfo {
    const char* name;
    SetupFamily write;
    SetupFamily readBack;
};

constexpr ModeInfo kModes[kModeCount] = {
    {"Bit Sync", SetupFamily::BitSync, SetupFamily::BitSync},
    {"SS-FM/FM Video", SetupFamily::PcmFm, SetupFamily::PcmFm},
    {"PSK", SetupFamily::Psk, SetupFamily::Psk},
    {"MS-PCMFM/GMSK", SetupFamily::PcmFm, SetupFamily::PcmFm},
    {"Analog Only", SetupFamily::Psk, SetupFamily::None},
    {"MHCPM", SetupFamily::Mhcpm, SetupFamily::Mhcpm},
    {"DAU", SetupFamily::None, SetupFamily::None},
    {"PSK LDPC 1/2", SetupFamily::Psk, SetupFamily::Psk},
    {"PSK LDPC 2/3", SetupFamily::Psk, SetupFamily::Psk},
    {"PSK LDPC 4/5", SetupFamily::Psk, SetupFamily::Psk},
    {"Tape Up/Down", SetupFamily::None, SetupFamily::None},
    {"PSK 2xLDPC 1/2", SetupFamily::Psk, SetupFamily::Psk},
    {"PSK 2xLDPC 2/3", SetupFamily::Psk, SetupFamily::Psk},
    {"PSK 2xLDPC 4/5", SetupFamily::Psk, SetupFamily::Psk},
};

constexpr const char* kPskSubmodes[] = {"BPSK",      "QPSK",  "OQPSK",  "SOQPSK-TG", "SOQPSK-MIL",
                                        "PM-DIRECT", "UQPSK", "UAQPSK", "AQPSK"};
constexpr const char* kPcmFmSubmodes[] = {"PCMFM", "GMSK"};

const ModeInfo* Find(int mode) {
    return mode >= 1 && mode <= kModeCount ? &kModes[mode - 1] : nullptr;
}

}  // namespace

const char* ModeName(int mode) {
    const ModeInfo* info = Find(mode);
    return info != nullptr ? info->name : "";
}

SetupFamily WriteFamily(int mode) {
    const ModeInfo* info = Find(mode);
    return info != nullptr ? info->write : SetupFamily::None;
}

SetupFamily ReadBackFamily(int mode) {
    const ModeInfo* info = Find(mode);
    return info != nullptr ? info->readBack : SetupFamily::None;
}

bool IsPskMode(int mode) {
    return mode == 3 || (mode >= 8 && mode <= 10) || (mode >= 12 && mode <= 14);
}

const char* PskSubmodeName(uint32_t submode) {
    return submode < 9 ? kPskSubmodes[submode] : "";
}

const char* PcmFmSubmodeName(uint32_t submode) {
    return submode < 2 ? kPcmFmSubmodes[submode] : "";
}

}  // namespace protocol
