#pragma once
// Texts the console shows: grouped integers and IRIG dates.

#include <array>
#include <cstdint>
#include <string>

namespace ui {

// printf into a text.
std::string Printf(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The integer in decimal with a comma before every third digit from the right: -1,000.
std::string GroupThousands(int64_t value);
// The digits of a grouped text, commas removed, as an integer (0 for no number).
int64_t UngroupThousands(const std::string& text);

// "%0.4u-%s-%2.2u %2.2u:%2.2u:%2.2u" for years after 2000 and the seconds of the year, with
// February of 29 days when `leapYear`: "2026-MAR-01 00:00:00".
std::string IrigDateText(uint32_t years, uint32_t secondsOfYear, bool leapYear);

}  // namespace ui

namespace ui {

// The text without blanks (spaces, tabs) before and after it.
std::string TrimBlanks(const std::string& text);

// The four numbers of a dotted address: each part read as an unsigned decimal number and cut
// to its low 8 bits; a missing or unreadable part gives 0.
std::array<uint8_t, 4> ParseIpAddress(const std::string& text);
// Whether every part of a dotted address that the operator typed is a number up to 255 (parts
// left empty count as 0).
bool OctetsInRange(const std::string& text);
// "%u.%u.%u.%u".
std::string FormatIpAddress(const std::array<uint8_t, 4>& address);

}  // namespace ui
