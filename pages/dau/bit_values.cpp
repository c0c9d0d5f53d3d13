#include "pages/dau/bit_values.h"

#include <cmath>

namespace dau {

bool RailInRange(int rail, float volts) {
    // Lowest and highest in tenths of a volt.
    static constexpr int kRanges[kRails][2] = {{45, 55}, {30, 36}, {50, 60},   {50, 60},
                                               {45, 55}, {45, 55}, {-55, -45}, {-55, -45}};
    if (rail < 0 || rail >= kRails) {
        return false;
    }
    const long tenths = std::lround(volts * 10.0);
    return tenths >= kRanges[rail][0] && tenths <= kRanges[rail][1];
}

int Fahrenheit(int celsius) {
    return static_cast<int>(celsius * 9.0 / 5.0 + 32.5);
}

Runtime RuntimeOf(uint32_t s) {
    constexpr uint32_t kYear = 31'557'600;
    constexpr uint32_t kMonth = 2'592'000;
    const uint32_t inYear = s % kYear;
    const uint32_t inMonth = inYear % kMonth;
    const uint32_t inDay = inMonth % 86'400;
    return {s / kYear,    inYear / kMonth,   inMonth / 86'400,
            inDay / 3600, inDay % 3600 / 60, inDay % 60};
}

}  // namespace dau
