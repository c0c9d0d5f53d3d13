#include "pages/setup/setup_text.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace setup {

const char* const kInputSelects[3] = {"Standard RF", "Modulator IF", "BB Bit Sync"};
const char* const kAgcModes[3] = {"Normal AGC", "Linear AGC", "Mode 1 AGC"};
const char* const kDeEmphases[4] = {"Bypass", "NTSC", "PAL", "Analog PCM"};
const char* const kClockPhases[4] = {"  0\u00b0", " 90\u00b0", "180\u00b0", "270\u00b0"};
const char* const kCombinerTypes[6] = {"MRC", "EGC", "BSC", "CH1 Only", "CH2 Only", "SWBSC"};

namespace {

// Trailing zeros removed; a text then ending in "." gets one "0" back.
std::string Trimmed(std::string text) {
    while (!text.empty() && text.back() == '0') {
        text.pop_back();
    }
    if (!text.empty() && text.back() == '.') {
        text += '0';
    }
    return text;
}

}  // namespace

int AgcModeRow(uint32_t firstFlag, uint32_t secondFlag) {
    if (firstFlag != 0 || secondFlag > 1) {
        return 0;
    }
    return secondFlag == 0 ? 1 : 2;
}

double NumberFromText(const std::string& text) {
    const double value = std::strtod(text.c_str(), nullptr);
    if (std::isnan(value)) {
        return 0;
    }
    return std::clamp(value, -kTextNumberLimit, kTextNumberLimit);
}

namespace {

// The leading decimal digits (after blanks), saturating at `maximum`; 0 when there are none.
uint64_t LeadingDigits(const std::string& text, uint64_t maximum) {
    size_t at = text.find_first_not_of(" \t");
    uint64_t value = 0;
    for (; at < text.size() && std::isdigit(static_cast<unsigned char>(text[at])); ++at) {
        const uint64_t digit = static_cast<uint64_t>(text[at] - '0');
        if (value > (maximum - digit) / 10) {
            return maximum;
        }
        value = value * 10 + digit;
    }
    return value;
}

std::string WithoutCommas(const std::string& text) {
    std::string digits;
    for (char c : text) {
        if (c != ',') {
            digits += c;
        }
    }
    return digits;
}

// Commas removed and cut to 8 characters.
std::string UngroupedPrefix(const std::string& text) {
    return WithoutCommas(text).substr(0, 8);
}

}  // namespace

uint64_t MegahertzTextToHertz(const std::string& text) {
    const std::string whole = text.substr(0, text.find('.'));
    std::string fraction =
        text.find('.') == std::string::npos ? "" : text.substr(text.rfind('.') + 1);
    fraction = fraction.substr(0, 6);
    fraction.append(6 - fraction.size(), '0');
    constexpr uint64_t kMaximumMegahertz = (UINT64_MAX - 999'999) / 1'000'000;
    return LeadingDigits(whole, kMaximumMegahertz) * 1'000'000 + LeadingDigits(fraction, 999'999);
}

uint32_t MegahertzTextToHertz32(const std::string& text) {
    return static_cast<uint32_t>(std::min<uint64_t>(MegahertzTextToHertz(text), UINT32_MAX));
}

uint32_t ScaledFromText(const std::string& text, double scale, uint32_t low, uint32_t high) {
    const double value = std::round(NumberFromText(text) * scale);
    return static_cast<uint32_t>(std::clamp(value, double(low), double(high)));
}

uint32_t GroupedFromText(const std::string& text) {
    const long value = std::strtol(UngroupedPrefix(text).c_str(), nullptr, 10);
    return value < 0 ? 0 : static_cast<uint32_t>(value);
}

uint32_t UnsignedFromText(const std::string& text) {
    return static_cast<uint32_t>(LeadingDigits(WithoutCommas(text), UINT32_MAX));
}

uint16_t BasebandDacFromVolts(const std::string& text) {
    const double value = std::trunc(NumberFromText(text) * 11130 + 0.5);
    return value < 0 || value > 32767 ? 32767 : static_cast<uint16_t>(value);
}

std::string BasebandDacText(uint16_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "%.1f", value >= 32687 ? 3.0 : value / 11130.0);
    return text;
}

uint32_t IfDacFromDbm(const std::string& text) {
    const double value =
        std::trunc(131071 * std::pow(10.0, (NumberFromText(text) + 6.47) / 20) + 0.5);
    return static_cast<uint32_t>(std::clamp(value, 0.0, 131071.0));
}

std::string IfDacText(uint32_t value) {
    char text[24];
    std::snprintf(text, sizeof text, "%.1f",
                  value == 0 ? -110.0 : 20 * std::log10(value / 131071.0) - 6.47);
    return text;
}

uint32_t BitRateFromText(const std::string& text, uint32_t maximum) {
    const long value = std::strtol(UngroupedPrefix(text).c_str(), nullptr, 10);
    return value < 0 || static_cast<unsigned long>(value) > maximum ? maximum
                                                                    : static_cast<uint32_t>(value);
}

uint8_t HundredthsFromText(const std::string& text) {
    const double value = NumberFromText(text);
    const auto hundredths = static_cast<uint8_t>(static_cast<int64_t>(value * 100 + 0.5) & 0xFF);
    return std::max<uint8_t>(hundredths, 5);
}

uint8_t ModIndexFromText(const std::string& text) {
    const double index = std::clamp(NumberFromText(text), 0.01, 2.56);
    return static_cast<uint8_t>(std::lround(index * 100 - 1));
}

std::string FrequencyText(uint32_t hertz) {
    char text[48];
    if (hertz < 1000) {
        std::snprintf(text, sizeof text, "%u Hz", hertz);
        return text;
    }
    const bool kilo = hertz < 1'000'000;
    std::snprintf(text, sizeof text, "%f", hertz / (kilo ? 1e3 : 1e6));
    return Trimmed(text) + (kilo ? " KHz" : " MHz");
}

std::string MegahertzText(uint64_t hertz) {
    char text[48];
    std::snprintf(text, sizeof text, "%.6f", static_cast<double>(hertz) / 1e6);
    return Trimmed(text);
}

std::string ModIndexText(uint8_t byte) {
    char text[16];
    std::snprintf(text, sizeof text, "%.2f", (byte + 1) / 100.0);
    return text;
}

std::string AgcTimeConstantText(uint32_t units) {
    char text[48];
    if (units <= 9) {
        std::snprintf(text, sizeof text, "%u \u00b5secs", units * 100);
    } else if (units == 10) {
        return "1 millisecond";
    } else if (units <= 9999) {
        std::snprintf(text, sizeof text, "%u millisecs", units / 10);
    } else if (units == 10000) {
        return "1 second";
    } else {
        std::snprintf(text, sizeof text, "%u secs", units / 10000);
    }
    return text;
}

std::array<std::string, 5> BandTexts(const uint64_t (&bands)[10][2]) {
    std::array<std::string, 5> texts;
    size_t shown = 0;
    for (const auto& band : bands) {
        if (band[0] == 0 || band[1] == 0 || shown == texts.size()) {
            continue;
        }
        char text[64];
        if (band[0] == band[1]) {
            std::snprintf(text, sizeof text, "%.1f MHz", band[0] / 1e6);
        } else {
            std::snprintf(text, sizeof text, "%.1f MHz - %.1f MHz", band[0] / 1e6, band[1] / 1e6);
        }
        texts[shown++] = text;
    }
    return texts;
}

}  // namespace setup
