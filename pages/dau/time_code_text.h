#pragma once
// The time code page's conversions: GPS weeks and seconds of week to the time code's date and
// back, BCD, the computer's time as a seed, and the display texts of the code.

#include <cstdint>
#include <ctime>
#include <string>
#include <utility>

namespace dau {

// The five time fields as plain numbers: the year's last two digits, the day of the year, the
// time of day.
struct TimeFields {
    uint32_t year = 0;
    uint32_t day = 0;
    uint32_t hour = 0;
    uint32_t minute = 0;
    uint32_t second = 0;
};

// GPS weeks (from Sunday 6 January 1980) and seconds of week to the date, day 0 for 1 January
// (1980 runs to day 360).
TimeFields DateOfGpsTime(uint32_t weeks, uint32_t secondsOfWeek);
// The other way, for the display: weeks and seconds of week; years below 80 are 20yy.
std::pair<uint32_t, uint32_t> GpsTimeOfDate(const TimeFields& date);
// The computer's local time, the day counted from 1 for 1 January.
TimeFields SeedOf(const std::tm& localTime);

// A decimal number as BCD, and back.
uint32_t ToBcd(uint32_t value);
uint32_t FromBcd(uint32_t bcd);
// The digits of a text read as hexadecimal, so that the decimal digits shown become BCD: "059"
// gives 0x59. Reading stops at the first character that is not a hexadecimal digit.
uint32_t HexOfText(const std::string& text);

const char* FormatText(uint8_t format);
const char* ModulationText(uint8_t modulation);
const char* CarrierText(uint8_t carrier);
const char* CodedExpressionText(uint32_t index);

}  // namespace dau
