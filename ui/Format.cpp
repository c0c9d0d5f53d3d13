#include "ui/Format.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>

namespace ui {

std::string Printf(const char* format, ...) {
    char text[256];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    return text;
}

std::string GroupThousands(int64_t value) {
    const std::string digits =
        std::to_string(value < 0 ? -static_cast<uint64_t>(value) : static_cast<uint64_t>(value));
    std::string grouped;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) {
            grouped += ',';
        }
        grouped += digits[i];
    }
    return value < 0 ? "-" + grouped : grouped;
}

int64_t UngroupThousands(const std::string& text) {
    std::string digits;
    for (char c : text) {
        if (c != ',') {
            digits += c;
        }
    }
    return std::strtoll(digits.c_str(), nullptr, 10);
}

std::string IrigDateText(uint32_t years, uint32_t secondsOfYear, bool leapYear) {
    static const char* const kMonths[12] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                            "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
    static const uint32_t kCommonEnds[11] = {31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
    static const uint32_t kLeapEnds[11] = {31, 60, 91, 121, 152, 182, 213, 244, 274, 305, 335};
    const uint32_t* ends = leapYear ? kLeapEnds : kCommonEnds;
    int month = 11;
    for (int m = 0; m < 11; ++m) {
        if (secondsOfYear < ends[m] * 86400u) {
            month = m;
            break;
        }
    }
    const uint32_t start = month == 0 ? 0 : ends[month - 1] * 86400u;
    const uint32_t s = secondsOfYear - start;
    char text[64];
    std::snprintf(text, sizeof text, "%.4u-%s-%2.2u %2.2u:%2.2u:%2.2u", years + 2000,
                  kMonths[month], s / 86400 + 1, s % 86400 / 3600, s % 3600 / 60, s % 60);
    return text;
}

}  // namespace ui

namespace ui {

std::string TrimBlanks(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t");
    const size_t last = text.find_last_not_of(" \t");
    return first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
}

std::array<uint8_t, 4> ParseIpAddress(const std::string& text) {
    std::array<uint8_t, 4> address{};
    size_t start = 0;
    for (int part = 0; part < 4 && start <= text.size(); ++part) {
        const size_t dot = std::min(text.find('.', start), text.size());
        const std::string field = TrimBlanks(text.substr(start, dot - start));
        char* end = nullptr;
        const unsigned long value = std::strtoul(field.c_str(), &end, 10);
        const bool readable = !field.empty() && *end == '\0' && field[0] != '-';
        address[part] = static_cast<uint8_t>(readable ? value : 0);
        start = dot + 1;
    }
    return address;
}

bool OctetsInRange(const std::string& text) {
    size_t start = 0;
    while (start <= text.size()) {
        const size_t dot = std::min(text.find('.', start), text.size());
        if (std::strtoul(text.substr(start, dot - start).c_str(), nullptr, 10) > 255) {
            return false;
        }
        start = dot + 1;
    }
    return true;
}

std::string FormatIpAddress(const std::array<uint8_t, 4>& address) {
    char text[16];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", address[0], address[1], address[2], address[3]);
    return text;
}

}  // namespace ui
