// The receive bit-error-rate testers and the time code setup.

#include <cmath>

#include "sim/Bytes.h"
#include "sim/KV90TSimulation.h"

namespace sim {

KV90TSimulation::Reply KV90TSimulation::BertSetup(const Frame& request) {
    const Bytes& p = request.payload;
    if (p.size() != 13 || (p[0] & 3) > 2) {
        return std::nullopt;
    }
    const int stream = (p[0] & 3) * 2 + ((p[0] >> 2) & 1);
    Bert& bert = m_bert[stream];
    const bool enable = (p[0] & 0x80) != 0;
    if (bert.enabled && !enable) {
        ++bert.outOfLock;
    }
    // Every setup restarts the counts.
    bert.enabled = enable;
    bert.sinceMs = m_clock.NowMs();
    return Bytes{};
}

KV90TSimulation::Reply KV90TSimulation::BertStatus(const Frame& request) {
    const Bytes& p = request.payload;
    if (p.size() != 1 || (p[0] & 3) > 2) {
        return std::nullopt;
    }
    const int unit = p[0] & 3;
    const int q = (p[0] >> 2) & 1;
    const Bert& bert = m_bert[unit * 2 + q];
    const PathSetup setup = SetupOf(unit);
    const uint32_t rate = q ? setup.qBitRate : setup.bitRate;
    Bytes reply(30, 0);
    if (bert.enabled && Locked(unit)) {
        const double seconds = Elapsed(bert.sinceMs) / 1000.0;
        const auto bits = static_cast<uint64_t>(seconds * rate);
        const auto errors = static_cast<uint64_t>(std::llround(bits * m_bitErrorRate));
        reply[0] = 0x80;
        PutNumber(reply, 2, 8, errors);
        PutNumber(reply, 10, 8, bits);
    }
    PutNumber(reply, 22, 4, bert.enabled ? rate : 0);
    PutNumber(reply, 26, 4, bert.outOfLock);
    return reply;
}

void KV90TSimulation::InstallTestCommands() {
    Install(0x1103, &KV90TSimulation::BertSetup);
    Install(0x2103, &KV90TSimulation::BertStatus);
    InstallStored(0x1106, 9, 5, 0x4106, 9, false);
}

}  // namespace sim
