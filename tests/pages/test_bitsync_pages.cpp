// The bit-sync channel and combiner pages against the simulated device: the Send with its IF
// filter pick (the button and Return), the choices and their mode gates, the impedance
// captions, and the requests on the wire.

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>

#include "pages/setup/CKV90T1_SetupBitSyncChannelDlg.h"
#include "pages/setup/CKV90T1_SetupBitSyncCombinerDlg.h"
#include "platform/beep.h"
#include "resources/resource_ids.h"
#include "sim/Bytes.h"
#include "tests/support/DeviceSession.h"
#include "ui/MessageBoxes.h"

using namespace res;
using platform::Tone;
using testsupport::DeviceSession;
using Bytes = std::vector<uint8_t>;

namespace {

class BitSyncPages : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(Comm().ReadDeviceConfiguration(), 0);
        ASSERT_NE(Comm().ReadDeviceIdentity(), 0);
        Comm().m_nOperationalMode = protocol::kModeBitSync;
    }
    std::unique_ptr<CKV90T1_SetupBitSyncChannelDlg> Open(uint32_t channel) {
        auto page = std::make_unique<CKV90T1_SetupBitSyncChannelDlg>(&Comm(), channel, 0, nullptr);
        page->RefreshFromDevice();
        Ready();
        return page;
    }
    void Ready() {
        m_session.Sim().Device().ClearReceivedFrames();
        m_beeps.Clear();
    }
    std::vector<uint16_t> Codes() {
        std::vector<uint16_t> codes;
        for (const auto& frame : m_session.Sim().Device().ReceivedFrames()) {
            codes.push_back(frame.code);
        }
        return codes;
    }
    CKV90T1_Comm& Comm() { return m_session.Comm(); }
    protocol::ChannelSetup& Record(int path) { return Comm().m_ChannelSetup[path]; }

    DeviceSession m_session;
    platform::BeepRecorder m_beeps;
    ui::DialogInterceptor m_boxes;
};

const Tone kHigh{1000, 10};
const Tone kLow{100, 100};

}  // namespace

TEST_F(BitSyncPages, ReturnRunsTheSendWhichPicksTheIfFilter) {
    const uint32_t filters[4] = {100'000, 200'000, 500'000, 1'000'000};
    std::fill(std::begin(Comm().m_Config.ifBandwidth[1]), std::end(Comm().m_Config.ifBandwidth[1]),
              0u);
    std::copy(std::begin(filters), std::end(filters), Comm().m_Config.ifBandwidth[1]);
    auto page = Open(1);
    EXPECT_EQ(page->windowTitle().toStdString(), "Setup CH2");
    EXPECT_EQ(page->Text(IDC_SETUP_TITLE), "Channel 2");
    page->SetText(IDC_BIT_RATE, "285,714");  // an estimate of 300 kHz
    page->SetText(IDC_LOOP_BANDWIDTH, "0.50");
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(page->Control(IDC_LOOP_BANDWIDTH), &enter);
    EXPECT_EQ(Codes(), (std::vector<uint16_t>{0x1400, 0x140E}));  // no output setup reset
    const Bytes setup = m_session.LastPayload(0x1400);
    ASSERT_EQ(setup.size(), 14u);
    EXPECT_EQ(setup[0], 1);
    EXPECT_EQ(setup[3] & 0x1F, 2);  // 500 kHz, the first at least as wide
    EXPECT_EQ(sim::GetNumber(setup, 4, 4), 285'714u);
    EXPECT_EQ(setup[10], 50);
    EXPECT_EQ(m_session.LastPayload(0x140E)[1] & 7, 3);  // channel 2's output selector
    EXPECT_EQ(m_beeps.Tones(), std::vector<Tone>{kHigh});

    page->SetText(IDC_BIT_RATE, "99,000,000");  // above the bit-sync maximum
    page->Click(IDC_INPUT_DATA_SEND);
    EXPECT_EQ(sim::GetNumber(m_session.LastPayload(0x1400), 4, 4), 30'000'000u);
    EXPECT_EQ(m_session.LastPayload(0x1400)[3] & 0x1F, 31);  // wider than every filter
    EXPECT_EQ(page->Text(IDC_BIT_RATE), "30,000,000");
}

TEST_F(BitSyncPages, ChoicesFollowTheirModeGatesAndTheBetaFollowsTheFilter) {
    auto page = Open(0);
    Record(0).srrcBeta = 50;
    page->Click(IDC_MATCHED_SRRC);
    EXPECT_EQ(m_session.LastPayload(0x1400)[11] & 0x80, 0x80);
    EXPECT_EQ(page->Text(IDC_SRRC_BETA), "0.50");
    EXPECT_TRUE(page->IsEnabled(IDC_SRRC_BETA));
    EXPECT_EQ(page->Check(IDC_MATCHED_SRRC), 1);
    page->Click(IDC_MATCHED_ID);
    EXPECT_EQ(page->Text(IDC_SRRC_BETA), "");
    EXPECT_FALSE(page->IsEnabled(IDC_SRRC_BETA_UPDOWN));

    page->Click(IDC_BASEBAND_INPUT[3]);
    EXPECT_EQ((m_session.LastPayload(0x1400)[11] >> 3) & 3, 3);
    EXPECT_EQ(page->Text(IDC_BASEBAND_INPUT[2]), "Differential");
    page->Click(IDC_SE_IMPEDANCE[2]);
    EXPECT_EQ((m_session.LastPayload(0x1400)[11] >> 5) & 3, 2);
    page->Click(IDC_DIFF_IMPEDANCE[1]);
    EXPECT_EQ(m_session.LastPayload(0x1400)[11] & 0x04, 0x04);

    Comm().m_nOperationalMode = protocol::kModePsk;  // the baseband choices are bit sync's
    Ready();
    page->Click(IDC_BASEBAND_INPUT[0]);
    EXPECT_TRUE(Codes().empty());
    EXPECT_EQ(m_beeps.Tones(), std::vector<Tone>{kLow});
    EXPECT_EQ(page->Check(IDC_BASEBAND_INPUT[0]), 0);
    EXPECT_EQ(page->Check(IDC_BASEBAND_INPUT[3]), 1);
    Comm().m_nOperationalMode = protocol::kModeMsPcmFmGmsk;  // no matched filter in mode 4
    page->Click(IDC_MATCHED_SRRC);
    EXPECT_EQ(page->Check(IDC_MATCHED_SRRC), 0);
    EXPECT_EQ(Codes().size(), 0u);

    Comm().m_nOperationalMode = protocol::kModeBitSync;
    Ready();
    page->Click(IDC_BITSYNC_INPUT_INVERTED);
    EXPECT_EQ(m_session.LastPayload(0x1400)[8] & 0x80, 0x80);
    page->Click(IDC_ENHANCED_ACQ);
    EXPECT_EQ(page->Text(IDC_ENHANCED_ACQ), "Enabled");
    EXPECT_EQ(m_session.LastPayload(0x140E)[1] & 0x40, 0x40);
}

TEST_F(BitSyncPages, ImpedanceCaptionsAndAMissingChannel) {
    Comm().m_Identity.dspPcbRevision = 5;  // identity data that reports no terminations
    auto early = Open(0);
    for (int id : {IDC_SE_IMPEDANCE[0], IDC_SE_IMPEDANCE[3], IDC_DIFF_IMPEDANCE[1]}) {
        EXPECT_EQ(early->Text(id), "0 Ohms");
    }
    Comm().m_Identity.dspPcbRevision = 6;
    const uint16_t ohms[6] = {50, 75, 100, 10000, 100, 1000};
    std::copy(std::begin(ohms), std::end(ohms), Comm().m_Config.bitSyncTerminations);
    auto later = Open(1);
    EXPECT_EQ(later->Text(IDC_SE_IMPEDANCE[1]), "75 Ohms");
    EXPECT_EQ(later->Text(IDC_DIFF_IMPEDANCE[1]), "1000 Ohms");
    Comm().m_OutputData[1].clockPhase = 9;
    later->Redraw();
    EXPECT_EQ(later->Text(IDC_CLOCK_PHASE), "Unknown");

    Comm().m_Options.channel2Installed = 0;
    CKV90T1_SetupBitSyncChannelDlg missing(&Comm(), 1, 0, nullptr);
    EXPECT_FALSE(missing.isEnabled());
    EXPECT_FALSE(missing.IsEnabled(IDC_INPUT_DATA_SEND));

    CKV90T1_SetupBitSyncCombinerDlg combiner(&Comm(), 0, nullptr);
    EXPECT_EQ(combiner.windowTitle().toStdString(), "Setup Combiner");
    EXPECT_EQ(combiner.Text(IDC_SETUP_TITLE), "Combiner");
    Ready();
    combiner.RefreshFromDevice();
    EXPECT_EQ(Codes(), (std::vector<uint16_t>{0x4400, 0x4401, 0x4105}));
}
