#include "sim/Scenario.h"

#include <algorithm>

namespace sim {

const std::vector<ScenarioInfo>& Scenarios() {
    static const std::vector<ScenarioInfo> kScenarios = {
        {Scenario::kFade, "fade", "every 60 s the RSSI sags by up to 40 dB and recovers"},
        {Scenario::kCarrierDrop, "carrier-drop", "every 30 s channel 1 loses lock for 4 s"},
        {Scenario::kBerBurst, "ber-burst", "every 30 s the data carries 1 % bit errors for 5 s"},
        {Scenario::kRailOut, "dau-rail", "every 40 s the digital 5.0 V rail reads 4.2 V for 10 s"},
    };
    return kScenarios;
}

const ScenarioInfo* FindScenario(std::string_view name) {
    for (const ScenarioInfo& info : Scenarios()) {
        if (name == info.name) {
            return &info;
        }
    }
    return nullptr;
}

bool ScenarioScript::Within(int64_t nowMs, int64_t period, int64_t start, int64_t length) const {
    const int64_t phase = std::max<int64_t>(0, nowMs - m_startMs) % period;
    return phase >= start && phase < start + length;
}

// Level for 5 s, down over 15 s, held for 10 s, up again over 15 s, level to the period's end.
double ScenarioScript::RssiOffsetDb(int64_t nowMs) const {
    if (m_scenario != Scenario::kFade) {
        return 0;
    }
    const double t = double(std::max<int64_t>(0, nowMs - m_startMs) % kFadePeriodMs) / 1000;
    const double depth = t < 5    ? 0
                         : t < 20 ? (t - 5) / 15
                         : t < 30 ? 1
                         : t < 45 ? (45 - t) / 15
                                  : 0;
    return -kFadeDepthDb * depth;
}

bool ScenarioScript::DropsLock(int path, int64_t nowMs) const {
    return m_scenario == Scenario::kCarrierDrop && path == 0 &&
           Within(nowMs, kDropPeriodMs, kDropStartMs, kDropMs);
}

double ScenarioScript::ExtraErrorRate(int64_t nowMs) const {
    return m_scenario == Scenario::kBerBurst &&
                   Within(nowMs, kBurstPeriodMs, kBurstStartMs, kBurstMs)
               ? kBurstErrorRate
               : 0;
}

std::optional<uint8_t> ScenarioScript::Rail(int rail, int64_t nowMs) const {
    if (m_scenario == Scenario::kRailOut && rail == kRail &&
        Within(nowMs, kRailPeriodMs, kRailStartMs, kRailMs)) {
        return kRailOutTenths;
    }
    return std::nullopt;
}

}  // namespace sim
