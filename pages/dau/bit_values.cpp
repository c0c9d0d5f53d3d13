#include "pages/dau/bit_values.h"

namespace dau {

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
