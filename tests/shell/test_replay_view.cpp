#include <gtest/gtest.h>

#include <QApplication>
#include <filesystem>
#include <fstream>

#include "platform/beep.h"
#include "platform/clock.h"
#include "shell/CKV90TDlg.h"
#include "shell/ReplayView.h"
#include "shell/TrendView.h"
#include "tests/support/DeviceSession.h"
#include "tests/support/PumpUntil.h"
#include "tests/support/TempDir.h"
#include "trends/mark.h"
#include "trends/status_log.h"
#include "ui/MessageBoxes.h"
#include "ui/StripChart.h"

using testsupport::PumpUntil;

namespace {

constexpr int64_t kDay = 1'765'000'000'000 / 86'400'000 * 86'400'000;  // 2025-12-06T00:00Z

// A poll of CH1 at `second` after kDay: RSSI -60 - second % 7, the carrier lost in 3600-3660.
std::string PollLine(int64_t second) {
    protocol::ChannelStatus s;
    s.rssi = float(-60 - second % 7);
    s.carrierLock = second >= 3600 && second < 3660 ? 0 : 1;
    s.symbolLock = 1;
    s.symbolRate = 1'000'000;
    return trends::StatusLog::Line(kDay + second * 1000, 0, &s);
}

// The polls of `seconds` (from, to) ranges, with a mark and a broken line in the first.
std::string WriteLog(const std::string& path, std::vector<std::pair<int64_t, int64_t>> ranges) {
    std::ofstream file(path);
    file << trends::StatusLog::Heading() << "\n";
    for (const auto& [from, to] : ranges) {
        for (int64_t second = from; second <= to; ++second) {
            file << PollLine(second) << "\n";
            if (second == from + 10) {
                file << trends::MarkLine(kDay + second * 1000 + 500, "AOS, antenna 2") << "\n"
                     << "2025-12-06T00:00:1,0,1\n";
            }
        }
    }
    return path;
}

class Replay : public ::testing::Test {
protected:
    std::unique_ptr<ReplayView> Open(std::vector<std::string> files,
                                     const alarms::LimitLibrary* library = nullptr) {
        auto view =
            std::make_unique<ReplayView>(std::move(files), library, m_folder.Path() + "/", nullptr);
        view->show();
        EXPECT_TRUE(PumpUntil([&] { return !view->Loading(); }, 20000));
        return view;
    }
    static int ValidColumns(TrendView& view) {
        int valid = 0;
        for (const ui::ChartColumn& c : view.Chart().Panels().at(0).series.at(0).columns) {
            valid += c.valid ? 1 : 0;
        }
        return valid;
    }

    platform::BeepRecorder m_beeps;
    ui::DialogInterceptor m_boxes;
    testsupport::TempDir m_folder;
};

}  // namespace

// A day-long log: every poll read, the skipped line named, the mark drawn, the cursor reading
// the log's values, play at 60x moving a minute per second, seeking by time.
TEST_F(Replay, ADayLongLogPlaysWithItsMarksAndReadsOutItsLines) {
    const std::string log = WriteLog(m_folder.Path() + "/status-2025-12-06.csv", {{0, 86'399}});
    auto replay = Open({log});
    EXPECT_EQ(replay->Load().polls, 86'400u);
    EXPECT_NE(replay->windowTitle().toStdString().find(
                  "status-2025-12-06.csv (2025-12-06T00:00:00.000Z to 2025-12-06T23:59:59.000Z)"),
              std::string::npos)
        << replay->windowTitle().toStdString();
    EXPECT_NE(replay->LoadState().find("1 line could not be read and was skipped: " + log + ":14."),
              std::string::npos)
        << replay->LoadState();
    EXPECT_NE(replay->LoadState().find("86400 polls and 1 mark from"), std::string::npos);

    TrendView& view = replay->View();
    EXPECT_EQ(replay->PlayTimeMs(), kDay);
    ASSERT_EQ(view.Chart().Marks().size(), 1u);
    EXPECT_EQ(view.Chart().Marks()[0].note, "AOS, antenna 2");
    const std::string csv = m_folder.Path() + "/replay.csv";
    ASSERT_TRUE(view.SaveCsv(csv));
    std::ifstream saved(csv);
    const std::string text((std::istreambuf_iterator<char>(saved)), {});
    EXPECT_NE(text.find("2025-12-06T00:00:10Z,0,-63.0,"), std::string::npos);  // second 10
    EXPECT_NE(text.find(trends::MarkLine(kDay + 10'500, "AOS, antenna 2")), std::string::npos);

    replay->Seek(kDay + 4000 * 1000);
    EXPECT_NE(view.Readout().find("RSSI -" + std::to_string(60 + 4000 % 7) + ".0 dBm"),
              std::string::npos)
        << view.Readout();
    replay->SetSpeed(60);
    replay->SetPlaying(true);
    replay->Step(1000);
    EXPECT_EQ(replay->PlayTimeMs(), kDay + 4060 * 1000);
    EXPECT_NE(view.Readout().find("RSSI -" + std::to_string(60 + 4060 % 7) + ".0 dBm"),
              std::string::npos);
    EXPECT_TRUE(PumpUntil([&] { return replay->PlayTimeMs() > kDay + 4060 * 1000; }, 5000));

    replay->Seek(kDay + 86'400'000 - 30'000);
    replay->Step(60'000);
    EXPECT_EQ(replay->PlayTimeMs(), kDay + 86'399'000);  // the end of the log stops the play
    EXPECT_FALSE(replay->Playing());

    view.Zoom(-8, view.Chart().PlotColumns() / 2);  // as far out as a day and more
    EXPECT_GT(ValidColumns(view), view.Chart().PlotColumns() / 2);
    const int64_t end = view.ViewEndMs();
    view.Pan(-1);
    EXPECT_EQ(view.ViewEndMs(), end - view.SpanMs() / 2);
    EXPECT_TRUE(m_beeps.Tones().empty());
}

// A chosen limit set marks the carrier loss as an alarm interval, silently and without an
// alarm log; a set that cannot be read is named.
TEST_F(Replay, ALimitSetMarksTheAlarmIntervalsWithoutSoundOrLog) {
    const std::string log = WriteLog(m_folder.Path() + "/status-2025-12-06.csv", {{3000, 4000}});
    alarms::LimitLibrary library(m_folder.Path() + "/limits");
    library.Save("pass", R"({"format": "kv90t-limits", "version": 1,
        "paths": {"CH1": {"carrierLock": {"severity": "red"}}}})");
    auto replay = Open({log}, &library);
    replay->UseLimitSet("pass");
    ASSERT_TRUE(PumpUntil([&] { return !replay->Loading(); }, 20000));
    TrendView& view = replay->View();
    replay->Seek(kDay + 3630 * 1000);
    const auto& bands = view.Chart().Bands();
    ASSERT_EQ(bands.back().title, "Alarms");
    const int cursor = view.Chart().CursorColumn();
    EXPECT_EQ(bands.back().states.at(size_t(cursor)), 0);  // red
    EXPECT_EQ(bands.back().states.at(0), -2);
    EXPECT_NE(replay->LoadState().find("no sound, no log"), std::string::npos);
    EXPECT_TRUE(m_beeps.Tones().empty());
    for (const auto& entry : std::filesystem::directory_iterator(m_folder.Path())) {
        EXPECT_EQ(entry.path().filename().string().rfind("alarms", 0), std::string::npos);
    }

    replay->UseLimitSet("missing");
    ASSERT_TRUE(PumpUntil([&] { return !replay->Loading(); }, 20000));
    EXPECT_NE(replay->LoadState().find("missing"), std::string::npos) << replay->LoadState();
    EXPECT_NE(view.Chart().Bands().back().title, "Alarms");
}

// Two days apart in two files: the minutes cover both, and a view of the later day reads
// that day's seconds from the file that holds it.
TEST_F(Replay, AViewOfAnotherDayReadsItsSeconds) {
    const std::string first = WriteLog(m_folder.Path() + "/status-2025-12-06.csv", {{0, 599}});
    const std::string later =
        WriteLog(m_folder.Path() + "/status-2025-12-08.csv", {{2 * 86'400, 2 * 86'400 + 599}});
    auto replay = Open({later, first});  // in the wrong order: read as given, and counted
    EXPECT_GT(replay->Load().BadLines(), 500u);
    replay = Open({first, later});
    EXPECT_EQ(replay->Load().polls, 1200u);
    TrendView& view = replay->View();
    EXPECT_EQ(view.SpanMs(), TrendView::kDefaultSpanMs);
    EXPECT_GT(ValidColumns(view), view.Chart().PlotColumns() / 2);

    replay->SetPlaying(true);
    replay->Seek(kDay + 2 * 86'400'000 + 300'000);
    EXPECT_TRUE(PumpUntil([&] { return replay->Loading(); }, 2000));
    platform::AdvanceClockMs(600'000);  // a read that takes long does not move play on
    ASSERT_TRUE(PumpUntil([&] { return !replay->Loading(); }, 20000));
    EXPECT_TRUE(
        PumpUntil([&] { return replay->PlayTimeMs() > kDay + 2 * 86'400'000 + 300'000; }, 5000));
    EXPECT_LT(replay->PlayTimeMs(), kDay + 2 * 86'400'000 + 360'000);
    replay->SetPlaying(false);
    replay->Seek(kDay + 2 * 86'400'000 + 300'000);
    EXPECT_GT(ValidColumns(view), view.Chart().PlotColumns() / 2);
    EXPECT_NE(view.Readout().find("RSSI -"), std::string::npos) << view.Readout();

    auto closing = std::make_unique<ReplayView>(std::vector<std::string>{first, later}, nullptr,
                                                m_folder.Path(), nullptr);
    closing.reset();  // while it reads: the reading stops
}

// Mark... in the main window writes the note into the running status log and the trends,
// where the live view draws it; an empty note marks nothing.
TEST(LiveMarks, AMarkGoesIntoTheLogAndOnTheCharts) {
    testsupport::DeviceSession session;
    testsupport::TempDir folder;
    ui::DialogInterceptor boxes;
    CKV90TDlg window(&session.Comm(), 0);
    window.SetProgramFolder(folder.Path());
    window.show();
    TrendView& view = window.ShowTrends();
    boxes.SetText("");
    window.AskForMark();
    ASSERT_FALSE(boxes.Messages().empty());
    EXPECT_EQ(boxes.Messages().back().text, "Note for the trends (the status log is off):");
    std::string error;
    ASSERT_TRUE(window.Recorder().StartLog(&error)) << error;
    ASSERT_TRUE(PumpUntil([&] { return window.Recorder().Store().Newest() > 0; }, 5000));

    boxes.SetText("  ");
    window.AskForMark();
    EXPECT_TRUE(window.Recorder().Store().Marks(0, INT64_MAX).empty());
    boxes.SetText("LOS\nrain fade");
    window.AskForMark();
    EXPECT_EQ(boxes.Messages().back().text, "Note for the status log and the trends:");
    ASSERT_EQ(window.Recorder().Store().Marks(0, INT64_MAX).size(), 1u);
    ASSERT_EQ(view.Chart().Marks().size(), 1u);
    EXPECT_EQ(view.Chart().Marks()[0].note, "LOS rain fade");
    boxes.SetText("from the trends");
    view.AskForMark();
    EXPECT_EQ(view.Chart().Marks().size(), 2u);

    const std::string path = window.Recorder().LogPath();
    window.Recorder().StopLog();
    std::ifstream file(path);
    const std::string text((std::istreambuf_iterator<char>(file)), {});
    EXPECT_NE(text.find(",mark,\"LOS rain fade\"\n"), std::string::npos) << text;
    EXPECT_NE(text.find(",mark,\"from the trends\"\n"), std::string::npos);
}

// Open Log... takes the files the operator chose, in the order they were written; a file that
// is no status log is refused by name, and nothing is shown of it.
TEST_F(Replay, OpenLogReadsTheChosenFilesInOrderAndRefusesOtherFiles) {
    const std::string first = WriteLog(m_folder.Path() + "/status-2025-12-06.csv", {{0, 99}});
    const std::string second = WriteLog(m_folder.Path() + "/status-2025-12-06-2.csv", {{100, 199}});
    StatusRecorder recorder(m_folder.Path());
    TrendView live(recorder);
    m_boxes.SetOpenFileNames({second, first});
    live.OpenLog();
    ReplayView* replay = nullptr;
    for (QWidget* child : live.findChildren<QWidget*>()) {
        replay = replay != nullptr ? replay : dynamic_cast<ReplayView*>(child);
    }
    ASSERT_NE(replay, nullptr);
    ASSERT_TRUE(PumpUntil([&] { return !replay->Loading(); }, 20000));
    EXPECT_EQ(replay->Load().polls, 200u);
    EXPECT_EQ(replay->Load().BadLines(), 2u);  // one broken line in each
    EXPECT_EQ(replay->Load().files.at(0).path, first);

    const std::string other = m_folder.Path() + "/other.csv";
    std::ofstream(other) << "a,b\n1,2\n";
    auto refused = Open({first, other});
    EXPECT_EQ(refused->LoadState(), "Cannot replay: " + other +
                                        ":1: not a status log: the heading is not "
                                        "\"time,path,valid,...\"");
    EXPECT_EQ(refused->windowTitle().toStdString(),
              "KV90T Replay: status-2025-12-06.csv, other.csv");
}
