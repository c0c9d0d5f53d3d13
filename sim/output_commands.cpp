// Output, output-data and combiner setups, and their read-backs.

#include "sim/KV90TSimulation.h"

namespace sim {

// The output read-back joins the output setup (bytes 0 to 9) and the output-data setup, laid
// out as the read-back carries it.
KV90TSimulation::Reply KV90TSimulation::OutputReadBack(const Frame& request) {
    if (request.payload.size() != 1 || request.payload[0] > 2) {
        return std::nullopt;
    }
    const int path = request.payload[0];
    const uint16_t family = static_cast<uint16_t>((request.code - 0x3000) & 0xFF00);
    const Bytes& output = m_stored[family | 0x01][path];
    const Bytes& data = m_stored[family | 0x0E][path];
    const uint8_t phase = data[2] & ~0x20;
    const uint8_t pcm = static_cast<uint8_t>((data[4] & 0x7F) | (data[2] & 0x20) << 2);
    if (family == 0x1400) {
        Bytes reply(14, 0);
        reply[0] = static_cast<uint8_t>(path);
        reply[2] = output[2];
        reply[3] = output[3];
        reply[7] = data[1] & 0xC7;
        reply[8] = phase;
        reply[10] = pcm;
        reply[12] = data[6] & 0xF0;
        return reply;
    }
    Bytes reply(output.begin(), output.begin() + 10);
    reply[0] = static_cast<uint8_t>((output[0] & 0x80) | path);
    reply.resize(18, 0);
    reply[11] = data[1];
    reply[12] = phase;
    reply[13] = data[3] & ~0x20;
    reply[14] = pcm;
    reply[15] = static_cast<uint8_t>((data[5] & 0x7F) | (data[3] & 0x20) << 2);
    reply[16] = data[6];
    return reply;
}

void KV90TSimulation::InstallOutputCommands() {
    for (uint16_t family : {0x1100, 0x1200, 0x1300, 0x1400}) {
        const size_t outputLength = family == 0x1400 ? 14 : 18;
        InstallStored(family | 0x01, outputLength, 0, 0, 0, true);
        InstallStored(family | 0x0E, 8, 0, 0, 0, true);
        Install(static_cast<uint16_t>((family + 0x3000) | 0x01), &KV90TSimulation::OutputReadBack);
        if (family != 0x1400) {
            InstallStored(family | 0x05, 32, 1, static_cast<uint16_t>((family + 0x3000) | 0x05), 32,
                          false);
        }
    }
}

}  // namespace sim
