// The receive bit-error-rate testers and the time code setup.

#include <cmath>

#include "sim/Bytes.h"
#include "sim/KV90TSimulation.h"

namespace sim {

// Every setup restarts the tester: its counts, its out-of-lock count and its acquisition.
KV90TSimulation::Reply KV90TSimulation::BertSetup(const Frame& request) {
    const Bytes& p = request.payload;
    if (p.size() != 13 || (p[0] & 3) > 2) {
        return std::nullopt;
    }
    Bert& bert = m_bert[(p[0] & 3) * 2 + ((p[0] >> 2) & 1)];
    bert.enabled = (p[0] & 0x80) != 0;
    bert.pattern = p[1] & 0x1F;
    bert.sinceMs = m_clock.NowMs();
    bert.outOfLock = 0;
    bert.wasLocked = false;
    bert.bits = 0;
    bert.burstErrors = 0;
    return Bytes{};
}

// A tester locks once its path is locked, it has looked for the pattern for the acquisition
// time, and the pattern is the one the signal carries; it counts from the end of acquisition.
KV90TSimulation::Reply KV90TSimulation::BertStatus(const Frame& request) {
    const Bytes& p = request.payload;
    if (p.size() != 1 || (p[0] & 3) > 2) {
        return std::nullopt;
    }
    const int unit = p[0] & 3;
    const int q = (p[0] >> 2) & 1;
    Bert& bert = m_bert[unit * 2 + q];
    const PathSetup setup = SetupOf(unit);
    const uint32_t rate = q ? setup.qBitRate : setup.bitRate;
    const int64_t counting = Elapsed(bert.sinceMs) - m_bertAcquisitionMs;
    const bool locked =
        bert.enabled && Locked(unit) && bert.pattern == m_bertSource.pattern && counting >= 0;
    if (bert.wasLocked && !locked) {
        ++bert.outOfLock;
    }
    bert.wasLocked = locked;
    Bytes reply(30, 0);
    if (locked) {
        const auto bits = static_cast<uint64_t>(counting / 1000.0 * rate);
        if (bits > bert.bits) {
            bert.burstErrors +=
                double(bits - bert.bits) * m_scenario.ExtraErrorRate(m_clock.NowMs());
        }
        bert.bits = bits;
        const auto errors =
            static_cast<uint64_t>(std::llround(bits * m_bitErrorRate + bert.burstErrors));
        reply[0] = 0x80;
        PutNumber(reply, 2, 8, errors);
        PutNumber(reply, 10, 8, bits);
    }
    reply[1] = bert.enabled && m_bertSource.inverted ? 1 : 0;
    PutNumber(reply, 22, 4, bert.enabled ? rate : 0);
    PutNumber(reply, 26, 4, bert.outOfLock);
    return reply;
}

void KV90TSimulation::SetBertSource(const BertSource& source) {
    std::lock_guard lock(m_mutex);
    m_bertSource = source;
}

void KV90TSimulation::InstallTestCommands() {
    Install(0x1103, &KV90TSimulation::BertSetup);
    Install(0x2103, &KV90TSimulation::BertStatus);
    InstallStored(0x1106, 9, 5, 0x4106, 9, false);
}

}  // namespace sim
