#pragma once
// The serial rates the console offers, with their display labels.

#include <cstdint>

namespace shell {

struct BaudRate {
    uint32_t rate;
    const char* label;
};

constexpr int kBaudRateCount = 20;
extern const BaudRate kBaudRates[kBaudRateCount];

// The row of a rate in the table, or -1.
int BaudRateRow(uint32_t rate);

}  // namespace shell
