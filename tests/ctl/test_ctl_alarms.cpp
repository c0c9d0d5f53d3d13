#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>

#include "tests/ctl/ctl_run.h"
#include "tests/support/TempDir.h"

namespace {

std::string WriteLimits(const testsupport::TempDir& folder, const std::string& name,
                        const std::string& paths) {
    const std::string path = folder.Path() + "/" + name + ".json";
    std::ofstream(path) << R"({"format": "kv90t-limits", "version": 1, "paths": )" << paths << "}";
    return path;
}

}  // namespace

// The simulated RSSI is about -62 dBm: under a yellow bound of -50 the watch lists a yellow
// alarm and ends well; under a red bound of -40 it ends with exit status 3.
TEST(CtlAlarms, AWatchWithLimitsListsItsAlarmsAndEndsThreeOnARedOne) {
    testsupport::SimulatedDevice sim;
    testsupport::TempDir folder;
    const std::string yellow =
        WriteLimits(folder, "yellow", R"({"CH2": {"rssi": {"yellowLow": -50, "persistence": 2}}})");
    CtlRun run = RunCtl(At(
        sim, {"status", "--watch", "--interval", "0", "--count", "2", "--limits", yellow}, true));
    EXPECT_EQ(run.status, 0) << run.err;
    std::istringstream lines(run.out);
    std::string first;
    std::string second;
    std::getline(lines, first);
    std::getline(lines, second);
    EXPECT_TRUE(nlohmann::json::parse(first)["alarms"].empty());  // persistence: two polls
    const nlohmann::json alarms = nlohmann::json::parse(second)["alarms"];
    ASSERT_EQ(alarms.size(), 1u);
    EXPECT_EQ(alarms[0]["path"], "CH2");
    EXPECT_EQ(alarms[0]["item"], "rssi");
    EXPECT_EQ(alarms[0]["severity"], "yellow");
    EXPECT_EQ(alarms[0]["state"], "active");
    EXPECT_EQ(alarms[0]["bound"], -50);

    const std::string red =
        WriteLimits(folder, "red", R"({"combiner": {"rssi": {"redLow": -40}}})");
    run =
        RunCtl(At(sim, {"status", "--watch", "--interval", "0", "--count", "1", "--limits", red}));
    EXPECT_EQ(run.status, 3);
    EXPECT_NE(run.out.find("    path: combiner\n    item: rssi\n    severity: red\n"),
              std::string::npos)
        << run.out;
}

TEST(CtlAlarms, CheckPrintsASetAndRefusesABadOneWithItsPointer) {
    testsupport::TempDir folder;
    const std::string good = WriteLimits(
        folder, "good", R"({"CH1": {"carrierLock": {"severity": "yellow", "persistence": 4}}})");
    CtlRun run = RunCtl({"--json", "alarms", "check", good});
    EXPECT_EQ(run.status, 0);
    const nlohmann::json set = nlohmann::json::parse(run.out);
    EXPECT_EQ(set["paths"][0]["path"], "CH1");
    EXPECT_EQ(set["paths"][0]["items"][0]["severity"], "yellow");
    EXPECT_EQ(set["paths"][0]["items"][0]["persistence"], 4);
    const std::string dau = folder.Path() + "/dau.json";
    std::ofstream(dau) << R"({"format": "kv90t-limits", "version": 1,
        "dau": {"temperature": {"redHigh": 70}}})";
    run = RunCtl({"--json", "alarms", "check", dau});
    EXPECT_EQ(nlohmann::json::parse(run.out)["dau"][0]["redHigh"], 70) << run.out;

    const std::string bad = WriteLimits(folder, "bad", R"({"CH1": {"rssi": {"redHigh": "x"}}})");
    for (const std::vector<std::string>& words :
         {std::vector<std::string>{"alarms", "check", bad},
          std::vector<std::string>{"--tcp", "127.0.0.1:1", "status", "--watch", "--limits", bad}}) {
        run = RunCtl(words);
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.err, "kv90t-ctl: " + bad +
                               ": /paths/CH1/rssi/redHigh: is \"x\", not a number; see --help\n");
    }
    run = RunCtl({"alarms", "check"});
    EXPECT_EQ(run.err, "kv90t-ctl: alarms needs check FILE; see --help\n");
    run = RunCtl({"--tcp", "127.0.0.1:1", "status", "--limits", good});
    EXPECT_EQ(run.err,
              "kv90t-ctl: status: --interval, --count and --limits go with --watch; "
              "see --help\n");
}

// The same scenario that drives the console's alarms drives the watch's: channel 1 losing its
// lock raises the red carrier-lock alarm after its persistence.
TEST(CtlAlarms, AWatchJudgesAScenarioAsTheConsoleDoes) {
    testsupport::SimulatedDevice sim(sim::DefaultProfile(), true);
    testsupport::TempDir folder;
    const std::string limits = WriteLimits(
        folder, "locks", R"({"CH1": {"carrierLock": {"severity": "red", "persistence": 2}}})");
    sim.Clock().Advance(5'000);
    sim.Simulation().SetScenario(sim::Scenario::kCarrierDrop);
    sim.Clock().Advance(11'000);
    CtlRun run = RunCtl(At(
        sim, {"status", "--watch", "--interval", "0", "--count", "2", "--limits", limits}, true));
    EXPECT_EQ(run.status, 3) << run.err;
    std::istringstream lines(run.out);
    std::string first;
    std::string second;
    std::getline(lines, first);
    std::getline(lines, second);
    EXPECT_TRUE(nlohmann::json::parse(first)["alarms"].empty());
    const nlohmann::json alarms = nlohmann::json::parse(second)["alarms"];
    ASSERT_EQ(alarms.size(), 1u) << run.out;
    EXPECT_EQ(alarms[0]["item"], "carrierLock");
    EXPECT_EQ(alarms[0]["severity"], "red");

    run = RunCtl({"--demo", "--scenario", "storm", "identity"});
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("unknown scenario 'storm'"), std::string::npos) << run.err;
    run = RunCtl({"alarms", "check", folder.Path() + "/missing.json"});
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find(folder.Path() + "/missing.json: cannot be read"), std::string::npos)
        << run.err;
}
