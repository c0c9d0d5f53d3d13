#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include "protocol/status_fields.h"
#include "tests/support/TempDir.h"
#include "tests/trends/read_log.h"
#include "trends/log_replay.h"
#include "trends/log_summary.h"
#include "trends/status_log.h"
#include "trends/status_log_reader.h"

using trends::LogLine;
using trends::StatusLog;
using trends::StatusLogReader;

namespace {

constexpr int64_t kStart = 1'765'000'000'000;  // ms since the epoch

protocol::ChannelStatus Status(float rssi, bool carrier) {
    protocol::ChannelStatus s;
    s.rssi = rssi;
    s.carrierLock = carrier ? 1 : 0;
    s.symbolLock = 1;
    s.carrierFrequency = -1234;
    s.symbolRate = 2'000'000;
    s.fmModIndex = 0.55f;
    s.frameSyncEnabled = 1;
    s.frameSyncState = 2;
    return s;
}

class LogFile : public ::testing::Test {
protected:
    std::string Write(const std::string& text, const std::string& name = "status.csv") {
        const std::string path = m_folder.Path() + "/" + name;
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }
    testsupport::TempDir m_folder;
};

std::string Lines(const std::vector<std::string>& lines) {
    std::string text = StatusLog::Heading() + "\n";
    for (const std::string& line : lines) {
        text += line + "\n";
    }
    return text;
}

}  // namespace

// A log the console wrote reads back value for value, a failed poll and a value out of range
// as no reading.
TEST_F(LogFile, TheConsolesOwnLogReadsBackValueForValue) {
    protocol::ChannelStatus odd = Status(-200, true);  // below what an input can take
    const struct {
        int64_t timeMs;
        int path;
        const protocol::ChannelStatus* status;
    } polls[] = {{kStart, 0, nullptr}, {kStart + 200, 1, &odd}, {kStart + 999, 2, nullptr}};
    const protocol::ChannelStatus a = Status(-61.5f, true);
    std::vector<std::string> lines;
    for (const auto& p : polls) {
        lines.push_back(
            StatusLog::Line(p.timeMs, p.path, p.status == nullptr && p.path == 0 ? &a : p.status));
    }
    const std::string path = Write(Lines(lines));
    StatusLogReader reader;
    const std::vector<LogLine> read = ReadAll(path, &reader);
    ASSERT_EQ(read.size(), 3u);
    EXPECT_EQ(reader.BadLines(), 0u);
    const auto fields = protocol::ChannelStatusFields();
    const protocol::ChannelStatus* expected[] = {&a, &odd, nullptr};
    for (size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(read[i].timeMs, polls[i].timeMs);
        EXPECT_EQ(read[i].path, polls[i].path);
        EXPECT_EQ(read[i].valid, expected[i] != nullptr);
        ASSERT_EQ(read[i].values.size(), fields.size());
        for (size_t f = 0; f < fields.size(); ++f) {
            const std::string text =
                expected[i] != nullptr ? protocol::FieldText(fields[f], *expected[i]) : "";
            if (text.empty()) {
                EXPECT_TRUE(std::isnan(read[i].values[f])) << fields[f].key;
            } else {
                EXPECT_DOUBLE_EQ(read[i].values[f], std::stod(text)) << fields[f].key;
            }
        }
    }
    EXPECT_DOUBLE_EQ(read[0].values[&protocol::StatusFieldOf("rssi") - fields.data()], -61.5);
    EXPECT_TRUE(std::isnan(read[1].values[&protocol::StatusFieldOf("rssi") - fields.data()]));
}

TEST_F(LogFile, AFileThatIsNoStatusLogIsRefusedWithItsName) {
    const struct {
        std::string path;
        const char* error;
    } cases[] = {
        {Write("", "empty.csv"), ":1: empty, not a status log"},
        {Write("time,rssi\n2025-12-06T05:46:40.000Z,-60\n", "other.csv"), ":1: not a status log"},
        {Write("date,path,valid,rssi\n", "date.csv"), ":1: not a status log"},
        {Write("time,path,valid\n", "bare.csv"), ":1: not a status log"},
        {m_folder.Path(), ": cannot be read: not a regular file"},
        {m_folder.Path() + "/none.csv", ": cannot be read: No such file"},
    };
    for (const auto& c : cases) {
        StatusLogReader reader;
        std::string error;
        EXPECT_FALSE(reader.Open(c.path, &error)) << c.path;
        EXPECT_EQ(error.rfind(c.path + c.error, 0), 0u) << error;
    }
}

// Lines that cannot be read are skipped and counted, the first one's number kept; a newer
// console's extra columns are ignored; the file is left as it was.
TEST_F(LogFile, BadLinesAreCountedAndANewerLogsExtraColumnsIgnored) {
    const protocol::ChannelStatus s = Status(-60.0f, true);
    std::string heading = StatusLog::Heading();
    heading.insert(heading.find(",rssi"), ",antenna");
    heading += ",elevation";
    auto newer = [&](int64_t timeMs, int path) {
        std::string line = StatusLog::Line(timeMs, path, &s);
        size_t third = line.find(',', line.find(',', line.find(',') + 1) + 1);
        return line.insert(third, ",north") + ",45.5";
    };
    // Past the reader's buffer: no line of any console, however it ends.
    std::string overlong = newer(kStart + 4000, 0) + std::string(3 << 20, '9');
    const std::string text = heading + "\n" + newer(kStart, 0) + "\n" + newer(kStart + 1000, 1) +
                             "\n" + "2025-12-06T05:46:41.000Z,0,1,oops\n" +  // line 4: cut
                             newer(kStart + 500, 2) + "\n" +                 // 5: out of order
                             newer(kStart + 2000, 3) + "\n" +                // 6: no path 3
                             overlong + "\n" +                               // 7: overlong
                             newer(kStart + 3000, 2) + "\n" +                // 8: fine
                             newer(kStart + 5000, 0).substr(0, 40);          // 9: cut short
    const std::string path = Write(text);
    const auto before = std::filesystem::last_write_time(path);
    StatusLogReader reader;
    const std::vector<LogLine> read = ReadAll(path, &reader);
    ASSERT_EQ(read.size(), 3u);
    EXPECT_EQ(read[2].timeMs, kStart + 3000);
    EXPECT_EQ(reader.BadLines(), 5u);
    EXPECT_EQ(reader.FirstBadLine(), 4u);
    EXPECT_EQ(reader.LinesRead(), 9u);
    const auto fields = protocol::ChannelStatusFields();
    EXPECT_DOUBLE_EQ(read[1].values[&protocol::StatusFieldOf("rssi") - fields.data()], -60.0);
    EXPECT_DOUBLE_EQ(read[1].values[&protocol::StatusFieldOf("symbolRate") - fields.data()],
                     2'000'000);
    std::ifstream again(path, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(again), {}), text);
    EXPECT_EQ(std::filesystem::last_write_time(path), before);
}

// Path 0: 100 s of polls a second, the carrier held for the first 40 s, one failed poll, then an
// 11 s gap and 10 s more; path 1 a single poll.
TEST_F(LogFile, ASummaryOfALogWithKnownContent) {
    std::vector<std::string> lines;
    for (int64_t second = 0; second < 100; ++second) {
        const protocol::ChannelStatus s = Status(float(-60 - second % 5), second < 40);
        lines.push_back(StatusLog::Line(kStart + second * 1000, 0, second == 70 ? nullptr : &s));
        if (second == 5) {
            const protocol::ChannelStatus one = Status(-70.0f, false);
            lines.push_back(StatusLog::Line(kStart + 5500, 1, &one));
        }
    }
    for (int64_t second = 110; second <= 120; ++second) {
        const protocol::ChannelStatus s = Status(-50.0f, true);
        lines.push_back(StatusLog::Line(kStart + second * 1000, 0, &s));
    }
    StatusLogReader reader;
    trends::LogSummary summary;
    for (const LogLine& line : ReadAll(Write(Lines(lines)), &reader)) {
        summary.Add(line);
    }
    const trends::PathSummary& p = summary.Path(0);
    EXPECT_EQ(p.polls, 111u);
    EXPECT_EQ(p.failedPolls, 1u);
    EXPECT_EQ(p.lastMs - p.firstMs, 120'000);
    ASSERT_EQ(p.gaps.size(), 1u);
    EXPECT_EQ(p.gaps[0].startMs, kStart + 99'000);
    EXPECT_EQ(p.gaps[0].lengthMs, 11'000);
    // 99 s after polls that read, less the one after the failed poll, plus the 10 s after.
    EXPECT_EQ(p.coveredMs, 108'000);
    EXPECT_EQ(p.heldMs[trends::kHeldCarrier], 50'000);  // the first 40 s and the last 10 s
    EXPECT_NEAR(p.HeldShare(trends::kHeldCarrier), 50.0 / 108, 1e-9);
    EXPECT_EQ(p.heldMs[trends::kHeldSymbol], 108'000);
    EXPECT_EQ(p.heldMs[trends::kHeldFrameSync], 108'000);
    EXPECT_EQ(p.heldMs[trends::kHeldFrame], 0);  // frame lock not enabled
    EXPECT_EQ(p.rssiReadings, 110u);
    EXPECT_DOUBLE_EQ(p.rssiLow, -64);
    EXPECT_DOUBLE_EQ(p.rssiHigh, -50);
    EXPECT_EQ(summary.Path(1).polls, 1u);
    EXPECT_EQ(summary.Path(1).coveredMs, 0);
    EXPECT_EQ(summary.Path(2).polls, 0u);
}

// Logs chosen together are read in the order they were written: by day, then part.
TEST(LogFiles, AreSortedByDayThenPart) {
    std::vector<std::string> files = {"/d/status-2026-12-11.csv", "/d/status-2026-12-10-2.csv",
                                      "/d/status-2026-12-10-10.csv", "/d/status-2026-12-10.csv",
                                      "/d/other.csv"};
    trends::SortLogFiles(&files);
    EXPECT_EQ(files, (std::vector<std::string>{
                         "/d/other.csv", "/d/status-2026-12-10.csv", "/d/status-2026-12-10-2.csv",
                         "/d/status-2026-12-10-10.csv", "/d/status-2026-12-11.csv"}));
}
