// The tape up/down converters: setups stored per converter and read back in mode 11.

#include "sim/Bytes.h"
#include "sim/KV90TSimulation.h"

namespace sim {

void KV90TSimulation::InstallTapeCommands() {
    InstallStored(0x1600, 14, 0, 0x4600, 14, true);
    InstallStored(0x1601, 10, 0, 0x4601, 10, true);
    InstallStored(0x160E, 8, 0, 0x460E, 8, false);
    // Two down converters from 70 MHz to 10 MHz and the up converter, at 50 % bandwidth.
    for (int channel = 0; channel < 3; ++channel) {
        Bytes& setup = m_stored[0x1600][channel];
        setup[0] = static_cast<uint8_t>(channel == 2 ? 0x80 | channel : channel);
        setup[1] = 50;
        PutNumber(setup, 2, 4, 70'000'000);
        PutNumber(setup, 6, 4, 10'000'000);
    }
}

}  // namespace sim
