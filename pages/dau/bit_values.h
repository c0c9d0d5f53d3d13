#pragma once
// The built-in test page's values: the rails' ranges, Fahrenheit and the runtime breakdown.

#include <cstdint>

namespace dau {

constexpr int kRails = 8;

// Whether rail `rail` (0 digital 5.0 V, 1 digital 3.3 V, 2 and 3 analog 5.5 V, 4 and 5 analog
// 5.0 V, 6 and 7 analog -5.0 V) at `volts` is within its range, bounds included. The value is
// compared in tenths of a volt, as the device reports it.
bool RailInRange(int rail, float volts);

// (C x 9 / 5 + 32.5) truncated.
int Fahrenheit(int celsius);

// A year is 365.25 days and a month 30 days.
struct Runtime {
    uint32_t years, months, days, hours, minutes, seconds;
};
Runtime RuntimeOf(uint32_t seconds);

}  // namespace dau
