#include "shell/baud_rates.h"

namespace shell {

const BaudRate kBaudRates[kBaudRateCount] = {
    {110, "110"},
    {300, "300"},
    {600, "600"},
    {1200, "1200"},
    {2400, "2400"},
    {4800, "4800"},
    {9600, "9600"},
    {14400, "14400"},
    {19200, "19200"},
    {38400, "38400"},
    {56000, "56000"},
    {57600, "57600"},
    {115200, "115200"},
    {230400, "230400, RS232 Max"},
    {921600, "921600, MOXA Max"},
    {937500, "937500"},
    {1171875, "1171875"},
    {2343750, "2343750"},
    {2457600, "2457600"},
    {2500000, "2500000"},
};

int BaudRateRow(uint32_t rate) {
    for (int row = 0; row < kBaudRateCount; ++row) {
        if (kBaudRates[row].rate == rate) {
            return row;
        }
    }
    return -1;
}

}  // namespace shell
