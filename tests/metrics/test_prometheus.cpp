// The real monitoring engine: Debian's Prometheus server scrapes kv90t-ctl serve, which polls
// three simulated receivers, and is asked through its HTTP API what it stored.

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <memory>
#include <nlohmann/json.hpp>

#include "link/CNetworkDeviceComm.h"
#include "protocol/CKV90T1_Comm.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/Http.h"
#include "tests/support/SimulatedDevice.h"
#include "tests/support/TempDir.h"

namespace {

constexpr const char* kPrometheus = "/usr/bin/prometheus";
constexpr int kScrapeIntervalS = 2;

std::string UrlEncoded(const std::string& text) {
    std::string encoded;
    for (const unsigned char c : text) {
        if (std::isalnum(c) || c == '_' || c == '-' || c == '.') {
            encoded += static_cast<char>(c);
        } else {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", c);
            encoded += hex;
        }
    }
    return encoded;
}

class PrometheusRealTime : public ::testing::Test {
protected:
    // The value Prometheus holds now for `query` of receiver `receiver`; none when absent.
    std::optional<double> Query(const std::string& query, const std::string& receiver) {
        const std::string body =
            testsupport::HttpGet(m_prometheusPort, "/api/v1/query?query=" + UrlEncoded(query));
        const nlohmann::json reply = nlohmann::json::parse(body, nullptr, false);
        if (reply.is_discarded() || reply.value("status", "") != "success") {
            return std::nullopt;
        }
        for (const nlohmann::json& series : reply["data"]["result"]) {
            if (series["metric"].value("receiver", "") == receiver) {
                return std::stod(series["value"][1].get<std::string>());
            }
        }
        return std::nullopt;
    }
    // Path 0's RSSI as the device reports it to a link of the test's own.
    double DeviceRssi(testsupport::SimulatedDevice& device) {
        CNetworkDeviceComm link("127.0.0.1", device.TcpPort());
        CKV90T1_Comm comm(&link);
        EXPECT_NE(comm.ReadChannelStatus(0), 0);
        return comm.m_ChannelStatus[0].rssi;
    }

    testsupport::TempDir m_folder;
    uint16_t m_prometheusPort = testsupport::FreeTcpPort();
};

}  // namespace

TEST_F(PrometheusRealTime, ScrapesEveryReceiverAndSeesOneStopWithinTwoIntervals) {
    ASSERT_EQ(::access(kPrometheus, X_OK), 0) << kPrometheus << " is missing: run make deps";
    std::vector<std::unique_ptr<testsupport::SimulatedDevice>> devices;
    std::vector<std::string> serve = {KV90T_CTL, "serve", "--metrics"};
    const uint16_t metricsPort = testsupport::FreeTcpPort();
    serve.push_back(std::to_string(metricsPort));
    for (int i = 1; i <= 3; ++i) {
        devices.push_back(std::make_unique<testsupport::SimulatedDevice>());
        serve.push_back("rx" + std::to_string(i) +
                        "=tcp:127.0.0.1:" + std::to_string(devices.back()->TcpPort()));
    }
    testsupport::ChildProcess poller(serve, m_folder.Path() + "/serve.log");
    ASSERT_TRUE(poller.Started());
    std::ofstream(m_folder.Path() + "/prometheus.yml")
        << "global:\n  scrape_interval: " << kScrapeIntervalS << "s\n  scrape_timeout: 1s\n"
        << "scrape_configs:\n  - job_name: kv90t\n    static_configs:\n"
        << "      - targets: ['127.0.0.1:" << metricsPort << "']\n";
    testsupport::ChildProcess prometheus(
        {kPrometheus, "--config.file=" + m_folder.Path() + "/prometheus.yml",
         "--storage.tsdb.path=" + m_folder.Path() + "/data",
         "--web.listen-address=127.0.0.1:" + std::to_string(m_prometheusPort)},
        m_folder.Path() + "/prometheus.log");
    ASSERT_TRUE(prometheus.Started());

    ASSERT_TRUE(testsupport::WaitUntil(
        [&] {
            return Query("kv90t_up", "rx1") == 1 && Query("kv90t_up", "rx2") == 1 &&
                   Query("kv90t_up", "rx3") == 1 &&
                   Query("kv90t_rssi_dbm{path=\"0\"}", "rx3").has_value();
        },
        60'000))
        << "Prometheus did not see three receivers up; see " << m_folder.Path();
    for (int i = 0; i < 3; ++i) {
        const std::string receiver = "rx" + std::to_string(i + 1);
        const std::optional<double> stored = Query("kv90t_rssi_dbm{path=\"0\"}", receiver);
        ASSERT_TRUE(stored.has_value()) << receiver;
        // The simulated RSSI drifts by at most 0.6 dB a second, with +-0.5 dB of noise, and the
        // stored value is up to a scrape interval old.
        EXPECT_NEAR(*stored, DeviceRssi(*devices[i]), 2.5) << receiver;
    }

    devices[1].reset();
    const auto stopped = std::chrono::steady_clock::now();
    ASSERT_TRUE(testsupport::WaitUntil([&] { return Query("kv90t_up", "rx2") == 0; }, 30'000));
    const auto seen = std::chrono::steady_clock::now() - stopped;
    EXPECT_LE(seen, std::chrono::seconds(2 * kScrapeIntervalS));
    EXPECT_EQ(Query("kv90t_up", "rx1"), 1);
    EXPECT_EQ(Query("kv90t_up", "rx3"), 1);
    EXPECT_EQ(poller.Stop(), 0);  // SIGTERM ends it cleanly
}
