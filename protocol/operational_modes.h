#pragma once
// The operational modes (demodulator personalities), their names and setup families.

#include <cstdint>

namespace protocol {

constexpr int kModeCount = 14;

enum class SetupFamily { None, Psk, PcmFm, Mhcpm, BitSync };

// "Bit Sync", "PSK", ... for modes 1 to 14; an empty text otherwise.
const char* ModeName(int mode);
// The family whose setup command a mode sends (mode 5 sends PSK; 7 and 11 send none).
SetupFamily WriteFamily(int mode);
// The family whose read-back a mode uses (none for 5, 7 and 11 and unknown modes).
SetupFamily ReadBackFamily(int mode);
// Modes 3, 8 to 10 and 12 to 14: the PSK demodulator with its Q path.
bool IsPskMode(int mode);

// PSK submodes 0 to 8 and PCM/FM submodes 0 and 1 by name.
const char* PskSubmodeName(uint32_t submode);
const char* PcmFmSubmodeName(uint32_t submode);

}  // namespace protocol
