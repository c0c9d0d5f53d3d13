#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>

#include "tests/ctl/ctl_run.h"
#include "tests/support/TempDir.h"
#include "trends/status_log.h"

namespace {

constexpr int64_t kStart = 1'765'000'000'000;  // 2025-12-06T05:46:40Z

// A log of path 0 polled every second from `first` to `last` (s after kStart), carrier locked
// before `unlockAt`.
std::string Log(int64_t first, int64_t last, int64_t unlockAt) {
    std::string text = trends::StatusLog::Heading() + "\n";
    for (int64_t second = first; second <= last; ++second) {
        protocol::ChannelStatus s;
        s.rssi = float(-60 - second % 3);
        s.carrierLock = second < unlockAt ? 1 : 0;
        text += trends::StatusLog::Line(kStart + second * 1000, 0, &s) + "\n";
    }
    return text;
}

}  // namespace

// Two files of one pass, in order: one summary over both, with the gap between them.
TEST(CtlLog, SummaryOfTwoFilesInTextAndJson) {
    testsupport::TempDir folder;
    const std::string first = folder.Path() + "/status-1.csv";
    const std::string second = folder.Path() + "/status-2.csv";
    std::ofstream(first) << Log(0, 60, 30);
    std::ofstream(second) << Log(70, 100, 1000) + "2025-12-06T05:4";  // cut short at the end

    const CtlRun text = RunCtl({"log", "summary", first, second});
    EXPECT_EQ(text.status, 0) << text.err;
    for (const std::string& expected : std::vector<std::string>{
             "  - 1\n    file: " + second + "\n    lines: 33\n",
             "    badLines: 1\n    firstBadLine: 33\n",
             "    from: 2025-12-06T05:46:40.000Z\n    to: 2025-12-06T05:48:20.000Z\n    seconds: "
             "100\n",
             "    polls: 92\n    failedPolls: 0\n", "    carrierLockHeldPercent: 66.7\n",
             "    rssiMinDbm: -62\n", "    rssiMaxDbm: -60\n",
             "      - 0\n        from: 2025-12-06T05:47:40.000Z\n        seconds: 10\n"}) {
        EXPECT_NE(text.out.find(expected), std::string::npos) << expected << "\n" << text.out;
    }

    const CtlRun json = RunCtl({"--json", "log", "summary", first, second});
    EXPECT_EQ(json.status, 0);
    const nlohmann::json summary = nlohmann::json::parse(json.out);
    EXPECT_EQ(summary["files"][1]["badLines"], 1);
    const nlohmann::json& path = summary["paths"][0];
    EXPECT_EQ(path["path"], 0);
    EXPECT_EQ(path["polls"], 92);
    EXPECT_DOUBLE_EQ(path["carrierLockHeldPercent"].get<double>(), 66.7);  // 60 of 90 s
    EXPECT_DOUBLE_EQ(path["rssiMeanDbm"].get<double>(), -61);
    EXPECT_EQ(path["gaps"].size(), 1u);
    EXPECT_EQ(summary["paths"].size(), 1u);  // no other path polled

    // Given in the wrong order, the earlier file's lines are out of order, and counted.
    const CtlRun swapped = RunCtl({"--json", "log", "summary", second, first});
    EXPECT_EQ(nlohmann::json::parse(swapped.out)["files"][1]["badLines"], 61);
}

TEST(CtlLog, NoFileOrNoStatusLogIsAUsageError) {
    testsupport::TempDir folder;
    const std::string other = folder.Path() + "/other.csv";
    std::ofstream(other) << "a,b\n1,2\n";
    const struct {
        std::vector<std::string> words;
        std::string error;
    } cases[] = {
        {{"log"}, "kv90t-ctl: log needs summary FILE ... [--limits FILE]; see --help\n"},
        {{"log", "summary"}, "kv90t-ctl: log needs summary FILE ... [--limits FILE]; see --help\n"},
        {{"log", "show", other},
         "kv90t-ctl: log needs summary FILE ... [--limits FILE]; see --help\n"},
        {{"log", "summary", other},
         "kv90t-ctl: " + other +
             ":1: not a status log: the heading is not \"time,path,valid,...\"\n"},
    };
    for (const auto& c : cases) {
        const CtlRun run = RunCtl(c.words);
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.err, c.error);
        EXPECT_EQ(run.out, "");
    }
}

// With a limit set the summary lists the stretches in alarm as the console's engine judges the
// logged polls: the carrier lost at 30 s raises after its persistence of two polls and returns
// with the first locked poll of the next file.
TEST(CtlLog, ALimitSetAddsTheStretchesInAlarm) {
    testsupport::TempDir folder;
    const std::string first = folder.Path() + "/status-1.csv";
    const std::string second = folder.Path() + "/status-2.csv";
    const std::string limits = folder.Path() + "/limits.json";
    std::ofstream(first) << Log(0, 60, 30);
    std::ofstream(second) << Log(70, 100, 1000);
    std::ofstream(limits) << R"({"format": "kv90t-limits", "version": 1, "paths": {"CH1":
        {"carrierLock": {"severity": "red", "persistence": 2}}}})";

    const CtlRun run = RunCtl({"--json", "log", "summary", first, "--limits", limits, second});
    ASSERT_EQ(run.status, 0) << run.err;
    const nlohmann::json alarms = nlohmann::json::parse(run.out)["alarms"];
    ASSERT_EQ(alarms.size(), 1u) << run.out;
    EXPECT_EQ(alarms[0]["path"], "CH1");
    EXPECT_EQ(alarms[0]["item"], "carrierLock");
    EXPECT_EQ(alarms[0]["severity"], "red");
    EXPECT_EQ(alarms[0]["from"], "2025-12-06T05:47:11.000Z");
    EXPECT_EQ(alarms[0]["to"], "2025-12-06T05:47:50.000Z");
    EXPECT_EQ(alarms[0]["seconds"], 39);

    // Still in alarm at the end of the log: no end, and the time to the log's last poll.
    const CtlRun open = RunCtl({"--json", "log", "summary", first, "--limits", limits});
    const nlohmann::json last = nlohmann::json::parse(open.out)["alarms"][0];
    EXPECT_TRUE(last["to"].is_null());
    EXPECT_EQ(last["seconds"], 29);
    EXPECT_FALSE(
        nlohmann::json::parse(RunCtl({"--json", "log", "summary", first}).out).contains("alarms"));
    const CtlRun missing = RunCtl({"log", "summary", first, "--limits"});
    EXPECT_EQ(missing.status, 2);
    EXPECT_EQ(missing.err, "kv90t-ctl: --limits needs a limits file; see --help\n");
}

// `mark` writes into today's status log of the data folder; `log summary` lists the marks, and
// a mark does not count as a failed poll for the alarms.
TEST(CtlLog, AMarkGoesIntoTheLogAndItsSummary) {
    testsupport::TempDir folder;
    const CtlRun marked =
        RunCtl({"--json", "--data-dir", folder.Path(), "mark", "AOS, pass \"4\""});
    ASSERT_EQ(marked.status, 0) << marked.err;
    const nlohmann::json record = nlohmann::json::parse(marked.out);
    EXPECT_EQ(record["note"], "AOS, pass \"4\"");
    const std::string file = record["file"];
    EXPECT_EQ(file.rfind(folder.Path() + "/status-", 0), 0u) << file;

    const CtlRun again = RunCtl({"--data-dir", folder.Path(), "mark", "LOS"});
    EXPECT_EQ(again.status, 0) << again.err;
    EXPECT_NE(again.out.find("file: " + file), std::string::npos) << again.out;

    const CtlRun summary = RunCtl({"--json", "log", "summary", file});
    ASSERT_EQ(summary.status, 0) << summary.err;
    const nlohmann::json parsed = nlohmann::json::parse(summary.out);
    ASSERT_EQ(parsed["marks"].size(), 2u);
    EXPECT_EQ(parsed["marks"][0]["note"], "AOS, pass \"4\"");
    EXPECT_EQ(parsed["marks"][1]["note"], "LOS");
    EXPECT_EQ(parsed["files"][0]["badLines"], 0);
    EXPECT_TRUE(parsed["paths"].empty());

    for (const std::vector<std::string>& words :
         {std::vector<std::string>{"mark"}, {"mark", " \n "}, {"mark", "a", "b"}}) {
        const CtlRun bad = RunCtl(words);
        EXPECT_EQ(bad.status, 2);
        EXPECT_EQ(bad.err, "kv90t-ctl: mark needs one TEXT (quote it); see --help\n");
    }
    const std::string plain = folder.Path() + "/plain";
    std::ofstream(plain) << "";
    const CtlRun notAFolder = RunCtl({"--data-dir", plain, "mark", "x"});
    EXPECT_EQ(notAFolder.status, 2);
    EXPECT_EQ(notAFolder.err,
              "kv90t-ctl: --data-dir '" + plain + "' cannot be used: not a folder; see --help\n");
    // Today's log name taken by a folder: the mark cannot be written, and says where.
    testsupport::TempDir other;
    std::filesystem::create_directory(other.Path() + file.substr(file.rfind('/')));
    const CtlRun blocked = RunCtl({"--data-dir", other.Path(), "mark", "x"});
    EXPECT_EQ(blocked.status, 1);
    EXPECT_EQ(blocked.err.rfind("kv90t-ctl: cannot write the mark: " + other.Path(), 0), 0u)
        << blocked.err;
}
