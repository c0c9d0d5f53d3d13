#include <gtest/gtest.h>
#include <netinet/in.h>
#include <prometheus/registry.h>
#include <prometheus/text_serializer.h>
#include <sys/socket.h>
#include <unistd.h>

#include <fstream>
#include <nlohmann/json.hpp>
#include <regex>
#include <set>

#include "ctl/receiver_poller.h"
#include "metrics/endpoint.h"
#include "platform/clock.h"
#include "tests/ctl/ctl_run.h"
#include "tests/support/Http.h"
#include "tests/support/SimulatedDevice.h"
#include "tests/support/TempDir.h"

using testsupport::HasSeries;
using testsupport::HttpGet;
using testsupport::Sample;
using testsupport::WaitUntil;

namespace {

constexpr uint16_t kChannelStatus = 0x2100;

std::string Text(const std::shared_ptr<prometheus::Registry>& registry) {
    return prometheus::TextSerializer().Serialize(registry->Collect());
}

ctl::ServeTarget Target(const std::string& text) {
    return ctl::ParseServeTarget(text);
}

std::string TcpTarget(const std::string& name, uint16_t port) {
    return (name.empty() ? "" : name + "=") + "tcp:127.0.0.1:" + std::to_string(port);
}

// A receiver polled by kv90t-ctl serve's poller, its metrics served over loopback HTTP.
class Served : public ::testing::Test {
protected:
    Served()
        : m_endpoint(metrics::ParseListenAddress(std::to_string(testsupport::FreeTcpPort()))) {}
    std::string Scrape() { return HttpGet(m_endpoint.Port(), "/metrics"); }
    std::optional<double> Value(const std::string& name, std::map<std::string, std::string> labels,
                                const std::string& receiver = "rx1") {
        labels.emplace("receiver", receiver);
        return Sample(Scrape(), name, labels);
    }
    // Waits for `done`, moving the clocks on so that paced turns, back-off and the device's
    // acquisition pass.
    bool Until(const std::function<bool()>& done) {
        return WaitUntil([&] {
            platform::AdvanceClockMs(100);
            m_sim.Clock().Advance(100);
            return done();
        });
    }

    testsupport::SimulatedDevice m_sim{sim::DefaultProfile(), true};
    metrics::Endpoint m_endpoint;
};

}  // namespace

TEST_F(Served, EveryPathOfAReceiverIsScrapedWithItsLabels) {
    ctl::ReceiverPoller poller(Target(TcpTarget("rx1", m_sim.TcpPort())), m_endpoint.Registry());
    ASSERT_TRUE(Until([&] { return Value("kv90t_frame_locked", {{"path", "2"}}) == 1; }));
    const std::string text = Scrape();
    auto value = [&](const std::string& name, std::map<std::string, std::string> labels) {
        labels.emplace("receiver", "rx1");
        return Sample(text, name, labels);
    };
    EXPECT_EQ(value("kv90t_up", {}), 1);
    EXPECT_EQ(value("kv90t_operational_mode", {}), 3);
    EXPECT_EQ(value("kv90t_info", {{"serial_number", "1A2B-007"},
                                   {"device_id", "KV90T-SIM-000001"},
                                   {"dsp1_version", "20250312"},
                                   {"dsp2_version", "20250312"},
                                   {"fio_fpga_version", "20241105"},
                                   {"bridge_fpga_version", "20240901"},
                                   {"demod_fpga_version", "20250115"},
                                   {"hardware_configuration", "1234"}}),
              1);
    for (const std::string path : {"0", "1", "2"}) {
        SCOPED_TRACE("path " + path);
        const auto rssi = value("kv90t_rssi_dbm", {{"path", path}});
        ASSERT_TRUE(rssi.has_value());
        EXPECT_GE(*rssi, -65.5);  // the simulated signal: -62 dBm, 3 dB of swing, some noise
        EXPECT_LE(*rssi, -58.5);
        EXPECT_EQ(value("kv90t_carrier_locked", {{"path", path}}), 1);
        EXPECT_EQ(value("kv90t_symbol_locked", {{"path", path}}), 1);
        EXPECT_EQ(value("kv90t_frame_locked", {{"path", path}}), 1);
        EXPECT_EQ(value("kv90t_symbol_rate_hertz", {{"path", path}}), 2'000'000);
        EXPECT_TRUE(value("kv90t_carrier_frequency_offset_hertz", {{"path", path}}));
        EXPECT_TRUE(value("kv90t_am_modulation_index", {{"path", path}}));
    }
    EXPECT_EQ(value("kv90t_supply_volts", {{"rail", "rail2"}}), 3.3);
    EXPECT_NEAR(value("kv90t_temperature_celsius", {{"sensor", "board"}}).value_or(0), 41, 1.5);
    EXPECT_EQ(value("kv90t_supply_volts", {{"rail", "negativeRail1"}}), -5);
    EXPECT_FALSE(value("kv90t_time_valid", {}));                            // read in DAU mode only
    EXPECT_FALSE(HasSeries(text, "kv90t_bert_locked", "receiver", "rx1"));  // no tester runs
    EXPECT_GE(value("kv90t_polls_total", {}), 1);
    EXPECT_EQ(value("kv90t_poll_failures_total", {}), 0);
}

TEST_F(Served, AReceiverOnASerialPortIsPolledAsOneOnTcp) {
    ctl::ReceiverPoller poller(Target("rs=serial:COM5@57600"), m_endpoint.Registry());
    ASSERT_TRUE(Until([&] { return Value("kv90t_symbol_locked", {{"path", "2"}}, "rs") == 1; }));
    const std::string text = Scrape();
    EXPECT_EQ(Sample(text, "kv90t_up", {{"receiver", "rs"}}), 1);
    EXPECT_TRUE(HasSeries(text, "kv90t_info", "serial_number", "1A2B-007"));
    EXPECT_EQ(Sample(text, "kv90t_poll_failures_total", {{"receiver", "rs"}}), 0);
}

// A receiver that stops answering keeps only kv90t_up 0 and its counters, and comes back
// whole when it answers again.
TEST_F(Served, ALostReceiverKeepsOnlyUpAndItsCountersUntilItAnswersAgain) {
    ctl::ReceiverPoller poller(Target(TcpTarget("rx1", m_sim.TcpPort())), m_endpoint.Registry());
    ASSERT_TRUE(Until([&] { return Value("kv90t_rssi_dbm", {{"path", "0"}}).has_value(); }));
    sim::Fault silent = sim::MakeFault(sim::FaultKind::NoReply);
    silent.code = kChannelStatus;
    silent.count = -1;
    m_sim.Device().InjectFault(silent);
    ASSERT_TRUE(Until([&] { return Value("kv90t_up", {}) == 0; }));
    const std::string down = Scrape();
    for (const char* gone : {"kv90t_rssi_dbm", "kv90t_info", "kv90t_operational_mode",
                             "kv90t_frame_sync_state", "kv90t_supply_volts"}) {
        EXPECT_FALSE(HasSeries(down, gone, "receiver", "rx1")) << gone;
    }
    EXPECT_GE(Sample(down, "kv90t_poll_failures_total", {{"receiver", "rx1"}}), 3);
    EXPECT_GE(Sample(down, "kv90t_polls_total", {{"receiver", "rx1"}}), 3);

    m_sim.Device().ClearFaults();
    ASSERT_TRUE(Until([&] { return Value("kv90t_up", {}) == 1; }));
    ASSERT_TRUE(Until([&] { return Value("kv90t_rssi_dbm", {{"path", "0"}}).has_value(); }));
    EXPECT_TRUE(HasSeries(Scrape(), "kv90t_info", "receiver", "rx1"));
}

// With a limit set, the alarms in force are served; a receiver that is down serves none.
TEST_F(Served, TheAlarmsOfALimitSetAreServedWhileInForce) {
    const alarms::LimitSet limits = alarms::ParseLimitSet(R"({
        "format": "kv90t-limits", "version": 1,
        "paths": {"CH1": {"rssi": {"yellowLow": -50, "persistence": 2}},
                  "CH2": {"carrierLock": {"severity": "red"}}}})");
    ctl::ReceiverPoller poller(Target(TcpTarget("rx1", m_sim.TcpPort())), m_endpoint.Registry(),
                               limits);
    const std::map<std::string, std::string> rssi = {
        {"path", "0"}, {"item", "rssi"}, {"severity", "yellow"}};
    // Channel 2's carrier locks once the device has acquired it: its alarm is then no more.
    ASSERT_TRUE(Until([&] {
        return Value("kv90t_alarm_active", rssi) == 1 &&
               !HasSeries(Scrape(), "kv90t_alarm_active", "item", "carrierLock");
    }));
    EXPECT_EQ(Value("kv90t_carrier_locked", {{"path", "1"}}), 1);

    sim::Fault silent = sim::MakeFault(sim::FaultKind::NoReply);
    silent.code = kChannelStatus;
    silent.count = -1;
    m_sim.Device().InjectFault(silent);
    ASSERT_TRUE(Until([&] { return Value("kv90t_up", {}) == 0; }));
    EXPECT_FALSE(HasSeries(Scrape(), "kv90t_alarm_active", "receiver", "rx1"));
}

TEST_F(Served, AnUnnamedTargetTakesTheSerialNumberAndADeadOneIsDownBesideIt) {
    const uint16_t nothing = testsupport::FreeTcpPort();
    ctl::ReceiverPoller named(Target(TcpTarget("", m_sim.TcpPort())), m_endpoint.Registry());
    ctl::ReceiverPoller dead(Target(TcpTarget("dead", nothing)), m_endpoint.Registry());
    ASSERT_TRUE(Until([&] {
        return Value("kv90t_up", {}, "1A2B-007") == 1 &&
               Value("kv90t_poll_failures_total", {}, "dead") >= 2;
    }));
    const std::string text = Scrape();
    EXPECT_EQ(Sample(text, "kv90t_up", {{"receiver", "dead"}}), 0);
    EXPECT_FALSE(HasSeries(text, "kv90t_rssi_dbm", "receiver", "dead"));
    // The address named the receiver only until its serial number was read.
    EXPECT_FALSE(HasSeries(text, "kv90t_up", "receiver", TcpTarget("", m_sim.TcpPort())));
}

// The device's tester counts are shown as they stand; a restart on the device is a counter
// reset, and values the device cannot report are absent.
TEST(ReceiverMetrics, CountersFollowTheDeviceAndUnreadableValuesAreAbsent) {
    const auto registry = std::make_shared<prometheus::Registry>();
    metrics::ReceiverMetrics rx(registry, "r");
    rx.SetUp(true);
    protocol::BertStream tester;
    tester.locked = 1;
    for (const int64_t bits : {1000, 5000, 10}) {
        tester.bitCount = bits;
        tester.bitErrors = bits / 100;
        rx.SetTester(4, &tester);
        const std::string text = Text(registry);
        EXPECT_EQ(Sample(text, "kv90t_bert_bits_total", {{"receiver", "r"}, {"stream", "4"}}),
                  bits);
        EXPECT_EQ(Sample(text, "kv90t_bert_bit_errors_total", {{"receiver", "r"}, {"stream", "4"}}),
                  bits / 100);
        EXPECT_EQ(Sample(text, "kv90t_bert_locked", {{"receiver", "r"}, {"stream", "4"}}), 1);
    }
    rx.SetTester(4, nullptr);
    EXPECT_FALSE(HasSeries(Text(registry), "kv90t_bert_bits_total", "receiver", "r"));

    protocol::ChannelStatus status;
    status.rssi = -200;  // below what a receiver input can take: no reading
    status.carrierLock = 1;
    status.frameLockEnabled = 0;
    rx.SetPath(1, &status);
    std::string text = Text(registry);
    EXPECT_FALSE(HasSeries(text, "kv90t_rssi_dbm", "receiver", "r"));
    EXPECT_FALSE(HasSeries(text, "kv90t_frame_locked", "receiver", "r"));
    EXPECT_EQ(Sample(text, "kv90t_carrier_locked", {{"path", "1"}, {"receiver", "r"}}), 1);
    status.rssi = -52.5f;
    status.frameLockEnabled = 1;
    rx.SetPath(1, &status);
    text = Text(registry);
    EXPECT_EQ(Sample(text, "kv90t_rssi_dbm", {{"path", "1"}, {"receiver", "r"}}), -52.5);
    EXPECT_EQ(Sample(text, "kv90t_frame_locked", {{"path", "1"}, {"receiver", "r"}}), 0);
    rx.SetPath(1, nullptr);
    EXPECT_FALSE(HasSeries(Text(registry), "kv90t_carrier_locked", "receiver", "r"));
    rx.SetUp(false);  // what a connect reads before it succeeded is not shown
    rx.SetPath(1, &status);
    rx.SetMode(3);
    text = Text(registry);
    EXPECT_FALSE(HasSeries(text, "kv90t_rssi_dbm", "receiver", "r"));
    EXPECT_FALSE(HasSeries(text, "kv90t_operational_mode", "receiver", "r"));
    EXPECT_EQ(Sample(text, "kv90t_up", {{"receiver", "r"}}), 0);
}

TEST(ServeCommand, BadWordsTargetsAndAddressesExitTwoAndNameTheProblem) {
    testsupport::TempDir folder;
    const std::string targets = folder.Path() + "/targets";
    std::ofstream(targets) << "# the range's receivers\n\nrx1=tcp:127.0.0.1:5000\nrx2=udp:host\n";
    const struct {
        std::vector<std::string> words;
        const char* error;
    } cases[] = {
        {{"serve", "tcp:127.0.0.1"}, "serve needs --metrics [ADDR:]PORT"},
        {{"serve", "--metrics", "9100"}, "serve needs at least one TARGET"},
        {{"serve", "--metrics", "70000", "tcp:h"}, "'70000' needs a port from 1 to 65535"},
        {{"serve", "--metrics", ":9100", "tcp:h"}, "names no address"},
        {{"serve", "--metrics", "9100", "rx1"}, "target 'rx1' needs [NAME=]tcp:HOST[:PORT]"},
        {{"serve", "--metrics", "9100", "=tcp:h"}, "target '=tcp:h' has an empty name"},
        {{"serve", "--metrics", "9100", "a=tcp:h:0"}, "target 'a=tcp:h:0' needs HOST[:PORT]"},
        {{"serve", "--metrics", "9100", "a=serial:COM1@0"}, "needs PORT[@BAUD]"},
        {{"serve", "--metrics", "9100", "--targets", targets}, "/targets:4: target 'rx2=udp:host'"},
        {{"serve", "--metrics", "9100", "--targets", targets + ".none"}, "cannot read the targets"},
        {{"serve", "--metrics", "9100", "--watch", "tcp:h"}, "serve: unexpected '--watch'"},
        {{"serve", "--metrics", "9100", "--limits", targets, "tcp:h"}, "/targets: not JSON"},
    };
    for (const auto& c : cases) {
        const CtlRun run = RunCtl(c.words);
        EXPECT_EQ(run.status, 2) << c.error;
        EXPECT_NE(run.err.find(c.error), std::string::npos) << run.err;
    }
}

TEST(ServeCommand, AnAddressInUseOrNotOursExitsTwo) {
    const int busy = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    ASSERT_EQ(::bind(busy, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(busy, 1), 0);
    ::getsockname(busy, reinterpret_cast<sockaddr*>(&address), &size);
    const std::string port = std::to_string(ntohs(address.sin_port));
    CtlRun run = RunCtl({"serve", "--metrics", port, "tcp:127.0.0.1"});
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("cannot serve metrics on 127.0.0.1:" + port), std::string::npos)
        << run.err;
    ::close(busy);
    run = RunCtl({"serve", "--metrics", "192.0.2.1:" + port, "tcp:127.0.0.1"});
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("cannot serve metrics on 192.0.2.1:" + port), std::string::npos)
        << run.err;
}

// The shipped Grafana dashboard asks only for metrics that the programs serve.
TEST(ReceiverMetrics, TheShippedDashboardAsksOnlyForServedMetrics) {
    const auto registry = std::make_shared<prometheus::Registry>();
    metrics::ReceiverMetrics rx(registry, "r");
    rx.SetUp(true);
    protocol::ChannelStatus status;
    status.frameLockEnabled = 1;
    protocol::BertStream tester;
    protocol::TimeStatus time;
    protocol::SystemState health;
    rx.SetIdentity(protocol::DeviceIdentity{}, 1234);
    rx.SetMode(3);
    rx.SetPath(0, &status);
    rx.SetTester(0, &tester);
    rx.SetTimeValid(&time);
    rx.SetHealth(&health);
    std::set<std::string> served;
    for (const prometheus::MetricFamily& family : registry->Collect()) {
        served.insert(family.name);
    }
    std::ifstream file(std::string(KV90T_SOURCE_DIR) + "/contrib/grafana/kv90t-dashboard.json");
    const nlohmann::json dashboard = nlohmann::json::parse(file, nullptr, false);
    ASSERT_FALSE(dashboard.is_discarded());
    int asked = 0;
    for (const nlohmann::json& panel : dashboard["panels"]) {
        for (const nlohmann::json& target : panel.value("targets", nlohmann::json::array())) {
            const std::string expr = target["expr"];
            const std::regex metric("kv90t_[a-z_]+");
            for (auto it = std::sregex_iterator(expr.begin(), expr.end(), metric);
                 it != std::sregex_iterator(); ++it) {
                EXPECT_TRUE(served.count(it->str())) << it->str();
                ++asked;
            }
        }
    }
    EXPECT_GE(asked, 6);
}
