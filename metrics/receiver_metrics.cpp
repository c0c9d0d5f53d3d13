#include "metrics/receiver_metrics.h"

#include <prometheus/counter.h>
#include <prometheus/family.h>
#include <prometheus/gauge.h>
#include <prometheus/histogram.h>
#include <prometheus/registry.h>

#include <cmath>
#include <cstdio>
#include <set>

#include "protocol/status_fields.h"

namespace metrics {
namespace {

using prometheus::Counter;
using prometheus::Family;
using prometheus::Gauge;
using Labels = std::map<std::string, std::string>;

// The per-path values taken straight from the status field table: out of range is absent.
struct PathMetric {
    const char* name;
    const char* help;
    const char* field;
};
constexpr PathMetric kPathMetrics[] = {
    {"kv90t_rssi_dbm", "Received signal strength (dBm)", "rssi"},
    {"kv90t_carrier_frequency_offset_hertz", "Carrier frequency offset the loop tracks",
     "carrierFrequency"},
    {"kv90t_symbol_rate_hertz", "Symbol rate the bit synchronizer tracks", "symbolRate"},
    {"kv90t_am_modulation_index", "AM modulation index", "amModIndex"},
    {"kv90t_fm_modulation_index", "FM modulation index", "fmModIndex"},
    {"kv90t_carrier_locked", "Carrier loop locked (0 or 1)", "carrierLock"},
    {"kv90t_symbol_locked", "Symbol loop locked (0 or 1)", "symbolLock"},
    {"kv90t_frame_sync_state", "Frame synchronizer state (0 search, 1 check, 2 locked)",
     "frameSyncState"},
};
constexpr size_t kPathMetricCount = std::size(kPathMetrics);

// The physical values the device measures: six rails, two negative rails, the board
// temperature, the supply voltage (and a current, which has no metric of its own).
constexpr const char* kRails[] = {"rail1", "rail2", "rail3",         "rail4",
                                  "rail5", "rail6", "negativeRail1", "negativeRail2"};
constexpr int kTemperatureValue = 8;
constexpr int kSupplyValue = 9;
constexpr int kHealthDecimals = 3;

Family<Gauge>& GaugeFamily(prometheus::Registry& registry, const char* name, const char* help) {
    return prometheus::BuildGauge().Name(name).Help(help).Register(registry);
}

Family<Counter>& CounterFamily(prometheus::Registry& registry, const char* name, const char* help) {
    return prometheus::BuildCounter().Name(name).Help(help).Register(registry);
}

// Device texts as label values: printable ASCII, the rest as '?', trailing blanks dropped.
std::string LabelText(const char* text, size_t size) {
    std::string label;
    for (size_t i = 0; i < size && text[i] != '\0'; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        label += c >= 0x20 && c < 0x7F ? static_cast<char>(c) : '?';
    }
    label.erase(label.find_last_not_of(' ') + 1);
    return label;
}

std::string Hex8(uint32_t value) {
    char text[12];
    std::snprintf(text, sizeof text, "%08X", value);
    return text;
}

// A value as the device gives it: its float readings carry no digits beyond `decimals`.
double Rounded(double value, int decimals) {
    const double scale = std::pow(10.0, decimals);
    return std::round(value * scale) / scale;
}

// A series of this receiver: its family's name and the key of its labels beyond the receiver.
template <typename Metric>
std::string KeyOf(const Family<Metric>& family, const std::string& key) {
    return family.GetName() + "|" + key;
}

}  // namespace

struct ReceiverMetrics::Families {
    explicit Families(prometheus::Registry& r)
        : up(GaugeFamily(r, "kv90t_up", "Whether the receiver answers its polls")),
          info(GaugeFamily(r, "kv90t_info", "Identity of the receiver, as labels")),
          mode(GaugeFamily(r, "kv90t_operational_mode", "Operational mode number (1 to 14)")),
          frameLocked(GaugeFamily(r, "kv90t_frame_locked", "Frame lock held (0 or 1)")),
          timeValid(GaugeFamily(r, "kv90t_time_valid", "Time code read and valid (0 or 1)")),
          alarmActive(GaugeFamily(r, "kv90t_alarm_active", "An alarm of the limit set in force")),
          testerLocked(GaugeFamily(r, "kv90t_bert_locked", "Receive tester locked (0 or 1)")),
          testerBits(CounterFamily(r, "kv90t_bert_bits_total", "Bits the receive tester counted")),
          testerErrors(CounterFamily(r, "kv90t_bert_bit_errors_total",
                                     "Bit errors the receive tester counted")),
          supply(GaugeFamily(r, "kv90t_supply_volts", "Supply rail voltage")),
          temperature(GaugeFamily(r, "kv90t_temperature_celsius", "Temperature")),
          polls(CounterFamily(r, "kv90t_polls_total", "Status poll turns")),
          pollFailures(
              CounterFamily(r, "kv90t_poll_failures_total", "Status poll turns that failed")),
          pollDuration(prometheus::BuildHistogram()
                           .Name("kv90t_poll_duration_seconds")
                           .Help("Time a status poll turn took")
                           .Register(r)) {
        for (const PathMetric& metric : kPathMetrics) {
            path.push_back(&GaugeFamily(r, metric.name, metric.help));
        }
    }
    Family<Gauge>& up;
    Family<Gauge>& info;
    Family<Gauge>& mode;
    std::vector<Family<Gauge>*> path;
    Family<Gauge>& frameLocked;
    Family<Gauge>& timeValid;
    Family<Gauge>& alarmActive;
    Family<Gauge>& testerLocked;
    Family<Counter>& testerBits;
    Family<Counter>& testerErrors;
    Family<Gauge>& supply;
    Family<Gauge>& temperature;
    Family<Counter>& polls;
    Family<Counter>& pollFailures;
    Family<prometheus::Histogram>& pollDuration;
};

ReceiverMetrics::ReceiverMetrics(std::shared_ptr<prometheus::Registry> registry, std::string name)
    : m_registry(std::move(registry)),
      m_name(std::move(name)),
      m_families(std::make_unique<Families>(*m_registry)) {
    const Labels labels = {{"receiver", m_name}};
    m_up = &m_families->up.Add(labels);
    m_polls = &m_families->polls.Add(labels);
    m_pollFailures = &m_families->pollFailures.Add(labels);
    // From a fast TCP poll (a few ms) to a serial one that waits out its time-outs.
    m_pollDuration = &m_families->pollDuration.Add(
        labels, prometheus::Histogram::BucketBoundaries{0.005, 0.01, 0.025, 0.05, 0.1, 0.25, 0.5, 1,
                                                        2.5, 5});
}

ReceiverMetrics::~ReceiverMetrics() {
    ClearReadValues();
    m_families->up.Remove(m_up);
    m_families->polls.Remove(m_polls);
    m_families->pollFailures.Remove(m_pollFailures);
    m_families->pollDuration.Remove(m_pollDuration);
}

void ReceiverMetrics::SetUp(bool up) {
    m_isUp = up;
    m_up->Set(up ? 1 : 0);
    if (!up) {
        ClearReadValues();
    }
}

void ReceiverMetrics::SetIdentity(const protocol::DeviceIdentity& id,
                                  uint16_t hardwareConfigurationId) {
    if (!m_isUp) {
        return;
    }
    RemoveGauge(m_families->info, "info");
    SetGauge(m_families->info, "info",
             {{"serial_number", LabelText(id.serialNumberText, sizeof id.serialNumberText)},
              {"device_id", LabelText(id.deviceId, sizeof id.deviceId)},
              {"dsp1_version", Hex8(id.dsp1Version)},
              {"dsp2_version", Hex8(id.dsp2Version)},
              {"fio_fpga_version", Hex8(id.fioFpgaVersion)},
              {"bridge_fpga_version", Hex8(id.bridgeFpgaVersion)},
              {"demod_fpga_version", Hex8(id.demodFpgaVersion)},
              {"hardware_configuration", std::to_string(hardwareConfigurationId)}},
             1);
}

void ReceiverMetrics::SetMode(uint32_t mode) {
    if (!m_isUp) {
        return;
    }
    SetGauge(m_families->mode, "mode", {}, mode);
}

void ReceiverMetrics::SetPath(int path, const protocol::ChannelStatus* status) {
    status = m_isUp ? status : nullptr;
    const Labels labels = {{"path", std::to_string(path)}};
    const std::string key = std::to_string(path);
    for (size_t i = 0; i < kPathMetricCount; ++i) {
        const protocol::StatusField& field = protocol::StatusFieldOf(kPathMetrics[i].field);
        if (status != nullptr && protocol::InRange(field, *status)) {
            SetGauge(*m_families->path[i], key, labels,
                     Rounded(field.read(*status), field.decimals));
        } else {
            RemoveGauge(*m_families->path[i], key);
        }
    }
    // Frame lock means something only while the frame synchronizer is enabled.
    const int level = status != nullptr ? protocol::FrameLockLevel(*status) : -1;
    if (level >= 0) {
        SetGauge(m_families->frameLocked, key, labels, level == protocol::kLocked ? 1 : 0);
    } else {
        RemoveGauge(m_families->frameLocked, key);
    }
}

void ReceiverMetrics::SetTester(int stream, const protocol::BertStream* tester) {
    tester = m_isUp ? tester : nullptr;
    const Labels labels = {{"stream", std::to_string(stream)}};
    const std::string key = std::to_string(stream);
    if (tester == nullptr) {
        RemoveGauge(m_families->testerLocked, key);
        RemoveCounter(m_families->testerBits, key);
        RemoveCounter(m_families->testerErrors, key);
        return;
    }
    SetGauge(m_families->testerLocked, key, labels, tester->locked != 0 ? 1 : 0);
    SetCounter(m_families->testerBits, key, labels, static_cast<double>(tester->bitCount));
    SetCounter(m_families->testerErrors, key, labels, static_cast<double>(tester->bitErrors));
}

void ReceiverMetrics::SetTimeValid(const protocol::TimeStatus* time) {
    time = m_isUp ? time : nullptr;
    if (time != nullptr) {
        SetGauge(m_families->timeValid, "time", {}, time->timeValid != 0 ? 1 : 0);
    } else {
        RemoveGauge(m_families->timeValid, "time");
    }
}

void ReceiverMetrics::SetAlarms(const std::vector<alarms::Alarm>& alarms) {
    std::set<std::string> active;
    for (const alarms::Alarm& alarm : m_isUp ? alarms : std::vector<alarms::Alarm>{}) {
        if (alarm.state != alarms::State::kActiveUnacked &&
            alarm.state != alarms::State::kActiveAcked) {
            continue;
        }
        const std::string key = std::to_string(alarm.path) + "|" + alarm.item + "|" +
                                alarms::SeverityName(alarm.severity);
        active.insert(key);
        SetGauge(m_families->alarmActive, key,
                 {{"path", alarm.path == alarms::kDevice ? "device" : std::to_string(alarm.path)},
                  {"item", alarm.item},
                  {"severity", alarms::SeverityName(alarm.severity)}},
                 1);
    }
    for (const std::string& key : m_alarmKeys) {
        if (active.count(key) == 0) {
            RemoveGauge(m_families->alarmActive, key);
        }
    }
    m_alarmKeys = std::move(active);
}

void ReceiverMetrics::SetHealth(const protocol::SystemState* health) {
    health = m_isUp ? health : nullptr;
    for (size_t rail = 0; rail < std::size(kRails); ++rail) {
        if (health != nullptr) {
            SetGauge(m_families->supply, kRails[rail], {{"rail", kRails[rail]}},
                     Rounded(health->physicalValues[rail], kHealthDecimals));
        } else {
            RemoveGauge(m_families->supply, kRails[rail]);
        }
    }
    if (health != nullptr) {
        SetGauge(m_families->supply, "supply", {{"rail", "supply"}},
                 Rounded(health->physicalValues[kSupplyValue], kHealthDecimals));
        SetGauge(m_families->temperature, "board", {{"sensor", "board"}},
                 Rounded(health->physicalValues[kTemperatureValue], kHealthDecimals));
    } else {
        RemoveGauge(m_families->supply, "supply");
        RemoveGauge(m_families->temperature, "board");
    }
}

void ReceiverMetrics::CountPoll(bool read, double seconds) {
    m_polls->Increment();
    if (!read) {
        m_pollFailures->Increment();
    }
    m_pollDuration->Observe(seconds);
}

void ReceiverMetrics::SetGauge(Family<Gauge>& family, const std::string& key, Labels labels,
                               double value) {
    const std::string id = KeyOf(family, key);
    auto found = m_gauges.find(id);
    if (found == m_gauges.end()) {
        labels.emplace("receiver", m_name);
        found = m_gauges.emplace(id, &family.Add(labels)).first;
    }
    found->second->Set(value);
}

void ReceiverMetrics::RemoveGauge(Family<Gauge>& family, const std::string& key) {
    const auto found = m_gauges.find(KeyOf(family, key));
    if (found != m_gauges.end()) {
        family.Remove(found->second);
        m_gauges.erase(found);
    }
}

void ReceiverMetrics::SetCounter(Family<Counter>& family, const std::string& key, Labels labels,
                                 double value) {
    const std::string id = KeyOf(family, key);
    auto found = m_counters.find(id);
    if (found != m_counters.end() && found->second->Value() > value) {
        RemoveCounter(family, key);  // restarted on the device: a counter reset for Prometheus
        found = m_counters.end();
    }
    if (found == m_counters.end()) {
        labels.emplace("receiver", m_name);
        found = m_counters.emplace(id, &family.Add(labels)).first;
    }
    found->second->Increment(value - found->second->Value());
}

void ReceiverMetrics::RemoveCounter(Family<Counter>& family, const std::string& key) {
    const auto found = m_counters.find(KeyOf(family, key));
    if (found != m_counters.end()) {
        family.Remove(found->second);
        m_counters.erase(found);
    }
}

void ReceiverMetrics::ClearReadValues() {
    RemoveGauge(m_families->info, "info");
    RemoveGauge(m_families->mode, "mode");
    for (int path = 0; path < kPaths; ++path) {
        SetPath(path, nullptr);
    }
    for (int stream = 0; stream < kStreams; ++stream) {
        SetTester(stream, nullptr);
    }
    SetTimeValid(nullptr);
    SetHealth(nullptr);
    SetAlarms({});
}

}  // namespace metrics
