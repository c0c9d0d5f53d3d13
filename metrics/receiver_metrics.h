#pragma once
// The Prometheus metrics of one receiver, kept in a registry that may hold many: every series
// carries the label receiver=NAME. A value that was not read is absent from the registry, not
// zero, and a receiver that is down keeps only kv90t_up 0 and its counters.

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "alarms/alarm_engine.h"
#include "protocol/device_state.h"

namespace prometheus {
class Counter;
class Gauge;
class Histogram;
class Registry;
template <typename T>
class Family;
}  // namespace prometheus

namespace metrics {

constexpr int kPaths = 3;
constexpr int kStreams = 6;

class ReceiverMetrics {
public:
    // Holds on to `registry`, so that its families outlive the series this object removes.
    ReceiverMetrics(std::shared_ptr<prometheus::Registry> registry, std::string name);
    ~ReceiverMetrics();
    ReceiverMetrics(const ReceiverMetrics&) = delete;
    ReceiverMetrics& operator=(const ReceiverMetrics&) = delete;

    const std::string& Name() const { return m_name; }

    // Up: the device answers. Down: every read value goes, the counters stay, and values set
    // while down are not shown (a connect reads them before it knows it succeeded).
    void SetUp(bool up);
    void SetIdentity(const protocol::DeviceIdentity& identity, uint16_t hardwareConfigurationId);
    void SetMode(uint32_t mode);
    // The values of one path's channel and frame sync status; null when the poll failed.
    void SetPath(int path, const protocol::ChannelStatus* status);
    // A receive tester's lock and counts; null when it is not running or was not read.
    void SetTester(int stream, const protocol::BertStream* tester);
    // Whether the time code is read (DAU mode); null when it was not read.
    void SetTimeValid(const protocol::TimeStatus* time);
    // Supply rails and temperature; null when they were not read.
    void SetHealth(const protocol::SystemState* health);
    // The alarms in force (active, acknowledged or not): each a series at 1; the others go.
    void SetAlarms(const std::vector<alarms::Alarm>& alarms);
    // One poll turn: whether it read everything, and how long it took.
    void CountPoll(bool read, double seconds);

private:
    struct Families;
    // A gauge of `family` for `labels` (beyond receiver), added on first use.
    void SetGauge(prometheus::Family<prometheus::Gauge>& family, const std::string& key,
                  std::map<std::string, std::string> labels, double value);
    void RemoveGauge(prometheus::Family<prometheus::Gauge>& family, const std::string& key);
    // A device counter shown as it stands on the device: made anew when the device restarted it.
    void SetCounter(prometheus::Family<prometheus::Counter>& family, const std::string& key,
                    std::map<std::string, std::string> labels, double value);
    void RemoveCounter(prometheus::Family<prometheus::Counter>& family, const std::string& key);
    void ClearReadValues();

    std::shared_ptr<prometheus::Registry> m_registry;
    std::string m_name;
    bool m_isUp = false;
    std::unique_ptr<Families> m_families;
    std::map<std::string, prometheus::Gauge*> m_gauges;      // by family name and labels
    std::map<std::string, prometheus::Counter*> m_counters;  // device counters, the same way
    std::set<std::string> m_alarmKeys;                       // the alarm series shown
    prometheus::Gauge* m_up;
    prometheus::Counter* m_polls;
    prometheus::Counter* m_pollFailures;
    prometheus::Histogram* m_pollDuration;
};

}  // namespace metrics
