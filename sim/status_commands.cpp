// Live status: locks that follow the setups, wandering carrier, noisy RSSI, frame sync
// progress and the time code from the host clock.

#include <cmath>
#include <ctime>

#include "sim/Bytes.h"
#include "sim/KV90TSimulation.h"

namespace sim {
namespace {

uint8_t Bcd(unsigned value) {
    return static_cast<uint8_t>((value / 10 % 10) << 4 | value % 10);
}

uint16_t Bcd3(unsigned value) {
    return static_cast<uint16_t>((value / 100 % 10) << 8 | Bcd(value % 100));
}

bool IsPskMode(uint8_t mode) {
    return mode == 3 || mode == 5 || (mode >= 8 && mode <= 10) || mode >= 12;
}

}  // namespace

KV90TSimulation::PathSetup KV90TSimulation::SetupOf(int path) const {
    PathSetup s;
    uint16_t code = 0;
    if (m_mode == 1) {
        code = 0x1400;
    } else if (m_mode == 2 || m_mode == 4) {
        code = 0x1200;
    } else if (m_mode == 6) {
        code = 0x1300;
    } else if (IsPskMode(m_mode)) {
        code = 0x1100;
    }
    if (code == 0) {
        return s;
    }
    const Bytes& p = m_setups.at(code)[path];
    s.valid = true;
    if (code == 0x1400) {
        s.inputSelect = 2;
        s.bitRate = static_cast<uint32_t>(GetNumber(p, 4, 4));
        s.pcmCode = p[8] & 0x7F;
        return s;
    }
    s.inputSelect = p[1];
    s.tuningFrequency = GetNumber(p, 3, 5);
    s.bitRate = static_cast<uint32_t>(GetNumber(p, 15, 4));
    s.pcmCode = p[19] & 0x7F;
    if (code == 0x1100) {
        s.qBitRate = static_cast<uint32_t>(GetNumber(p, 23, 4));
        s.qPcmCode = p[27] & 0x7F;
        s.pskSubmode = p[31] & 0x0F;
    }
    return s;
}

bool KV90TSimulation::HasSignal(int path) const {
    const bool fitted = path == 0   ? m_profile.channel1
                        : path == 1 ? m_profile.channel2
                                    : m_profile.combinerKind != 0;
    if (!fitted) {
        return false;  // a path the hardware does not have reports nothing
    }
    const PathSetup s = SetupOf(path);
    if (!s.valid || s.bitRate < 100) {
        return false;
    }
    return s.inputSelect != 0 || FindBand(path, s.tuningFrequency).has_value();
}

bool KV90TSimulation::Locked(int path) const {
    return HasSignal(path) && Elapsed(m_setupTime[path]) >= int64_t(m_acquisitionMs) &&
           !m_scenario.DropsLock(path, m_clock.NowMs());
}

KV90TSimulation::Reply KV90TSimulation::ChannelStatus(const Frame& request) {
    if (request.payload.size() != 1 || request.payload[0] > 2) {
        return std::nullopt;
    }
    const int path = request.payload[0];
    const PathSetup s = SetupOf(path);
    const bool signal = HasSignal(path);
    const bool locked = Locked(path);
    const double seconds = m_clock.NowMs() / 1000.0;
    Bytes p(30, 0);
    // The data acquisition unit reports the level of its baseband input.
    const bool level2000 = signal || m_mode == 7;
    const uint16_t level = static_cast<uint16_t>(level2000 ? 2000 + Noise(40) : 300 + Noise(30));
    p[1] = static_cast<uint8_t>(level);
    p[2] = static_cast<uint8_t>(level >> 8 & 0x0F);
    p[3] = static_cast<uint8_t>(signal ? 20 + Noise(2) : 0);
    p[6] = static_cast<uint8_t>(m_mode == 2 || m_mode == 4 ? 70 + Noise(3) : 0);
    const double fade = m_scenario.RssiOffsetDb(m_clock.NowMs());
    const double rssi =
        signal ? std::max(-110.0, -62.0 + 3 * std::sin(seconds / 5) + Noise(0.5) + fade)
               : -110 + Noise(1);
    PutNumber(p, 7, 2, static_cast<uint16_t>(static_cast<int16_t>(std::lround(rssi * 10))));
    const bool qPath = s.pskSubmode == 1 || s.pskSubmode == 2 || s.pskSubmode >= 6;
    const bool daqTime = m_mode == 7;
    p[9] = static_cast<uint8_t>((locked && m_mode != 1 ? 0x80 : 0) | (locked ? 0x40 : 0) |
                                (locked && IsPskMode(m_mode) && qPath ? 0x20 : 0) |
                                (daqTime ? 0x10 : 0) | (locked ? 0x08 : 0));
    if (locked) {
        const double sinceLock = (Elapsed(m_setupTime[path]) - int64_t(m_acquisitionMs)) / 1000.0;
        // The frame sync state as command 0x2104 reports it: search, check, locked.
        const unsigned frameState = std::min(2u, static_cast<unsigned>(sinceLock / 0.5));
        p[9] |= static_cast<uint8_t>(frameState << 1);
    }
    const int32_t carrier = static_cast<int32_t>(1500 * std::sin(seconds / 7) + Noise(50));
    PutNumber(p, 10, 4, static_cast<uint32_t>(signal ? carrier : 0));
    const uint32_t symbolRate = (s.pcmCode & 0x40) ? s.bitRate * 2 : s.bitRate;
    const uint32_t qRate = (s.qPcmCode & 0x40) ? s.qBitRate * 2 : s.qBitRate;
    PutNumber(p, 14, 4, locked ? symbolRate : 0);
    PutNumber(p, 18, 4, locked && qPath && IsPskMode(m_mode) ? qRate : 0);
    return p;
}

KV90TSimulation::Reply KV90TSimulation::FrameSyncStatus(const Frame& request) {
    if (request.payload.size() != 1 || request.payload[0] > 2) {
        return std::nullopt;
    }
    const int path = request.payload[0];
    Bytes p(20, 0);
    if (Locked(path)) {
        const double sinceLock = (Elapsed(m_setupTime[path]) - int64_t(m_acquisitionMs)) / 1000.0;
        // Search (0), check (1), then locked (2), with no status bits raised: the same frame
        // sync state as the channel status reports.
        const unsigned syncState = std::min(2u, static_cast<unsigned>(sinceLock / 0.5));
        const unsigned lockState = std::min(2u, static_cast<unsigned>(sinceLock / 0.75));
        p[0] = static_cast<uint8_t>(0x10 | lockState << 1);
        p[1] = static_cast<uint8_t>(0x10 | syncState << 1);
    }
    return p;
}

KV90TSimulation::Reply KV90TSimulation::TimeStatus(const Frame& request) {
    if (!request.payload.empty()) {
        return std::nullopt;
    }
    const YearTime now = YearTimeOf(m_clock.UtcNs());
    const std::tm& utc = now.utc;
    const uint32_t secondsOfYear = now.secondsOfYear;
    const uint32_t nanoseconds = now.nanoseconds;
    const unsigned year = now.yearsSince2000;
    Bytes p(34, 0);
    p[0] = 0x01 | 0x02;
    p[9] = static_cast<uint8_t>(year | (secondsOfYear >> 24 & 1) << 7);
    PutNumber(p, 10, 3, secondsOfYear & 0xFFFFFF);
    PutNumber(p, 13, 4, nanoseconds);
    p[17] = static_cast<uint8_t>(year % 10);
    PutNumber(p, 18, 2, Bcd3(utc.tm_yday + 1));
    p[20] = Bcd(utc.tm_hour);
    p[21] = Bcd(utc.tm_min);
    p[22] = Bcd(utc.tm_sec);
    const unsigned micro = nanoseconds / 1000;  // six sub-second digits
    for (int i = 0; i < 3; ++i) {
        const unsigned pair = micro / (i == 0 ? 10000 : i == 1 ? 100 : 1) % 100;
        p[23 + i] = static_cast<uint8_t>(pair / 10 | (pair % 10) << 4);
    }
    return p;
}

void KV90TSimulation::InstallStatusCommands() {
    Install(0x2100, &KV90TSimulation::ChannelStatus);
    Install(0x2104, &KV90TSimulation::FrameSyncStatus);
    Install(0x2106, &KV90TSimulation::TimeStatus);
}

}  // namespace sim
