#include <gtest/gtest.h>

#include <QPushButton>

#include <QApplication>
#include <QImage>
#include <QScreen>
#include <filesystem>
#include <fstream>

#include "pages/chart_columns.h"
#include "platform/beep.h"
#include "platform/clock.h"
#include "resources/resource_ids.h"
#include "shell/CKV90TDlg.h"
#include "shell/TrendView.h"
#include "tests/support/DeviceSession.h"
#include "tests/support/PumpUntil.h"
#include "tests/support/TempDir.h"
#include "ui/MessageBoxes.h"
#include "ui/StripChart.h"

using testsupport::PumpUntil;

namespace {

// The newest column of a panel that has data, or -1.
int LastValid(const ui::ChartPanel& panel) {
    const auto& columns = panel.series.at(0).columns;
    for (int x = int(columns.size()) - 1; x >= 0; --x) {
        if (columns[size_t(x)].valid) {
            return x;
        }
    }
    return -1;
}

class Trends : public ::testing::Test {
protected:
    void SetUp() override {
        m_window = std::make_unique<CKV90TDlg>(&m_session.Comm(), 0);
        m_window->SetProgramFolder(m_folder.Path());
        m_window->show();
    }
    TrendView& View() { return m_window->ShowTrends(); }
    const ui::ChartPanel& Rssi() { return View().Chart().Panels().at(0); }

    platform::BeepRecorder m_beeps;
    ui::DialogInterceptor m_boxes;
    testsupport::TempDir m_folder;
    testsupport::DeviceSession m_session;
    std::unique_ptr<CKV90TDlg> m_window;
};

}  // namespace

// The view opens beside the main window and shows a poll's values as soon as the poll is made.
TEST_F(Trends, ValuesAppearWithinOnePollAndTheCursorReadsThemOut) {
    TrendView& view = View();
    EXPECT_FALSE(view.isHidden());
    EXPECT_EQ(view.SpanMs(), 10 * 60 * 1000);
    ASSERT_TRUE(PumpUntil([&] { return LastValid(Rssi()) >= 0; }, 5000));
    const int column = LastValid(Rssi());
    // The live axis runs a tenth of the span ahead of the newest poll.
    EXPECT_NEAR(column, view.Chart().PlotColumns() * 9 / 10, 3);
    const double rssi = Rssi().series[0].columns[size_t(column)].high;
    EXPECT_LT(rssi, -40.0);
    EXPECT_GT(rssi, -120.0);
    view.SetCursorColumn(column);
    EXPECT_NE(view.Readout().find(" UTC: RSSI -"), std::string::npos) << view.Readout();
    EXPECT_NE(view.Readout().find("carrier lock"), std::string::npos);
    ASSERT_EQ(view.Chart().Bands().size(), 5u);
    EXPECT_EQ(view.Chart().Bands()[4].title, "Time Lock");
    EXPECT_EQ(view.Chart().Bands()[4].states[size_t(column)], -1);  // no time code in PSK mode
    EXPECT_EQ(view.Chart().Bands()[0].title, "Carrier Lock");
    EXPECT_NE(view.Chart().Bands()[0].states[size_t(column)], -2);
    view.SetCursorColumn(0);
    EXPECT_NE(view.Readout().find(": no poll"), std::string::npos);
}

// Real time: the trend store keeps seconds of the wall clock.
using TrendsRealTime = Trends;
TEST_F(TrendsRealTime, PausingFreezesTheDisplayWhileRecordingGoesOn) {
    TrendView& view = View();
    ASSERT_TRUE(PumpUntil([&] { return LastValid(Rssi()) >= 0; }, 5000));
    view.SetPaused(true);
    const int64_t end = view.ViewEndMs();
    const int64_t newest = m_window->Recorder().Store().Newest();
    const auto frozen = Rssi().series[0].columns.size();
    const int before = LastValid(Rssi());
    ASSERT_TRUE(
        PumpUntil([&] { return m_window->Recorder().Store().Newest() > newest + 1500; }, 8000));
    EXPECT_EQ(view.ViewEndMs(), end);
    EXPECT_EQ(LastValid(Rssi()), before);
    EXPECT_EQ(Rssi().series[0].columns.size(), frozen);
    view.SetPaused(false);
    EXPECT_GT(view.ViewEndMs(), end);
}

TEST_F(Trends, ZoomAndPanMoveTheSpanAndLiveFollowsAgain) {
    TrendView& view = View();
    ASSERT_TRUE(PumpUntil([&] { return LastValid(Rssi()) >= 0; }, 5000));
    view.Zoom(1, view.Chart().PlotColumns() / 2);
    EXPECT_EQ(view.SpanMs(), 5 * 60 * 1000);
    for (int i = 0; i < 10; ++i) {
        view.Zoom(1, 0);
    }
    EXPECT_EQ(view.SpanMs(), TrendView::kShortestSpanMs);
    for (int i = 0; i < 20; ++i) {
        view.Zoom(-1, 0);
    }
    EXPECT_EQ(view.SpanMs(), int64_t(trends::TrendStore::kBuckets) * 1000);  // all there is
    const int64_t end = view.ViewEndMs();
    view.Pan(-1);
    EXPECT_EQ(view.ViewEndMs(), end - view.SpanMs() / 2);
    view.GoLive();
    EXPECT_GE(view.ViewEndMs(), end);
}

TEST_F(Trends, SavesThePictureAndTheValues) {
    TrendView& view = View();
    ASSERT_TRUE(PumpUntil([&] { return LastValid(Rssi()) >= 0; }, 5000));
    const std::string png = m_folder.Path() + "/trends.png";
    const std::string csv = m_folder.Path() + "/trends.csv";
    ASSERT_TRUE(view.SavePng(png));
    const QImage image(QString::fromStdString(png));
    EXPECT_EQ(image.width(), view.Chart().width());
    ASSERT_TRUE(view.SaveCsv(csv));
    std::ifstream in(csv);
    std::string heading;
    std::string first;
    std::getline(in, heading);
    std::getline(in, first);
    EXPECT_EQ(heading.rfind("time,path,rssi,carrierFrequency,", 0), 0u);
    EXPECT_EQ(first.rfind("20", 0), 0u) << first;
    EXPECT_FALSE(view.SaveCsv(m_folder.Path() + "/missing/folder/trends.csv"));

    // The save dialogs start in the data folder.
    for (const char* button : {"Save PNG...", "Save CSV..."}) {
        for (QPushButton* b : view.findChildren<QPushButton*>()) {
            if (b->text() == button) {
                b->click();
            }
        }
    }
    ASSERT_EQ(m_boxes.Messages().size(), 2u);
    EXPECT_EQ(m_boxes.Messages()[0].text, m_folder.Path() + "/trends.png");
    EXPECT_EQ(m_boxes.Messages()[1].text, m_folder.Path() + "/trends.csv");
}

TEST_F(Trends, TheStatusLogStartsAndStopsFromTheView) {
    TrendView& view = View();
    view.ToggleLog();
    ASSERT_TRUE(m_window->Recorder().LogRunning());
    EXPECT_EQ(view.LogState().rfind("Logging to " + m_folder.Path() + "/status-", 0), 0u);
    const std::string path = m_window->Recorder().LogPath();
    ASSERT_TRUE(PumpUntil(
        [&] {
            std::ifstream in(path);
            return std::count(std::istreambuf_iterator<char>(in), {}, '\n') >= 4;
        },
        8000));
    view.ToggleLog();
    EXPECT_FALSE(m_window->Recorder().LogRunning());
    EXPECT_TRUE(m_boxes.Messages().empty());
}

// Polls of the shown path every 600 ms: each one's values are drawn no later than with the poll
// after it, while most polls repaint only their own columns.
TEST(TrendViewAlone, APollShowsByTheNextPollOfItsPath) {
    StatusRecorder recorder("");
    TrendView view(recorder);
    view.show();
    protocol::ChannelStatus status;
    status.rssi = -70.0f;
    const int64_t start = platform::UtcNowMs();
    recorder.onRecorded = [&view](int path, int64_t timeMs) { view.OnPoll(path, timeMs); };
    for (int i = 0; i < 20; ++i) {
        const int64_t at = start + i * 600;
        status.rssi = -70.0f - float(i);
        recorder.Record(0, at, &status);
        recorder.Record(1, at + 200, &status);  // another path's polls draw nothing
        if (i == 0) {
            continue;
        }
        const int64_t previous = at - 600;
        const int64_t from = view.ViewEndMs() - view.SpanMs();
        const auto& rssi = view.Chart().Panels().at(0).series.at(0).columns;
        const int column = int((previous - from) * int64_t(rssi.size()) / view.SpanMs());
        ASSERT_TRUE(rssi.at(size_t(column)).valid) << i;
        // Its one-second bucket may hold the poll after it too: the range holds its value.
        EXPECT_LE(rssi[size_t(column)].low, -70.0 - (i - 1)) << i;
        EXPECT_GE(rssi[size_t(column)].high, -70.0 - (i - 1)) << i;
    }
}

// A live view that the polls take past its end moves on by scrolling its picture: the columns
// it then holds are the store's for the span it shows, and what is on the screen is what
// drawing the chart anew gives, pixel for pixel. A chart that grew is drawn anew at the next
// poll rather than left with columns missing.
TEST(TrendViewAlone, MovingOnShowsWhatDrawingAnewShows) {
    StatusRecorder recorder("");
    TrendView view(recorder);
    view.show();
    QApplication::processEvents();
    recorder.onRecorded = [&view](int path, int64_t timeMs) { view.OnPoll(path, timeMs); };
    protocol::ChannelStatus status;
    const int64_t start = platform::UtcNowMs();
    int64_t at = start;
    auto poll = [&] {
        status.rssi = -70.0f - float(at / 600 % 7);
        recorder.Record(0, at, &status);
        QApplication::processEvents();
        at += 600;
    };
    poll();
    const int64_t firstEnd = view.ViewEndMs();
    while (view.ViewEndMs() < firstEnd + 2 * view.SpanMs() / 10) {
        poll();
    }
    for (int i = 0; i < 5; ++i) {
        poll();  // a few strips after the move
    }
    at += 400;  // a poll a second after the last one is drawn whatever was drawn before it
    poll();
    ui::StripChart& chart = view.Chart();
    const int columns = chart.PlotColumns();
    const int64_t from = view.ViewEndMs() - view.SpanMs();
    const auto expected = pages::ChartColumns(
        recorder.Store().Decimate(0, trends::kRssi, from, view.ViewEndMs(), columns));
    const auto& held = chart.Panels().at(0).series.at(0).columns;
    ASSERT_EQ(held.size(), expected.size());
    for (size_t x = 0; x < held.size(); ++x) {
        ASSERT_EQ(held[x].valid, expected[x].valid) << x;
        if (held[x].valid) {
            EXPECT_EQ(held[x].low, expected[x].low) << x;
            EXPECT_EQ(held[x].high, expected[x].high) << x;
        }
    }
    const QImage shown = view.screen()->grabWindow(view.winId()).toImage();
    const QImage drawn = chart.grab().toImage();
    const QPoint origin = chart.mapTo(&view, QPoint(0, 0));
    EXPECT_EQ(shown.copy(QRect(origin, chart.size())).convertToFormat(QImage::Format_RGB32),
              drawn.convertToFormat(QImage::Format_RGB32));

    view.resize(view.width() + 120, view.height());
    QApplication::processEvents();
    poll();
    EXPECT_TRUE(chart.HoldsEveryColumn());
    EXPECT_EQ(chart.Panels().at(0).series.at(0).columns.size(), size_t(chart.PlotColumns()));
}
