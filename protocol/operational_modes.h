#pragma once
// The operational modes (demodulator personalities): the one table that knows what a mode is,
// its name, its setup families, the pages it shows and the limits the device takes in it.

#include <cstdint>
#include <string>

namespace protocol {

constexpr int kModeCount = 14;

// The codes the device uses.
enum OperationalMode : uint32_t {
    kModeNone = 0,
    kModeBitSync = 1,
    kModeSsFmVideo = 2,
    kModePsk = 3,
    kModeMsPcmFmGmsk = 4,
    kModeAnalogOnly = 5,
    kModeMhcpm = 6,
    kModeDau = 7,
    kModePskLdpc12 = 8,
    kModePskLdpc23 = 9,
    kModePskLdpc45 = 10,
    kModeTape = 11,
    kModePsk2xLdpc12 = 12,
    kModePsk2xLdpc23 = 13,
    kModePsk2xLdpc45 = 14,
};

enum class SetupFamily { None, Psk, PcmFm, Mhcpm, BitSync };

// The pages the three channel tabs show. PskAnalog: the PSK pages of paths whose demodulator
// does not run (Analog Only, and before a mode was read). None for a code the table does not
// know, which has no setup pages.
enum class PageFamily { Psk, PskAnalog, BitSync, PcmFm, Mhcpm, Dau, Tape, None };

struct Limits {
    uint32_t low;
    uint32_t high;
};

struct ModeInfo {
    const char* name;        // "" for codes the table does not know
    SetupFamily write;       // the family whose setup command the mode sends
    SetupFamily readBack;    // the family whose read-back it uses
    PageFamily pages;        // none for unknown codes; PSK analog before a mode was read
    bool pskDemod;           // the PSK demodulator with its Q path
    bool showsUaRate;        // the status panel shows the symbol UA rate
    bool trackingDefaults;   // the mode defaults follow the tracking-loop rule
    float ldpcFactor;        // how much the LDPC code rate widens the signal
    Limits carrierLoop;      // carrier loop bandwidths the device accepts
    Limits loopBandwidth;    // loop bandwidths are brought into this range
};

const ModeInfo& ModeInfoOf(uint32_t mode);

// "Bit Sync", "PSK", ... for modes 1 to 14; an empty text otherwise.
const char* ModeName(int mode);
// The name, or "Unknown mode N" for a code the table does not know.
std::string ModeLabel(int mode);
// The family whose setup command a mode sends (mode 5 sends PSK; 7 and 11 send none).
SetupFamily WriteFamily(int mode);
// The family whose read-back a mode uses (none for 5, 7 and 11 and unknown modes).
SetupFamily ReadBackFamily(int mode);
// Modes 3, 8 to 10 and 12 to 14: the PSK demodulator with its Q path.
bool IsPskMode(int mode);
// The two PCM/FM modes.
constexpr bool IsPcmFmMode(uint32_t mode) {
    return mode == kModeSsFmVideo || mode == kModeMsPcmFmGmsk;
}

constexpr uint32_t kPskSubmodeOqpsk = 2;
// QPSK, OQPSK, UQPSK, UAQPSK and AQPSK carry a Q stream.
constexpr bool PskSubmodeHasQPath(uint32_t submode) {
    return submode == 1 || submode == 2 || submode == 6 || submode == 7 || submode == 8;
}

// PSK submodes 0 to 8 and PCM/FM submodes 0 and 1 by name.
const char* PskSubmodeName(uint32_t submode);
const char* PcmFmSubmodeName(uint32_t submode);

}  // namespace protocol
