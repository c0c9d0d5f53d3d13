#pragma once
// The texts of the receiver setup pages: what the operator types turned into the values the
// device takes, values turned into what the pages show, and the shared value tables.

#include <array>
#include <cstdint>
#include <string>

#include "protocol/pcm_codes.h"

namespace setup {

using protocol::kPcmCodes;
using protocol::PcmCodeRow;
extern const char* const kInputSelects[3];
extern const char* const kAgcModes[3];
extern const char* const kDeEmphases[4];
extern const char* const kClockPhases[4];
extern const char* const kCombinerTypes[6];

// "Normal AGC", "Linear AGC" or "Mode 1 AGC" from the two AGC-mode flags, as its row.
int AgcModeRow(uint32_t firstFlag, uint32_t secondFlag);

// Every conversion of typed text is defined for any text: a part without digits, a leading
// minus, "nan" and "inf" read as 0 or as the nearest limit, never as a wrapped value.

// The number a text starts with (strtod); 0 for none and for "nan", and never beyond
// +-kTextNumberLimit, so that scaling it stays within every integer type the pages use.
constexpr double kTextNumberLimit = 1e12;
double NumberFromText(const std::string& text);

// The index of the first of `entries` filters (`width(i)` wide) at least `estimate` wide; the
// last index when none is.
template <typename Width>
uint32_t FirstFilterAtLeast(uint32_t entries, float estimate, Width width) {
    for (uint32_t i = 0; i < entries; ++i) {
        if (width(i) >= estimate) {
            return i;
        }
    }
    return entries - 1;
}

// Megahertz text to hertz: the digits before the first "." are megahertz, up to six digits
// after the last "." are the fraction. "70.5" gives 70,500,000; "1.2.3" gives 1,300,000. A part
// that does not start with a digit ("-5") reads 0; megahertz beyond the 64-bit range saturate.
uint64_t MegahertzTextToHertz(const std::string& text);
// The same for a 32-bit field: hertz beyond it become 4,294,967,295.
uint32_t MegahertzTextToHertz32(const std::string& text);
// The number x `scale`, rounded, brought into low .. high.
uint32_t ScaledFromText(const std::string& text, double scale, uint32_t low, uint32_t high);
// Commas removed, cut to 8 characters, read as a decimal integer; a negative number gives 0.
uint32_t GroupedFromText(const std::string& text);
// Commas removed, the leading digits as an unsigned 32-bit number, saturating; none gives 0.
uint32_t UnsignedFromText(const std::string& text);

// The tape converters' DACs. Baseband: volts x 11130, rounded; a value outside 0 .. 32767
// (a negative one included) becomes 32767; shown as value / 11130 with "%.1f". IF:
// 131071 x 10^((dBm + 6.47) / 20), rounded, at most 131071; shown as 20 log10(value / 131071)
// - 6.47 with "%.1f", and -110.0 for 0.
uint16_t BasebandDacFromVolts(const std::string& text);
std::string BasebandDacText(uint16_t value);
uint32_t IfDacFromDbm(const std::string& text);
std::string IfDacText(uint32_t value);
// Commas removed, cut to 8 characters, read as a signed decimal; negative or above `maximum`
// gives `maximum`.
uint32_t BitRateFromText(const std::string& text, uint32_t maximum);
// Hundredths of the number, rounded, low 8 bits, at least 5.
uint8_t HundredthsFromText(const std::string& text);
// A modulation index 0.01 to 2.56 as its byte: index x 100 - 1.
uint8_t ModIndexFromText(const std::string& text);

// "300 Hz", "25.0 KHz", "1.5 MHz".
std::string FrequencyText(uint32_t hertz);
// Megahertz with trailing zeros trimmed: "2250.5", "70.0".
std::string MegahertzText(uint64_t hertz);
// "%.2f" of (byte + 1) / 100.
std::string ModIndexText(uint8_t byte);
// An AGC time constant in units of 100 us: "500 µsecs", "1 millisecond", "2 millisecs", ...
std::string AgcTimeConstantText(uint32_t units);
// The five band statics of a channel's ten bands (pairs of hertz), empty where none is left.
std::array<std::string, 5> BandTexts(const uint64_t (&bands)[10][2]);

}  // namespace setup
