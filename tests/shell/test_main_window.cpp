#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QScreen>
#include <QTimer>
#include <QWheelEvent>
#include <map>

#include "metrics/endpoint.h"
#include "pages/maintenance/CKV90T_RcvBert.h"
#include "platform/beep.h"
#include "platform/clock.h"
#include "resources/resource_ids.h"
#include "shell/CKV90TDlg.h"
#include "tests/support/DeviceSession.h"
#include "tests/support/FastForward.h"
#include "tests/support/Http.h"
#include "tests/support/PumpUntil.h"
#include "tests/support/TempDir.h"
#include "ui/MessageBoxes.h"

using namespace res;
using testsupport::DeviceSession;
using Bytes = std::vector<uint8_t>;

namespace {

using testsupport::PumpFor;
using testsupport::PumpUntil;

sim::Profile Custom(std::vector<uint8_t> modes, uint8_t startMode, bool ch1 = true, bool ch2 = true,
                    uint8_t combiner = 1) {
    return {"custom", "", 1234, startMode, std::move(modes), ch1, ch2, combiner};
}

class MainWindow : public ::testing::Test {
protected:
    void Open(const sim::Profile& profile = sim::DefaultProfile(), int skip = 0) {
        m_session = std::make_unique<DeviceSession>(profile);
        m_window = std::make_unique<CKV90TDlg>(&m_session->Comm(), skip);
        m_window->show();
    }
    // Keeps the status thread from polling, so that a test drives the panel itself.
    void Quiet() {
        g_bPollChannelStatus = 0;
        g_bPollLockStatus = 0;
        platform::WakePauses();
    }
    intptr_t Send(uint32_t message) { return platform::SendMessage(m_window->Handle(), message); }
    CKV90T1_Comm& Comm() { return m_session->Comm(); }
    CKV90TDlg& Window() { return *m_window; }
    void SelectTab(int tab) {
        Window().SetPos(IDC_TAB, tab);
        Window().Pages().SelectPage();
    }
    bool Visible(PageHost::Page page) {
        return Window().Pages().PageAt(page) != nullptr &&
               !Window().Pages().PageAt(page)->isHidden();
    }

    platform::BeepRecorder m_beeps;
    ui::DialogInterceptor m_boxes;
    std::unique_ptr<DeviceSession> m_session;
    std::unique_ptr<CKV90TDlg> m_window;
};

Bytes ChannelStatus(int32_t carrier, uint8_t locks, int16_t rssiTenths, uint32_t uaRate) {
    Bytes p(30, 0);
    p[7] = static_cast<uint8_t>(rssiTenths >> 8);
    p[8] = static_cast<uint8_t>(rssiTenths);
    p[9] = locks;
    for (int i = 0; i < 4; ++i) {
        p[10 + i] = static_cast<uint8_t>(static_cast<uint32_t>(carrier) >> (24 - 8 * i));
        p[18 + i] = static_cast<uint8_t>(uaRate >> (24 - 8 * i));
    }
    p[17] = 0x10;
    return p;
}

}  // namespace

TEST_F(MainWindow, ChannelColumnsGroupNumbersAndFollowTheSubmode) {
    Open();
    Quiet();
    const struct {
        int32_t carrier;
        const char* text;
    } cases[] = {{-1000, "-1,000"}, {999, "999"}, {1000, "1,000"}, {-1234567, "-1,234,567"}};
    for (const auto& c : cases) {
        m_session->Answer(0x2100, ChannelStatus(c.carrier, 0x40, -525, 1'000'000));
        Send(UWM_CHANNEL_STATUS_1);
        EXPECT_EQ(Window().Text(IDC_CARRIER_FREQUENCY[0]), c.text);
    }
    EXPECT_EQ(Window().Text(IDC_SYMBOL_RATE[0]), "16");
    EXPECT_EQ(Window().Text(IDC_RSSI[0]), "-52.5");
    EXPECT_EQ(Window().Pos(IDC_RSSI_BAR[0]), -53);
    EXPECT_EQ(Window().ShownLamp(IDC_CARRLCK_GREEN[0]), IDC_CARRLCK_RED[0]);
    EXPECT_EQ(Window().Text(IDC_FM_MOD_INDEX[0]), "");  // PSK mode

    Comm().m_ChannelSetup[1].pskSubmode = 3;  // SOQPSK-TG: no Q path
    m_session->Answer(0x2100, ChannelStatus(0, 0x40, 25, 1'000'000));
    Send(UWM_CHANNEL_STATUS_2);
    EXPECT_EQ(Window().Text(IDC_SYMBOL_UA_RATE[1]), "");
    EXPECT_EQ(Window().Pos(IDC_RSSI_BAR[1]), 3);
    Comm().m_ChannelSetup[1].pskSubmode = 6;  // UQPSK
    Send(UWM_CHANNEL_STATUS_2);
    EXPECT_EQ(Window().Text(IDC_SYMBOL_UA_RATE[1]), "1,000,000");
    Comm().m_ChannelSetup[2].pskSubmode = 2;  // OQPSK: carrier lamp follows symbol lock
    m_session->Answer(0x2100, ChannelStatus(0, 0x40, 0, 0));
    Send(UWM_CHANNEL_STATUS_3);
    EXPECT_EQ(Window().ShownLamp(IDC_CARRLCK_RED[2]), IDC_CARRLCK_GREEN[2]);
    m_session->Answer(0x2100, ChannelStatus(0, 0x80, 0, 0));
    Send(UWM_CHANNEL_STATUS_3);
    EXPECT_EQ(Window().ShownLamp(IDC_CARRLCK_RED[2]), IDC_CARRLCK_RED[2]);
}

// A value the device cannot report is marked, never shown as a reading, and the level bar
// stays empty for it; the next reading in range is shown again.
TEST_F(MainWindow, ValuesOutOfRangeAreMarkedNotShown) {
    Open(Custom({3, 4}, 4));  // PCM/FM: the FM index is shown
    Quiet();
    m_session->Answer(0x2100, ChannelStatus(-725'069'784, 0xC0, -25074, 0));
    Send(UWM_CHANNEL_STATUS_1);
    EXPECT_EQ(Window().Text(IDC_CARRIER_FREQUENCY[0]), "out of range");
    EXPECT_EQ(Window().Text(IDC_RSSI[0]), "out of range");
    EXPECT_EQ(Window().Pos(IDC_RSSI_BAR[0]), Window().Pos(IDC_RSSI_BAR[1]));  // both empty
    EXPECT_EQ(Window().Text(IDC_SYMBOL_RATE[0]), "16");
    EXPECT_EQ(Window().Text(IDC_FM_MOD_INDEX[0]), "0.00");
    for (int id : {IDC_CARRIER_FREQUENCY[0], IDC_RSSI[0], IDC_AM_MOD_INDEX[0]}) {
        const QWidget* edit = Window().Control(id);
        EXPECT_GT(edit->width(), edit->fontMetrics().horizontalAdvance("out of range")) << id;
    }
    m_session->Answer(0x2100, ChannelStatus(-1000, 0xC0, -525, 0));
    Send(UWM_CHANNEL_STATUS_1);
    EXPECT_EQ(Window().Text(IDC_CARRIER_FREQUENCY[0]), "-1,000");
    EXPECT_EQ(Window().Text(IDC_RSSI[0]), "-52.5");
    EXPECT_EQ(Window().Pos(IDC_RSSI_BAR[0]), -53);
}

TEST_F(MainWindow, LockLampsFollowFrameSyncAndFrameLock) {
    Open();
    Quiet();
    const struct {
        uint8_t byte0, byte1;
        int sync, lock;
    } cases[] = {
        {0x00, 0x00, IDC_FSPLCK_GREY[0], IDC_FRMLCK_GREY[0]},
        {0x10 | 0x02, 0x10 | 0x80, IDC_FSPLCK_RED[0], IDC_FRMLCK_YELLOW[0]},
        {0x10 | 0x04, 0x10 | 0x20 | 0x04, IDC_FSPLCK_YELLOW[0], IDC_FRMLCK_GREEN[0]},
        {0x10 | 0x06, 0x10 | 0x04, IDC_FSPLCK_GREEN[0], IDC_FRMLCK_RED[0]},
        {0x10, 0x10 | 0x06, IDC_FSPLCK_YELLOW[0], IDC_FRMLCK_RED[0]},
    };
    for (const auto& c : cases) {
        Bytes reply(20, 0);
        reply[0] = c.byte0;
        reply[1] = c.byte1;
        m_session->Answer(0x2104, reply);
        Send(UWM_LOCK_STATUS_1);
        EXPECT_EQ(Window().ShownLamp(IDC_FSPLCK_GREY[0]), c.sync);
        EXPECT_EQ(Window().ShownLamp(IDC_FRMLCK_GREY[0]), c.lock);
    }
}

TEST_F(MainWindow, SkippingInitialReadsPollsNothingUntilStatusStartsGroupA) {
    Open(sim::DefaultProfile(), 1);
    PumpFor(100);
    EXPECT_TRUE(m_session->Sim().Device().ReceivedFrames().empty());
    EXPECT_EQ(Window().Check(IDC_STATUS), 0);
    Window().Click(IDC_STATUS);
    EXPECT_TRUE(PumpUntil([&] { return m_session->CountReceived(0x2100) >= 3; }));
    PumpFor(100);
    EXPECT_EQ(m_session->CountReceived(0x2104), 0);
    EXPECT_EQ(Window().ShownLamp(IDC_FSPLCK_GREY[0]), 0);
    EXPECT_EQ(Window().ShownLamp(IDC_FRMLCK_GREY[1]), 0);
}

TEST_F(MainWindow, PollingRhythmOnTheWire) {
    Open();
    m_session->Sim().Device().ClearReceivedFrames();
    const uint64_t from = platform::TickCount64();
    ASSERT_TRUE(PumpUntil([&] { return m_session->Sim().Device().ReceivedFrames().size() >= 10; }));
    const uint64_t elapsed = platform::TickCount64() - from;
    const auto frames = m_session->Sim().Device().ReceivedFrames();
    const std::pair<uint16_t, uint8_t> cycle[6] = {{0x2100, 0}, {0x2100, 1}, {0x2100, 2},
                                                   {0x2104, 0}, {0x2104, 1}, {0x2104, 2}};
    size_t start = 0;
    while (start < 6 && !(frames[start].code == 0x2100 && frames[start].payload[0] == 0)) {
        ++start;
    }
    for (size_t i = start; i < frames.size(); ++i) {
        const auto& expected = cycle[(i - start) % 6];
        EXPECT_EQ(frames[i].code, expected.first) << i;
        EXPECT_EQ(frames[i].payload, Bytes{expected.second}) << i;
    }
    // About 100 ms apart: ten polls take at least 0.8 s.
    EXPECT_GE(elapsed, 800u);

    Send(UWM_STOP_STATUS_POLLING);
    EXPECT_EQ(Window().Check(IDC_STATUS), 0);
    m_session->Sim().Device().ClearReceivedFrames();
    EXPECT_TRUE(PumpUntil([&] { return m_session->CountReceived(0x2104) >= 4; }));
    EXPECT_EQ(m_session->CountReceived(0x2100), 0);
}

TEST_F(MainWindow, TesterPollsAlternateBetweenTheEnabledStreamsAmongTheStatusPolls) {
    Open();
    Comm().m_ChannelSetup[2].pskSubmode = 1;  // QPSK: the combiner has Q data
    SelectTab(PageHost::kTest);
    auto* page = static_cast<CKV90T_RcvBert*>(Window().Pages().PageAt(PageHost::kRcvBert));
    ASSERT_TRUE(Visible(PageHost::kRcvBert));
    page->Click(IDC_BERT_ENABLED[0]);  // channel 1 I
    page->Click(IDC_BERT_ENABLED[5]);  // combiner Q
    m_session->Sim().Device().ClearReceivedFrames();
    std::vector<std::pair<uint8_t, uint64_t>> reads;  // stream byte, when it was seen
    ASSERT_TRUE(PumpUntil([&] {
        const auto frames = m_session->Sim().Device().ReceivedFrames();
        size_t seen = 0;
        for (const auto& frame : frames) {
            if (frame.code == 0x2103 && ++seen > reads.size()) {
                reads.emplace_back(frame.payload.at(0), platform::TickCount64());
            }
        }
        return reads.size() >= 6;
    }));
    for (size_t i = 1; i < reads.size(); ++i) {
        EXPECT_NE(reads[i].first, reads[i - 1].first) << i;
        EXPECT_TRUE(reads[i].first == 0x00 || reads[i].first == 0x06) << i;
    }
    // Each stream waits out its own turn and the other's: 2 x 200 ms between its reads.
    for (size_t i = 2; i < reads.size(); ++i) {
        EXPECT_GE(reads[i].second - reads[i - 2].second, 350u) << i;
    }
    // The main window's own polls go on between them.
    const auto frames = m_session->Sim().Device().ReceivedFrames();
    EXPECT_GE(std::count_if(frames.begin(), frames.end(),
                            [](const sim::Frame& f) { return f.code == 0x2100; }),
              6);
}

TEST_F(MainWindow, ClosingWhilePollingReturnsAtOnce) {
    Open();
    ASSERT_TRUE(PumpUntil([&] { return m_session->CountReceived(0x2100) >= 2; }));
    QElapsedTimer timer;
    timer.start();
    Window().close();
    EXPECT_LT(timer.elapsed(), 200);
    EXPECT_EQ(g_bStatusThreadRun, 0);
    m_window.reset();
}

TEST_F(MainWindow, ReturnAndSpaceDoNothingAndEscapeCloses) {
    Open();
    Quiet();
    const size_t sent = m_session->Sim().Device().ReceivedFrames().size();
    for (int key : {Qt::Key_Return, Qt::Key_Space}) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(Window().Control(IDC_SAVE_SETUPS), &press);
    }
    EXPECT_TRUE(Window().isVisible());
    EXPECT_EQ(m_session->Sim().Device().ReceivedFrames().size(), sent);
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(Window().Control(IDC_STATUS), &escape);
    EXPECT_FALSE(Window().isVisible());
}

TEST_F(MainWindow, DauModeShowsTheTimeRowsAndStepsTheTimeLamp) {
    Open(*sim::FindProfile("dau"));
    Quiet();
    EXPECT_FALSE(Window().IsEnabled(IDC_MODE_SELECTOR));
    EXPECT_FALSE(Window().IsShown(IDC_CARRIER_FREQUENCY[0]));
    EXPECT_TRUE(Window().IsShown(IDC_SOY_SECONDS));
    EXPECT_EQ(Window().TimeLampState(), 0);
    Bytes valid(34, 0);
    valid[0] = 1;
    valid[12] = 0x10;
    m_session->Answer(0x2106, valid);
    Send(UWM_CHANNEL_STATUS_3);
    EXPECT_EQ(Window().ShownLamp(IDC_TIME_GREY), IDC_TIME_GREEN);
    EXPECT_EQ(Window().Text(IDC_SOY_SECONDS), "16");
    m_session->Answer(0x2106, Bytes(34, 0));
    Send(UWM_CHANNEL_STATUS_3);
    EXPECT_EQ(Window().ShownLamp(IDC_TIME_GREY), IDC_TIME_RED);
    EXPECT_EQ(Window().TimeLampState(), 2);
    m_session->Answer(0x2106, valid);
    Send(UWM_CHANNEL_STATUS_3);
    EXPECT_EQ(Window().TimeLampState(), 1);
    Window().Click(IDC_STATUS);  // on
    EXPECT_EQ(Window().ShownLamp(IDC_TIME_GREY), 0);
    Window().Click(IDC_STATUS);  // off
    EXPECT_EQ(Window().ShownLamp(IDC_TIME_GREEN), IDC_TIME_GREY);
    EXPECT_EQ(Window().TimeLampState(), 0);

    Bytes level = ChannelStatus(0, 0, -500, 0);
    level[1] = 0xD0;
    level[2] = 0xF7;  // level 2000 under four flag bits
    m_session->Answer(0x2100, level);
    Send(UWM_CHANNEL_STATUS_1);
    EXPECT_EQ(Window().Text(IDC_RSSI[0]), "2000");  // the signal level in the DAU mode
    EXPECT_EQ(Window().Pos(IDC_RSSI_BAR[0]), 2000);

    // Tabs: IRIG time on the combiner tab, DAU built-in test on the test tab, no recorder tab.
    SelectTab(PageHost::kCombiner);
    EXPECT_TRUE(Visible(PageHost::kIrigTime));
    SelectTab(PageHost::kTest);
    EXPECT_TRUE(Visible(PageHost::kDauBit));
    EXPECT_EQ(Window().RowText(IDC_TAB, 2), " Time");
    EXPECT_EQ(Window().RowText(IDC_TAB, 3), "  BIT");
    EXPECT_FALSE(Window().IsTabShown(IDC_TAB, PageHost::kRecorder));
}

// In the DAU mode the two channels' levels go into the trends as in the other modes; the time
// poll does not stand for a third path.
TEST_F(MainWindow, DauModePollsFeedTheTrendsForBothChannels) {
    Open(Custom({3, 7}, 7));
    ASSERT_TRUE(PumpUntil([&] {
        return Window().Recorder().Store().Newest() > 0 && m_session->CountReceived(0x2106) >= 2;
    }));
    const auto& store = Window().Recorder().Store();
    const int64_t now = store.Newest();
    EXPECT_TRUE(PumpUntil([&] {
        return store.Latest(0, 0, store.Newest() + 1).valid &&
               store.Latest(1, 0, store.Newest() + 1).valid;
    }));
    EXPECT_FALSE(store.Latest(2, 0, now + 1).valid);
    // The DAU time lamp goes with them: the simulated device's time code is valid.
    EXPECT_EQ(store.Latest(0, 0, store.Newest() + 1).sample.locks[trends::kTimeLock], 1);
}

TEST_F(MainWindow, TapeModeRoutesRefreshesAndHidesTheTestTabs) {
    Open(Custom({11, 3}, 11));
    Quiet();
    m_session->Sim().Device().ClearReceivedFrames();
    SelectTab(PageHost::kChannel1);
    EXPECT_TRUE(Visible(PageHost::kTapeCh1));
    // The tape page reads its setup back, and the PSK channel 1 page is refreshed after it: in
    // this mode its read-back is the tape setup's too.
    EXPECT_EQ(m_session->CountReceived(0x4600), 2);
    EXPECT_EQ(m_session->LastPayload(0x4600), Bytes{0});
    // The mode has no test or recorder page, and so no such tab to choose.
    EXPECT_FALSE(Window().IsTabShown(IDC_TAB, PageHost::kTest));
    EXPECT_FALSE(Window().IsTabShown(IDC_TAB, PageHost::kRecorder));
    m_session->Sim().Device().ClearReceivedFrames();
    SelectTab(PageHost::kCombiner);
    EXPECT_TRUE(Visible(PageHost::kTapeCh3));
    EXPECT_EQ(m_session->CountReceived(0x4600), 2);  // the tape page's and the PSK combiner's
    EXPECT_EQ(m_session->CountReceived(0x460E), 1);  // the up converter's IF DAC
    EXPECT_EQ(m_session->LastPayload(0x4600), Bytes{2});
    EXPECT_EQ(Window().RowText(IDC_TAB, 0), "Down Converter 1");
    EXPECT_EQ(Window().RowText(IDC_TAB, 2), "Up Converter");
}

TEST_F(MainWindow, UninstalledChannelShowsBlankButIsStillRefreshed) {
    Open(Custom({3, 4}, 3, true, false, 0));
    Quiet();
    EXPECT_FALSE(Window().Pages().PageAt(PageHost::kPskCh2)->isEnabled());
    EXPECT_FALSE(Window().Pages().PageAt(PageHost::kTapeCh2)->isEnabled());
    m_session->Sim().Device().ClearReceivedFrames();
    SelectTab(PageHost::kChannel2);
    EXPECT_TRUE(Visible(PageHost::kBlank));
    EXPECT_FALSE(Visible(PageHost::kPskCh2));
    EXPECT_EQ(m_session->CountReceived(0x4100), 1);  // the hidden page still reads back
    EXPECT_EQ(m_session->LastPayload(0x4100), Bytes{1});
}

TEST_F(MainWindow, SelectorListsTheModesAndCaptionsFollowTheStartMode) {
    Open(Custom({5, 3, 13}, 5));
    Quiet();
    EXPECT_EQ(Window().RowCount(IDC_MODE_SELECTOR), 3);
    EXPECT_EQ(Window().RowText(IDC_MODE_SELECTOR, 2), "PSK 2xLDPC 2/3");
    for (int tab = 0; tab < 3; ++tab) {
        EXPECT_EQ(Window().RowText(IDC_TAB, tab), "Channel 1");
    }
    EXPECT_EQ(Window().RowText(IDC_TAB, 3), "Rcv BERT");  // a caption for every tab shown
    EXPECT_EQ(Window().RowText(IDC_TAB, 4), "NAND Flash");
    EXPECT_EQ(Window().RowText(IDC_TAB, 5), "System");
    EXPECT_EQ(Window().RowText(IDC_TAB, 6), "Comm Port");
    m_window.reset();

    Open(Custom({13}, 13));
    EXPECT_EQ(Window().RowText(IDC_TAB, 0), "Setup CH1");
    EXPECT_EQ(Window().RowText(IDC_TAB, 2), "Setup Combiner");
    m_window.reset();

    std::vector<uint8_t> twenty(20);
    for (int i = 0; i < 20; ++i) {
        twenty[i] = static_cast<uint8_t>(1 + i % 14);
    }
    Open(Custom(twenty, 3));
    EXPECT_EQ(Window().RowCount(IDC_MODE_SELECTOR), 20);
}

TEST_F(MainWindow, EmptyModeListGivesAnEmptySelector) {
    sim::Profile profile = Custom({3}, 3);
    profile.modes.clear();
    Open(profile);
    EXPECT_EQ(Window().RowCount(IDC_MODE_SELECTOR), 0);
}

TEST_F(MainWindow, ModeChangeResendsTheCurrentModeAndRetitlesTheTabs) {
    Open(Custom({3, 6}, 3));
    Quiet();
    m_beeps.Clear();
    Window().Pick(IDC_MODE_SELECTOR, 0);
    EXPECT_EQ(m_session->LastPayload(0x1000), Bytes{3});
    EXPECT_EQ(m_beeps.Tones(), (std::vector<platform::Tone>{{1000, 20}}));
    Window().Pick(IDC_MODE_SELECTOR, 1);
    EXPECT_EQ(m_session->LastPayload(0x1000), Bytes{6});
    EXPECT_EQ(Comm().m_nOperationalMode, 6u);
    EXPECT_TRUE(Visible(PageHost::kMhcpmCh1));
    EXPECT_EQ(Window().RowText(IDC_TAB, 2), "Setup Ch3");
}

// After every switch the tabs read, and are there or not, exactly as in a window started in
// the new mode; and so again after switching back.
TEST_F(MainWindow, TabsFollowEveryModeChangeInBothDirections) {
    const std::vector<uint8_t> modes{3, 1, 2, 4, 5, 6, 7, 11, 13};
    std::map<uint8_t, std::vector<std::string>> atStart;
    auto tabs = [&] {
        std::vector<std::string> shown;
        for (int tab = 0; tab < Window().RowCount(IDC_TAB); ++tab) {
            shown.push_back(Window().IsTabShown(IDC_TAB, tab) ? Window().RowText(IDC_TAB, tab)
                                                              : "(hidden)");
        }
        return shown;
    };
    for (uint8_t mode : modes) {
        Open(Custom(modes, mode));
        Quiet();
        atStart[mode] = tabs();
        for (const std::string& caption : atStart[mode]) {
            EXPECT_NE(caption, "") << int(mode);
        }
        m_window.reset();
    }
    EXPECT_EQ(atStart[7][4], "(hidden)");
    EXPECT_EQ(atStart[11][3], "(hidden)");
    Open(Custom(modes, 3));
    Quiet();
    for (size_t row = 1; row < modes.size(); ++row) {
        Window().Pick(IDC_MODE_SELECTOR, static_cast<int>(row));
        ASSERT_EQ(Comm().m_nOperationalMode, modes[row]);
        EXPECT_EQ(tabs(), atStart[modes[row]]) << int(modes[row]);
        Window().Pick(IDC_MODE_SELECTOR, 0);
        EXPECT_EQ(tabs(), atStart[3]) << "back from " << int(modes[row]);
    }
}

// A mode the console does not know is named by its code and shows no setup or test pages; the
// device-wide tabs stay.
TEST_F(MainWindow, AnUnknownModeIsNamedAndHasNoSetupPages) {
    Open(Custom({3, 255}, 255));
    Quiet();
    EXPECT_EQ(Window().RowText(IDC_MODE_SELECTOR, 1), "Unknown mode 255");
    for (int tab = 0; tab < 4; ++tab) {
        EXPECT_FALSE(Window().IsTabShown(IDC_TAB, tab)) << tab;
    }
    for (int tab = 4; tab < 7; ++tab) {
        EXPECT_TRUE(Window().IsTabShown(IDC_TAB, tab)) << tab;
        EXPECT_NE(Window().RowText(IDC_TAB, tab), "") << tab;
    }
    for (PageHost::Page page :
         {PageHost::kPskCh1, PageHost::kPskCh2, PageHost::kPskCombiner, PageHost::kRcvBert}) {
        EXPECT_FALSE(Visible(page)) << page;
    }
    Window().Pick(IDC_MODE_SELECTOR, 0);
    EXPECT_TRUE(Window().IsTabShown(IDC_TAB, 0));
    EXPECT_EQ(Window().RowText(IDC_TAB, 0), "Setup CH1");
}

TEST_F(MainWindow, SilentDeviceLeavesOnlyTheCommunicationsPage) {
    m_session = std::make_unique<DeviceSession>();
    m_session->Sim().Device().InjectFault([] {
        sim::Fault fault = sim::MakeFault(sim::FaultKind::NoReply);
        fault.count = -1;
        return fault;
    }());
    m_session->Comm().m_nDefaultTimeout = 100;
    m_window = std::make_unique<CKV90TDlg>(&m_session->Comm(), 0);
    m_window->SetUseEthernet(1);
    m_window->show();
    EXPECT_FALSE(Window().DeviceAnswered());
    // The page shows the link the start-up chose: Ethernet, its address editable.
    auto* comPort = static_cast<ui::CDialog*>(Window().Pages().PageAt(PageHost::kComPort));
    EXPECT_EQ(comPort->Check(IDC_USE_ETHERNET), 1);
    EXPECT_EQ(comPort->Check(IDC_USE_SERIAL), 0);
    EXPECT_TRUE(comPort->IsEnabled(IDC_IP_ADDRESS));
    EXPECT_EQ(Window().RowCount(IDC_TAB), 1);
    EXPECT_EQ(Window().RowText(IDC_TAB, 0), "Comm Port");
    EXPECT_TRUE(Visible(PageHost::kComPort));
    EXPECT_EQ(Window().Pages().PageAt(PageHost::kPskCh1), nullptr);
    m_session->Sim().Device().ClearReceivedFrames();
    PumpFor(100);
    EXPECT_TRUE(m_session->Sim().Device().ReceivedFrames().empty());
    EXPECT_EQ(comPort->Text(IDC_COMM_NOTE),
              "The device does not answer. Check the connection above, then press Start Again.");

    // Start Again runs the start-up again: still silent, the page stays; answering, the window
    // is what a start with an answering device makes it, and its polls begin.
    ASSERT_TRUE(comPort->IsShown(IDC_COMM_RETRY));
    comPort->Click(IDC_COMM_RETRY);
    EXPECT_FALSE(Window().DeviceAnswered());
    EXPECT_EQ(Window().RowCount(IDC_TAB), 1);
    m_session->Sim().Device().ClearFaults();
    comPort->Click(IDC_COMM_RETRY);
    EXPECT_TRUE(Window().DeviceAnswered());
    EXPECT_EQ(comPort->Text(IDC_COMM_NOTE), "");
    EXPECT_FALSE(comPort->IsShown(IDC_COMM_RETRY));
    EXPECT_EQ(Window().RowCount(IDC_TAB), 7);
    EXPECT_EQ(Window().RowText(IDC_TAB, 6), "Comm Port");
    EXPECT_EQ(Window().Pages().PageAt(PageHost::kComPort), comPort);
    EXPECT_TRUE(Visible(PageHost::kPskCh1));
    EXPECT_FALSE(Visible(PageHost::kComPort));
    for (int group : {IDC_STATUS_GROUP, IDC_SETUPS_GROUP, IDC_MODE_GROUP}) {
        EXPECT_TRUE(Window().IsShown(group)) << group;
    }
    EXPECT_FALSE(Window().IsShown(IDC_TIME_GROUP));  // PSK mode
    EXPECT_GT(Window().RowCount(IDC_MODE_SELECTOR), 0);
    EXPECT_LE(Window().frameGeometry().height(), 768);
    m_session->Sim().Device().ClearReceivedFrames();
    EXPECT_TRUE(PumpUntil([&] { return m_session->CountReceived(0x2100) > 0; }, 5000));
}

// A device that answers and then fails a start-up read is not called silent: the page names
// the read. A link saved that is not the running one is said to need a new start.
TEST_F(MainWindow, AFailedStartUpReadIsNamedAndANewLinkNeedsANewStart) {
    m_session = std::make_unique<DeviceSession>();
    sim::Fault fault = sim::MakeFault(sim::FaultKind::NoReply);
    fault.code = 0x1008;  // the installed options, read after the identity
    fault.count = -1;
    m_session->Sim().Device().InjectFault(fault);
    m_session->Comm().m_nDefaultTimeout = 100;
    m_window = std::make_unique<CKV90TDlg>(&m_session->Comm(), 0);
    testsupport::TempDir folder;
    ::setenv("KV90T_SETTINGS", (folder.Path() + "/kv90t.reg").c_str(), 1);
    m_window->SetUseEthernet(1);
    m_window->SetDeviceIpAddress("127.0.0.1");
    m_window->show();
    ASSERT_FALSE(Window().DeviceAnswered());
    auto* comPort = static_cast<ui::CDialog*>(Window().Pages().PageAt(PageHost::kComPort));
    EXPECT_EQ(comPort->Text(IDC_COMM_NOTE),
              "The device answered, but the start-up read of command 0x1008 failed. Press Start "
              "Again to retry.");
    comPort->Click(IDC_USE_SERIAL);
    EXPECT_EQ(comPort->Text(IDC_COMM_NOTE),
              "Saved. The console uses the new connection when it is started again.");
    comPort->Click(IDC_USE_ETHERNET);
    EXPECT_EQ(comPort->Text(IDC_COMM_NOTE), "");  // the running link again
    ::unsetenv("KV90T_SETTINGS");
}

TEST_F(MainWindow, SavedSetupsFlagsAreSentAndRefreshed) {
    Open();
    Quiet();
    EXPECT_EQ(Window().Check(IDC_ALLOW_SAVING), 1);
    EXPECT_FALSE(Window().IsEnabled(IDC_SETUPS_CH1));
    Window().Click(IDC_USE_AT_BOOT);
    EXPECT_EQ(m_session->LastPayload(0x100E), Bytes{0xE2});
    EXPECT_TRUE(Window().IsEnabled(IDC_SETUPS_CH1));
    EXPECT_EQ(Window().Check(IDC_SETUPS_CH2), 1);
    Window().Click(IDC_SETUPS_CH2);
    EXPECT_EQ(m_session->LastPayload(0x100E), Bytes{0xA2});
    EXPECT_EQ(Window().Check(IDC_SETUPS_CH2), 0);
    Window().Click(IDC_SAVE_SETUPS);
    EXPECT_EQ(m_session->LastPayload(0x100E), Bytes{0xA3});
    EXPECT_EQ(m_beeps.Tones().back(), (platform::Tone{1000, 10}));
}

TEST_F(MainWindow, DauModePollsTheTimeInsteadOfTheCombiner) {
    Open(*sim::FindProfile("dau"));
    m_session->Sim().Device().ClearReceivedFrames();
    ASSERT_TRUE(PumpUntil([&] { return m_session->CountReceived(0x2106) >= 2; }));
    for (const auto& frame : m_session->Sim().Device().ReceivedFrames()) {
        if (frame.code == 0x2100) {
            EXPECT_NE(frame.payload, Bytes{2});
        }
    }
}

TEST(PageHostTable, FamiliesOfTheChannelTabsByMode) {
    using P = PageHost;
    for (uint32_t mode : {0u, 3u, 5u, 8u, 9u, 10u, 12u, 13u, 14u}) {
        EXPECT_EQ(P::PageFor(P::kChannel1, mode), P::kPskCh1) << mode;
        EXPECT_EQ(P::PageFor(P::kChannel2, mode), P::kPskCh2) << mode;
        EXPECT_EQ(P::PageFor(P::kCombiner, mode), P::kPskCombiner) << mode;
    }
    for (uint32_t unknown : {15u, 99u}) {
        for (int kind : {P::kChannel1, P::kChannel2, P::kCombiner, P::kTest}) {
            EXPECT_EQ(P::PageFor(kind, unknown), P::kBlank) << unknown << " " << kind;
        }
        EXPECT_EQ(P::PageFor(P::kRecorder, unknown), P::kNandFlash);
    }
    EXPECT_EQ(P::PageFor(P::kChannel1, 6), P::kMhcpmCh1);
    EXPECT_EQ(P::PageFor(P::kCombiner, 6), P::kMhcpmCombiner);
    EXPECT_EQ(P::PageFor(P::kChannel2, 1), P::kBitSyncCh2);
    EXPECT_EQ(P::PageFor(P::kChannel1, 2), P::kPcmFmCh1);
    EXPECT_EQ(P::PageFor(P::kCombiner, 7), P::kIrigTime);
    EXPECT_EQ(P::PageFor(P::kCombiner, 11), P::kTapeCh3);
    EXPECT_EQ(P::PageFor(P::kTest, 11), P::kBlank);
    EXPECT_EQ(P::PageFor(P::kRecorder, 7), P::kBlank);
}

TEST_F(MainWindow, PskAndMultiHPagesCarryTheirFamilyTitles) {
    Open(Custom({3, 6}, 6));
    Quiet();
    SelectTab(PageHost::kChannel1);
    ASSERT_TRUE(Visible(PageHost::kMhcpmCh1));
    auto* multiH = static_cast<ui::CDialog*>(Window().Pages().PageAt(PageHost::kMhcpmCh1));
    EXPECT_EQ(multiH->Text(IDC_SETUP_TITLE), "Ch1 - MHCPM");
    EXPECT_EQ(Window().RowText(IDC_TAB, 0), "Setup CH1");
    EXPECT_EQ(Window().RowText(IDC_TAB, 2), "Setup Ch3");
    auto* psk = static_cast<ui::CDialog*>(Window().Pages().PageAt(PageHost::kPskCombiner));
    EXPECT_EQ(psk->Text(IDC_SETUP_TITLE), "Combiner - PSK");
}

TEST_F(MainWindow, FitsTheScreenWithOneSizeOnEveryTabAndInEveryMode) {
    for (uint8_t mode : {1, 2, 3, 4, 6, 7, 11}) {
        Open(Custom({1, 2, 3, 4, 6, 7, 11}, mode));
        Quiet();
        const QSize size = Window().size();
        EXPECT_LE(size.width(), 1366) << int(mode);
        EXPECT_LE(size.height(), 740) << int(mode);
        for (int tab = 0; tab <= PageHost::kCommTab; ++tab) {
            SelectTab(tab);
            QApplication::processEvents();
            EXPECT_EQ(Window().size(), size) << "mode " << int(mode) << ", tab " << tab;
        }
        m_window.reset();
    }
}

// Into the DAU mode and back the window keeps within the screen, the DAU status rows take only
// their room, and the window opens wholly on its screen wherever it was put.
TEST_F(MainWindow, StaysOnTheScreenThroughAChangeIntoAndOutOfDauMode) {
    m_session = std::make_unique<DeviceSession>(Custom({3, 7}, 3));
    m_window = std::make_unique<CKV90TDlg>(&m_session->Comm(), 0);
    m_window->move(5000, 3000);
    m_window->show();
    Quiet();
    const QRect room = Window().screen()->availableGeometry();
    EXPECT_EQ(Window().frameGeometry().left(),
              std::max(room.left(), room.right() + 1 - Window().frameGeometry().width()));
    EXPECT_EQ(Window().frameGeometry().top(),
              std::max(room.top(), room.bottom() + 1 - Window().frameGeometry().height()));
    const QSize psk = Window().size();
    QWidget* area = Window().Control(IDC_PAGE_FRAME);
    const int pskArea = area->height();
    Window().Pick(IDC_MODE_SELECTOR, 1);
    ASSERT_EQ(Comm().m_nOperationalMode, 7u);
    for (int tab = 0; tab <= PageHost::kCommTab; ++tab) {
        SelectTab(tab);
        QApplication::processEvents();
        EXPECT_LE(Window().width(), 1366) << tab;
        EXPECT_LE(Window().height(), 740) << tab;
        EXPECT_GE(area->height(), pskArea - 60) << tab;  // the time rows cost the page little
        EXPECT_LE(area->geometry().bottom(), Window().height()) << tab;
    }
    Window().Pick(IDC_MODE_SELECTOR, 0);
    ASSERT_EQ(Comm().m_nOperationalMode, 3u);
    QApplication::processEvents();
    EXPECT_EQ(Window().size(), psk);
    EXPECT_EQ(area->height(), pskArea);
}

TEST_F(MainWindow, AWheelNotchOverTheModeSelectorChangesNothing) {
    Open(Custom({3, 4, 6}, 3));
    Quiet();
    m_session->Sim().Device().ClearReceivedFrames();
    QWidget* selector = Window().Control(IDC_MODE_SELECTOR);
    for (int delta : {-120, 120}) {
        QWheelEvent wheel(QPointF(5, 5), selector->mapToGlobal(QPointF(5, 5)), QPoint(),
                          QPoint(0, delta), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(selector, &wheel);
    }
    EXPECT_EQ(Window().SelectedRow(IDC_MODE_SELECTOR), 0);
    EXPECT_EQ(m_session->CountReceived(0x1000), 0);
}

TEST_F(MainWindow, AModeChangeKeepsPaintingAndAFailedOneShowsTheModeReadBack) {
    Open(Custom({3, 6, 7}, 3));
    Quiet();
    m_session->Sim().Simulation().SetPersonalityLoadTime(400);
    std::string during;
    bool enabledDuring = true;
    QTimer::singleShot(200, [&] {
        during = Window().Text(IDC_MODE_PROGRESS);
        enabledDuring = Window().isEnabled();
    });
    Window().Pick(IDC_MODE_SELECTOR, 1);
    EXPECT_EQ(during, "Loading the personality... 0 s");
    EXPECT_FALSE(enabledDuring);
    EXPECT_TRUE(Window().isEnabled());
    EXPECT_EQ(Window().Text(IDC_MODE_PROGRESS), "");
    EXPECT_EQ(Comm().m_nOperationalMode, 6u);
    EXPECT_TRUE(Visible(PageHost::kMhcpmCh1));

    // A device that ignores the mode command stays in its mode.
    m_session->Sim().Device().SetCommand(
        0x1000, [](const sim::Frame&) -> std::optional<std::vector<uint8_t>> { return {}; });
    Comm().m_nModeTimeout = 300;
    m_beeps.Clear();
    Window().Pick(IDC_MODE_SELECTOR, 0);  // PSK asked; the device stays in multi-h CPM
    EXPECT_EQ(Comm().m_nOperationalMode, 6u);
    EXPECT_EQ(Window().SelectedRow(IDC_MODE_SELECTOR), 1);
    EXPECT_TRUE(Visible(PageHost::kMhcpmCh1));
    EXPECT_EQ(m_beeps.Tones(), (std::vector<platform::Tone>{{100, 100}}));
}

TEST_F(MainWindow, TheStatusPanelFollowsAChangeIntoAndOutOfDauMode) {
    Open(Custom({3, 7}, 3));
    Quiet();
    EXPECT_TRUE(Window().IsShown(IDC_FSPLCK));
    EXPECT_FALSE(Window().IsShown(IDC_TIME_GROUP));
    Window().Pick(IDC_MODE_SELECTOR, 1);
    ASSERT_EQ(Comm().m_nOperationalMode, 7u);
    for (int id : {IDC_CARRLCK, IDC_FSPLCK, IDC_FRMLCK, IDC_CARRIER_FREQUENCY_LABEL,
                   IDC_CARRIER_FREQUENCY[0], IDC_FM_MOD_INDEX[1]}) {
        EXPECT_FALSE(Window().IsShown(id)) << id;
    }
    EXPECT_EQ(Window().Text(IDC_CARRIER_FREQUENCY[0]), "");
    EXPECT_TRUE(Window().IsShown(IDC_TIME_GROUP));
    EXPECT_TRUE(Window().IsShown(IDC_SOY_YEAR));
    EXPECT_EQ(Window().ShownLamp(IDC_TIME_GREY), IDC_TIME_GREY);
    Window().Pick(IDC_MODE_SELECTOR, 0);
    for (int id : {IDC_CARRLCK, IDC_SYMBLCK, IDC_FSPLCK, IDC_FRMLCK, IDC_AM_MOD_INDEX_LABEL,
                   IDC_SYMBOL_RATE[2]}) {
        EXPECT_TRUE(Window().IsShown(id)) << id;
    }
    EXPECT_FALSE(Window().IsShown(IDC_TIME_GROUP));
}

TEST_F(MainWindow, ALostDeviceIsShownPlainlyAndStatusResumesWhenItIsBack) {
    Open();
    ASSERT_TRUE(PumpUntil([&] { return Window().ShownLamp(IDC_CARRLCK_GREY[0]) != 0; }));
    sim::Fault silent = sim::MakeFault(sim::FaultKind::NoReply);
    silent.count = -1;
    m_session->Sim().SkipSilence(false);  // the test paces the probes itself
    m_session->Sim().Device().InjectFault(silent);
    {
        testsupport::FastForward silence(20, 1);
        ASSERT_TRUE(PumpUntil([&] { return Window().LinkLost(); }));
        EXPECT_EQ(Window().Text(IDC_LINK_STATE), "The device does not answer.");
        EXPECT_TRUE(Window().IsShown(IDC_LINK_STATE));
        // Nothing read is shown as if it had been, from the moment the link is lost.
        for (int path = 0; path < 2; ++path) {
            for (int grey :
                 {IDC_CARRLCK_GREY[path], IDC_FSPLCK_GREY[path], IDC_FRMLCK_GREY[path]}) {
                EXPECT_EQ(Window().ShownLamp(grey), grey) << path;
            }
            for (int id : {IDC_RSSI[path], IDC_AM_MOD_INDEX[path], IDC_CARRIER_FREQUENCY[path]}) {
                EXPECT_EQ(Window().Text(id), "") << id;
            }
            EXPECT_LT(Window().Pos(IDC_RSSI_BAR[path]), -110) << path;  // no level: an empty bar
        }
        // While lost, a poll goes out only every couple of seconds.
        m_session->Sim().Device().ClearReceivedFrames();
        const uint64_t from = platform::TickCount64();
        PumpUntil([&] { return platform::TickCount64() - from >= 6000; });
        EXPECT_LE(m_session->Sim().Device().ReceivedFrames().size(), 4u);
    }
    m_session->Sim().Device().ClearFaults();
    ASSERT_TRUE(PumpUntil([&] { return !Window().LinkLost(); }));
    EXPECT_EQ(Window().Text(IDC_LINK_STATE), "");
    EXPECT_FALSE(Window().IsShown(IDC_LINK_STATE));
    EXPECT_TRUE(
        PumpUntil([&] { return Window().ShownLamp(IDC_SYMBLCK_GREY[0]) != IDC_SYMBLCK_GREY[0]; }));
}

// Polling stopped (by a firmware update, or by the operator) leaves no value looking live, and
// the banner says so until polling is on again.
TEST_F(MainWindow, PollingThatIsOffClearsTheValuesAndSaysSo) {
    for (const sim::Profile& profile : {Custom({3, 7}, 3), Custom({3, 7}, 7)}) {
        Open(profile);
        const bool dau = profile.startMode == 7;
        const int live = dau ? IDC_SOY_SECONDS : IDC_CARRIER_FREQUENCY[0];
        ASSERT_TRUE(PumpUntil(
            [&] { return Window().Text(live) != "" && Window().Text(IDC_RSSI[1]) != ""; }));
        EXPECT_FALSE(Window().IsShown(IDC_LINK_STATE));
        platform::PostMessage(Window().Handle(), UWM_STOP_STATUS_POLLING);
        ASSERT_TRUE(PumpUntil([&] { return g_bPollChannelStatus == 0; }));
        EXPECT_EQ(Window().Text(IDC_LINK_STATE), "Status polling is off: the status is not read.");
        EXPECT_TRUE(Window().IsShown(IDC_LINK_STATE));
        EXPECT_EQ(Window().Check(IDC_STATUS), 0);
        for (int id : {live, IDC_RSSI[0], IDC_RSSI[1]}) {
            EXPECT_EQ(Window().Text(id), "") << id;
        }
        EXPECT_EQ(Window().ShownLamp(dau ? IDC_TIME_GREY : IDC_CARRLCK_GREY[1]),
                  dau ? IDC_TIME_GREY : IDC_CARRLCK_GREY[1]);
        PumpFor(100);
        EXPECT_EQ(Window().Text(live), "");

        Window().Click(IDC_STATUS);
        EXPECT_FALSE(Window().IsShown(IDC_LINK_STATE));
        EXPECT_TRUE(PumpUntil([&] { return Window().Text(live) != ""; }));
        m_window.reset();
    }
}

TEST_F(MainWindow, AClosedTcpConnectionIsMadeAnewAndStatusGoesOn) {
    Open();
    ASSERT_TRUE(PumpUntil([&] { return m_session->CountReceived(0x2100) >= 2; }));
    const int accepted = m_session->Sim().Server().AcceptedConnections();
    m_session->Sim().Device().InjectFault(sim::MakeFault(sim::FaultKind::DropConnection));
    {
        // Polls on a closed connection wait out their time-outs inside the transaction.
        testsupport::FastForward closedPolls(500, 50);
        ASSERT_TRUE(PumpUntil([&] { return Window().LinkLost(); }));
        ASSERT_TRUE(PumpUntil([&] { return !Window().LinkLost(); }));
    }
    EXPECT_EQ(m_session->Sim().Server().AcceptedConnections(), accepted + 1);
    m_session->Sim().Device().ClearReceivedFrames();
    EXPECT_TRUE(PumpUntil([&] { return m_session->CountReceived(0x2104) >= 2; }));
}

// The status thread keeps polling while the device loads each personality: its messages wait
// for the mode command instead of running inside it, so every change takes the load time, and
// the page's read-back after it decodes what the device holds.
// Real time: the device's load delays its reply while the status thread goes on.
using MainWindowRealTime = MainWindow;
TEST_F(MainWindowRealTime, ModeChangesWhilePollingNeverNestATransaction) {
    Open(Custom({3, 4, 6, 7}, 3));
    protocol::ChannelSetup psk = Comm().m_ChannelSetup[0];
    psk.tuningFrequency = 2'250'500'000;
    psk.bitRate = 5'000'000;
    ASSERT_NE(Comm().SetChannelSetup(0, psk), 0);
    m_session->Sim().Simulation().SetPersonalityLoadTime(250);
    ASSERT_TRUE(PumpUntil([&] { return m_session->CountReceived(0x2100) >= 2; }));
    for (int i = 1; i <= 12; ++i) {
        Comm().m_ChannelSetup[0].bitRate = 0;
        QElapsedTimer timer;
        timer.start();
        Window().Pick(IDC_MODE_SELECTOR, i % 4);
        EXPECT_LT(timer.elapsed(), 5000) << i;
        EXPECT_EQ(Comm().m_nOperationalMode, m_session->Sim().Simulation().Mode()) << i;
        if (Comm().m_nOperationalMode == 3) {
            EXPECT_EQ(Comm().m_ChannelSetup[0].tuningFrequency, 2'250'500'000u) << i;
            EXPECT_EQ(Comm().m_ChannelSetup[0].bitRate, 5'000'000u) << i;
        }
        PumpFor(100);
    }
    // A load longer than the polls' time-outs is no lost device.
    m_session->Sim().Simulation().SetPersonalityLoadTime(1500);
    Window().Pick(IDC_MODE_SELECTOR, 1);
    PumpFor(300);
    EXPECT_FALSE(Window().LinkLost());
    EXPECT_FALSE(Window().IsShown(IDC_LINK_STATE));
    EXPECT_EQ(Comm().NestedTransactions(), 0u);
}

// --metrics: what the panel's polls read, as Prometheus metrics, with no request of their own.
TEST_F(MainWindow, MetricsShowWhatThePollsReadAndAskTheDeviceNothing) {
    using testsupport::HasSeries;
    using testsupport::Sample;
    metrics::Endpoint endpoint(
        metrics::ParseListenAddress(std::to_string(testsupport::FreeTcpPort())));
    m_session = std::make_unique<DeviceSession>();
    m_window = std::make_unique<CKV90TDlg>(&m_session->Comm(), 0);
    m_window->ServeMetrics(endpoint.Registry());
    m_window->show();
    Quiet();
    auto scrape = [&] { return testsupport::HttpGet(endpoint.Port(), "/metrics"); };
    const std::map<std::string, std::string> rx = {{"receiver", "1A2B-007"}};
    const std::map<std::string, std::string> path0 = {{"receiver", "1A2B-007"}, {"path", "0"}};
    std::string text = scrape();
    EXPECT_EQ(Sample(text, "kv90t_up", rx), 1);
    EXPECT_EQ(Sample(text, "kv90t_operational_mode", rx), 3);
    EXPECT_TRUE(HasSeries(text, "kv90t_info", "hardware_configuration", "1234"));
    const double polls = Sample(text, "kv90t_polls_total", rx).value_or(-1);

    m_session->Sim().Device().ClearReceivedFrames();
    m_session->Answer(0x2100, ChannelStatus(-1000, 0x40, -525, 0));
    Send(UWM_CHANNEL_STATUS_1);
    text = scrape();
    EXPECT_EQ(Sample(text, "kv90t_rssi_dbm", path0), -52.5);
    EXPECT_EQ(Sample(text, "kv90t_carrier_frequency_offset_hertz", path0), -1000);
    EXPECT_EQ(Sample(text, "kv90t_symbol_locked", path0), 1);
    EXPECT_EQ(Sample(text, "kv90t_polls_total", rx), polls + 1);
    EXPECT_EQ(m_session->Sim().Device().ReceivedFrames().size(), 1u);  // the poll's own request

    // A failed poll empties its path; three in a row leave only kv90t_up 0 and the counters.
    sim::Fault silent = sim::MakeFault(sim::FaultKind::NoReply);
    silent.code = 0x2100;
    silent.count = 3;
    m_session->Sim().Device().InjectFault(silent);
    Send(UWM_CHANNEL_STATUS_1);
    text = scrape();
    EXPECT_FALSE(Sample(text, "kv90t_rssi_dbm", path0));
    EXPECT_EQ(Sample(text, "kv90t_up", rx), 1);
    EXPECT_EQ(Sample(text, "kv90t_poll_failures_total", rx), 1);
    Send(UWM_CHANNEL_STATUS_2);
    Send(UWM_CHANNEL_STATUS_3);
    ASSERT_TRUE(Window().LinkLost());
    text = scrape();
    EXPECT_EQ(Sample(text, "kv90t_up", rx), 0);
    EXPECT_EQ(Sample(text, "kv90t_poll_failures_total", rx), 3);
    for (const char* gone : {"kv90t_info", "kv90t_operational_mode", "kv90t_rssi_dbm"}) {
        EXPECT_FALSE(HasSeries(text, gone, "receiver", "1A2B-007")) << gone;
    }
    platform::AdvanceClockMs(5000);  // the next probe of a lost device is due
    Send(UWM_CHANNEL_STATUS_1);      // answered again: up, with its identity
    text = scrape();
    EXPECT_EQ(Sample(text, "kv90t_up", rx), 1);
    EXPECT_TRUE(HasSeries(text, "kv90t_info", "receiver", "1A2B-007"));
}
