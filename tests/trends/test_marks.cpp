#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "platform/clock.h"
#include "tests/support/TempDir.h"
#include "tests/trends/read_log.h"
#include "trends/log_replay.h"
#include "trends/log_summary.h"
#include "trends/mark.h"
#include "trends/status_log.h"
#include "trends/status_log_reader.h"
#include "trends/trend_store.h"

using trends::LogLine;
using trends::StatusLog;
using trends::StatusLogReader;

constexpr int64_t kStart = 1'765'000'000'000;  // 2025-12-06T05:46:40Z

// A note keeps commas and quotes, loses line ends, and is cut at a whole character.
TEST(Marks, NotesAreQuotedCleanedAndCutAtACharacter) {
    EXPECT_EQ(trends::MarkLine(kStart, "AOS, \"antenna 2\"\nok"),
              "2025-12-06T05:46:40.000Z,mark,\"AOS, \"\"antenna 2\"\" ok\"");
    EXPECT_EQ(trends::CleanNote("  \t\r\n "), "");
    std::string note;
    EXPECT_TRUE(trends::ParseMarkNote("\"a \"\"b\"\", c\"", &note));
    EXPECT_EQ(note, "a \"b\", c");
    EXPECT_FALSE(trends::ParseMarkNote("\"a \"b\"", &note));
    EXPECT_FALSE(trends::ParseMarkNote("\"cut", &note));
    EXPECT_FALSE(trends::ParseMarkNote("bare", &note));
    const std::string umlauts(300, 'x');
    const std::string cut = trends::CleanNote(umlauts + "\xc3\xa4\xc3\xa4\xc3\xa4" + umlauts);
    ASSERT_LE(cut.size(), trends::kMarkNoteLimit);
    EXPECT_EQ(cut.size(), 400u);  // 300 x, then three ä (6 bytes), then 94 x
    EXPECT_EQ(cut.substr(300, 6), "\xc3\xa4\xc3\xa4\xc3\xa4");
    const std::string odd = trends::CleanNote(std::string(399, 'y') + "\xc3\xa4");
    EXPECT_EQ(odd, std::string(399, 'y'));  // the two-byte character does not fit
}

// Marks read back from a log between the polls; they need not be in time order and do not
// make a later poll with an earlier time a bad line.
TEST(Marks, TheReaderTakesMarksApartFromPolls) {
    testsupport::TempDir folder;
    const protocol::ChannelStatus s{};
    const std::string path = folder.Path() + "/status.csv";
    std::ofstream(path) << StatusLog::Heading() << "\n"
                        << StatusLog::Line(kStart, 0, &s) << "\n"
                        << trends::MarkLine(kStart + 1500, "LOS, pass 4") << "\n"
                        << StatusLog::Line(kStart + 1000, 0, &s) << "\n"
                        << trends::MarkLine(kStart + 500, "late") << "\n"
                        << "2025-12-06T05:46:43.000Z,mark,\"cut short\n"
                        << StatusLog::Line(kStart + 2000, 1, nullptr) << "\n";
    StatusLogReader reader;
    const std::vector<LogLine> lines = ReadAll(path, &reader);
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_TRUE(lines[1].isMark);
    EXPECT_EQ(lines[1].note, "LOS, pass 4");
    EXPECT_EQ(lines[1].timeMs, kStart + 1500);
    EXPECT_EQ(lines[1].path, -1);
    EXPECT_FALSE(lines[2].isMark);
    EXPECT_EQ(lines[2].timeMs, kStart + 1000);
    EXPECT_EQ(lines[3].note, "late");
    EXPECT_EQ(lines[4].path, 1);
    EXPECT_EQ(reader.BadLines(), 1u);
    EXPECT_EQ(reader.FirstBadLine(), 6u);

    trends::LogSummary summary;
    for (const LogLine& line : lines) {
        summary.Add(line);
    }
    ASSERT_EQ(summary.Marks().size(), 2u);
    EXPECT_EQ(summary.Marks()[0].note, "LOS, pass 4");
    EXPECT_EQ(summary.Path(0).polls, 2u);
}

// Another program's mark goes into the file the console is writing, whole, and the console's
// later lines follow it; with no log of the day yet, the mark starts one with its heading.
TEST(Marks, AMarkAppendedBesideTheConsolesLogKeepsEveryLine) {
    testsupport::TempDir folder;
    const int64_t now = platform::UtcNowMs();
    std::string path;
    std::string error;
    ASSERT_TRUE(StatusLog::AppendLine(folder.Path(), StatusLog::StatusKind(), now,
                                      trends::MarkLine(now, "before"), &path, &error))
        << error;
    EXPECT_EQ(path, folder.Path() + "/" + StatusLog::FileName(now, 1));

    StatusLog log(folder.Path());
    ASSERT_TRUE(log.Start(&error)) << error;
    EXPECT_EQ(log.Path(), folder.Path() + "/" + StatusLog::FileName(now, 2));
    const protocol::ChannelStatus s{};
    log.Add(now, 0, &s);
    std::string marked;
    ASSERT_TRUE(StatusLog::AppendLine(folder.Path(), StatusLog::StatusKind(), now,
                                      trends::MarkLine(now, "during"), &marked, &error));
    EXPECT_EQ(marked, log.Path());
    log.Add(now + 1000, 1, &s);
    log.Stop();

    StatusLogReader reader;
    const std::vector<LogLine> lines = ReadAll(marked, &reader);
    EXPECT_EQ(reader.BadLines(), 0u);
    int marks = 0;
    int polls = 0;
    for (const LogLine& line : lines) {
        marks += line.isMark && line.note == "during" ? 1 : 0;
        polls += line.isMark ? 0 : 1;
    }
    EXPECT_EQ(marks, 1);
    EXPECT_EQ(polls, 2);
    StatusLogReader first;
    ASSERT_EQ(ReadAll(path, &first).size(), 1u);

    EXPECT_FALSE(StatusLog::AppendLine(folder.Path() + "/missing", StatusLog::StatusKind(), now,
                                       "x", &path, &error));
    EXPECT_NE(error.find("missing"), std::string::npos);
}

// The store keeps marks in time order, a bounded number of them, and writes them into its
// CSV among the polls of their second.
TEST(Marks, TheStoreKeepsMarksInOrderAndExportsThem) {
    trends::TrendStore store;
    trends::PollSample sample;
    sample.values[trends::kRssi] = -60;
    for (int64_t second = 0; second < 5; ++second) {
        store.Add(0, kStart + second * 1000, &sample);
    }
    store.AddMark(kStart + 3200, "second");
    store.AddMark(kStart + 1200, "first\n");
    ASSERT_EQ(store.Marks(kStart, kStart + 5000).size(), 2u);
    EXPECT_EQ(store.Marks(kStart, kStart + 5000)[0].note, "first");
    EXPECT_EQ(store.Marks(kStart + 2000, kStart + 3199).size(), 0u);

    std::ostringstream csv;
    store.WriteCsv(csv, kStart, kStart + 4999);
    const std::string text = csv.str();
    const size_t mark = text.find(trends::MarkLine(kStart + 1200, "first"));
    ASSERT_NE(mark, std::string::npos);
    EXPECT_LT(text.find("2025-12-06T05:46:41Z,0"), mark);
    EXPECT_GT(text.find("2025-12-06T05:46:42Z,0"), mark);
    EXPECT_NE(text.find("\"second\""), std::string::npos);

    for (size_t i = 0; i < trends::TrendStore::kMarks + 5; ++i) {
        store.AddMark(kStart + 10'000 + int64_t(i), "many");
    }
    const std::vector<trends::Mark> kept = store.Marks(0, kStart + 100'000);
    ASSERT_EQ(kept.size(), trends::TrendStore::kMarks);
    EXPECT_EQ(kept.front().timeMs, kStart + 10'005);  // the two early ones went first
}

// Loading for a replay: the minutes cover every file, the seconds the day asked for, marks go
// into the store, and a cancelled load stops.
TEST(Marks, AReplayLoadKeepsADayOfSecondsAndEveryMinute) {
    testsupport::TempDir folder;
    constexpr int64_t kDayMs = 86'400'000;
    const int64_t day = kStart / kDayMs * kDayMs;
    std::vector<std::string> paths;
    for (int64_t d = 0; d < 3; ++d) {
        const std::string path = folder.Path() + "/status-" + std::to_string(d) + ".csv";
        std::ofstream file(path);
        file << StatusLog::Heading() << "\n";
        protocol::ChannelStatus s;
        s.rssi = float(-50 - d);
        for (int64_t second = 0; second < 120; ++second) {
            file << StatusLog::Line(day + d * kDayMs + second * 1000, 2, &s) << "\n";
        }
        file << trends::MarkLine(day + d * kDayMs + 60'000, "day " + std::to_string(d)) << "\n";
        paths.push_back(path);
    }
    trends::TrendStore store(trends::kReplayMinuteBuckets);
    trends::LoadProgress progress;
    const trends::ReplayLoad load = trends::LoadLogs(paths, &store, {}, &progress);
    EXPECT_EQ(load.polls, 360u);
    EXPECT_EQ(load.FirstMs(), day);
    EXPECT_EQ(load.LastMs(), day + 2 * kDayMs + 119'000);
    EXPECT_EQ(progress.bytesRead, progress.totalBytes);
    EXPECT_EQ(store.Marks(0, INT64_MAX).size(), 3u);
    auto seconds = [&](int64_t d) {  // the first second of day d, from the second buckets
        return store.Latest(2, day + d * kDayMs, day + d * kDayMs + 1000);
    };
    auto minutes = [&](int64_t d) {  // its first minute, from the minute buckets
        return store.Latest(2, day + d * kDayMs, day + d * kDayMs + 60'000);
    };
    EXPECT_TRUE(seconds(0).valid);
    EXPECT_FALSE(seconds(2).valid);
    for (int64_t d = 0; d < 3; ++d) {
        ASSERT_TRUE(minutes(d).valid) << d;
        EXPECT_EQ(minutes(d).sample.values[trends::kRssi], -50 - d);
    }

    ASSERT_TRUE(trends::LoadSeconds(load.files, day + 2 * kDayMs, &store, &progress));
    EXPECT_FALSE(seconds(0).valid);
    ASSERT_TRUE(seconds(2).valid);
    EXPECT_EQ(seconds(2).sample.values[trends::kRssi], -52);
    EXPECT_TRUE(minutes(0).valid);

    trends::TrendStore other(trends::kReplayMinuteBuckets);
    trends::LoadProgress cancelled;
    cancelled.cancel = true;
    const trends::ReplayLoad stopped = trends::LoadLogs(paths, &other, {}, &cancelled);
    EXPECT_TRUE(stopped.cancelled);
    EXPECT_EQ(stopped.polls, 0u);
}
