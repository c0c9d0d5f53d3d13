#include "pages/dau/time_code_text.h"

namespace dau {
namespace {

constexpr uint32_t kSecondsPerWeek = 604'800;
constexpr uint32_t kSecondsPerDay = 86'400;
// GPS time starts on 6 January 1980: day 360 is 31 December.
constexpr uint32_t kDaysLeftIn1980 = 361;

uint32_t DaysIn(uint32_t year) {
    return year % 4 == 0 ? 366 : 365;
}

}  // namespace

TimeFields DateOfGpsTime(uint32_t weeks, uint32_t secondsOfWeek) {
    const uint64_t w = uint64_t(weeks) + secondsOfWeek / kSecondsPerWeek;
    const uint32_t r = secondsOfWeek % kSecondsPerWeek;
    const uint64_t days = 7 * w + r / kSecondsPerDay;
    const uint32_t t = r % kSecondsPerDay;
    TimeFields date;
    if (days <= 360) {
        date.year = 80;
        date.day = static_cast<uint32_t>(days);
    } else {
        uint64_t d = days - kDaysLeftIn1980;
        uint32_t year = 1981;
        while (d >= DaysIn(year)) {
            d -= DaysIn(year);
            ++year;
        }
        date.year = year % 100;
        date.day = static_cast<uint32_t>(d);
    }
    date.hour = t / 3600;
    date.minute = t % 3600 / 60;
    date.second = t % 60;
    return date;
}

std::pair<uint32_t, uint32_t> GpsTimeOfDate(const TimeFields& date) {
    const uint32_t year = date.year < 80 ? 2000 + date.year : 1900 + date.year;
    uint64_t before = 0;
    if (year > 1980) {
        before = kDaysLeftIn1980;
        for (uint32_t y = 1981; y < year; ++y) {
            before += DaysIn(y);
        }
    }
    const uint64_t days = before + date.day;
    const uint64_t seconds =
        days % 7 * kSecondsPerDay + date.hour * 3600ull + date.minute * 60ull + date.second;
    return {static_cast<uint32_t>(days / 7), static_cast<uint32_t>(seconds)};
}

TimeFields SeedOf(const std::tm& t) {
    const int year = t.tm_year + 1900;
    const int months[12] = {31, year % 4 == 0 ? 29 : 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    int day = t.tm_mday;
    for (int m = 0; m < t.tm_mon && m < 12; ++m) {
        day += months[m];
    }
    return {static_cast<uint32_t>(year % 100), static_cast<uint32_t>(day),
            static_cast<uint32_t>(t.tm_hour), static_cast<uint32_t>(t.tm_min),
            static_cast<uint32_t>(t.tm_sec)};
}

uint32_t ToBcd(uint32_t value) {
    uint32_t bcd = 0;
    for (int shift = 0; value != 0 && shift < 32; shift += 4) {
        bcd |= (value % 10) << shift;
        value /= 10;
    }
    return bcd;
}

uint32_t FromBcd(uint32_t bcd) {
    uint32_t value = 0;
    for (int shift = 28; shift >= 0; shift -= 4) {
        value = value * 10 + ((bcd >> shift) & 0xF);
    }
    return value;
}

uint32_t HexOfText(const std::string& text) {
    uint32_t value = 0;
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) {
        ++i;
    }
    for (int digits = 0; i < text.size() && digits < 8; ++i, ++digits) {
        const char c = text[i];
        const int digit = c >= '0' && c <= '9'   ? c - '0'
                          : c >= 'a' && c <= 'f' ? c - 'a' + 10
                          : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                 : -1;
        if (digit < 0) {
            break;
        }
        value = value << 4 | static_cast<uint32_t>(digit);
    }
    return value;
}

const char* FormatText(uint8_t format) {
    switch (format) {
        case 0:
            return "A";
        case 1:
            return "B";
        case 3:
            return "G";
        default:
            return "?";
    }
}

const char* ModulationText(uint8_t modulation) {
    static const char* const kTexts[3] = {"PWC", "AM", "Manchester"};
    return modulation < 3 ? kTexts[modulation] : "?";
}

const char* CarrierText(uint8_t carrier) {
    static const char* const kTexts[6] = {"No Carrier", "100 Hz",  "1 kHz",
                                          "10 kHz",     "100 kHz", "1 MHz"};
    return carrier < 6 ? kTexts[carrier] : "? Hz";
}

const char* CodedExpressionText(uint32_t index) {
    static const char* const kTexts[8] = {"BCDtoy, CF, SBS",
                                          "BCDtoy, CF",
                                          "BCDtoy",
                                          "BCDtoy, SBS",
                                          "BCDtoy, CF, SBS, BCDyear",
                                          "BCDtoy, CF, BCDyear",
                                          "BCDtoy, BCDyear",
                                          "BCDtoy, SBS, BCDyear"};
    return index < 8 ? kTexts[index] : "?";
}

}  // namespace dau
