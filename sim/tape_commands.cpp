// The tape up/down converters.

#include "sim/KV90TSimulation.h"

namespace sim {

KV90TSimulation::Reply KV90TSimulation::TapeSetup(const Frame& request) {
    const Bytes& p = request.payload;
    if (p.size() != 14 || (p[0] & 3) > 2) {
        return std::nullopt;
    }
    m_tape[p[0] & 3] = p;
    return Bytes{};
}

void KV90TSimulation::InstallTapeCommands() {
    Install(0x1600, &KV90TSimulation::TapeSetup);
    InstallStored(0x1601, 10, 0, 0x4601, 10, true);
    InstallStored(0x160E, 8, 0, 0x460E, 8, false);
}

}  // namespace sim
