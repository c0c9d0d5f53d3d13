#pragma once
// Scripted trouble that a simulated device plays, for alarm tests and demonstrations. Each
// scenario repeats from the moment it starts:
//   fade          every 60 s the RSSI of both channels sags by up to 40 dB and recovers;
//   carrier-drop  every 30 s channel 1 loses its lock for 4 s;
//   ber-burst     every 30 s the received data carries 1 % bit errors for 5 s;
//   dau-rail      every 40 s the digital 5.0 V rail reads 4.2 V for 10 s.

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace sim {

enum class Scenario { kNone, kFade, kCarrierDrop, kBerBurst, kRailOut };

struct ScenarioInfo {
    Scenario scenario;
    const char* name;         // "fade"
    const char* description;  // for --help
};
const std::vector<ScenarioInfo>& Scenarios();
// Null for a name no scenario has.
const ScenarioInfo* FindScenario(std::string_view name);

// What a scenario does at a moment, `sinceMs` after it started.
class ScenarioScript {
public:
    static constexpr int64_t kFadePeriodMs = 60'000;
    static constexpr double kFadeDepthDb = 40;
    static constexpr int64_t kDropPeriodMs = 30'000, kDropStartMs = 10'000, kDropMs = 4'000;
    static constexpr int64_t kBurstPeriodMs = 30'000, kBurstStartMs = 10'000, kBurstMs = 5'000;
    static constexpr double kBurstErrorRate = 0.01;
    static constexpr int64_t kRailPeriodMs = 40'000, kRailStartMs = 10'000, kRailMs = 10'000;
    static constexpr int kRail = 0;
    static constexpr uint8_t kRailOutTenths = 42;

    ScenarioScript() = default;
    ScenarioScript(Scenario scenario, int64_t startMs) : m_scenario(scenario), m_startMs(startMs) {}

    Scenario Which() const { return m_scenario; }
    // dB to add to a channel's RSSI (0 or less).
    double RssiOffsetDb(int64_t nowMs) const;
    // Whether the path has lost its lock.
    bool DropsLock(int path, int64_t nowMs) const;
    // The fraction of bits in error on top of the device's own.
    double ExtraErrorRate(int64_t nowMs) const;
    // A rail's reading in tenths of a volt, when the scenario sets it.
    std::optional<uint8_t> Rail(int rail, int64_t nowMs) const;

private:
    // Whether the scenario's phase is in [start, start + length) of each period.
    bool Within(int64_t nowMs, int64_t period, int64_t start, int64_t length) const;

    Scenario m_scenario = Scenario::kNone;
    int64_t m_startMs = 0;
};

}  // namespace sim
