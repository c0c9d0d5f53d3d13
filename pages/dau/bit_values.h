#pragma once
// The built-in test page's values: Fahrenheit and the runtime breakdown.

#include <cstdint>

namespace dau {

// (C x 9 / 5 + 32.5) truncated.
int Fahrenheit(int celsius);

// A year is 365.25 days and a month 30 days.
struct Runtime {
    uint32_t years, months, days, hours, minutes, seconds;
};
Runtime RuntimeOf(uint32_t seconds);

}  // namespace dau
