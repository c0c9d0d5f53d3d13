// The PSK and multi-h CPM channel and combiner pages against the simulated device: the whole
// Send requests on the wire, their output data, and what each family's pages particularly do.

#include <gtest/gtest.h>

#include "pages/setup/CKV90T1_SetupMHCPM_ChannelDlg.h"
#include "pages/setup/CKV90T1_SetupMHCPM_CombinerDlg.h"
#include "pages/setup/CKV90T1_SetupPSK_ChannelDlg.h"
#include "pages/setup/CKV90T1_SetupPSK_CombinerDlg.h"
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

const Tone kHigh{1000, 10};
const Tone kLow{100, 100};

class FamilyPages : public ::testing::Test {
protected:
    void Start(uint32_t mode, const sim::Profile& profile = sim::DefaultProfile()) {
        m_session = std::make_unique<DeviceSession>(profile);
        ASSERT_NE(Comm().ReadDeviceConfiguration(), 0);
        Comm().m_nOperationalMode = mode;
    }
    void Ready() {
        m_session->Sim().Device().ClearReceivedFrames();
        m_beeps.Clear();
    }
    CKV90T1_Comm& Comm() { return m_session->Comm(); }
    protocol::ChannelSetup& Record(int path) { return Comm().m_ChannelSetup[path]; }
    Bytes Last(uint16_t code) { return m_session->LastPayload(code); }
    std::vector<uint16_t> Codes() {
        std::vector<uint16_t> codes;
        for (const auto& frame : m_session->Sim().Device().ReceivedFrames()) {
            codes.push_back(frame.code);
        }
        return codes;
    }
    // A record whose every field the tests below know.
    void KnownRecord(int path) {
        protocol::ChannelSetup& r = Record(path);
        r = protocol::ChannelSetup{};
        r.inputSelect = 1;
        r.ifBandwidthIndex = 5;
        r.assistedAcquisition = 1;
        r.videoFilterIndex = 2;
        r.amFilterIndex = 10;
        r.agcTimeConstantIndex = 3;
        r.pcmCode = 0x40;
        r.qPcmCode = 1;
        r.pskSubmode = 1;
        r.levelSetting = 0;
    }

    std::unique_ptr<DeviceSession> m_session;
    platform::BeepRecorder m_beeps;
    ui::DialogInterceptor m_boxes;
};

}  // namespace

TEST_F(FamilyPages, PskChannelSendGoesOutWholeWithTheHeldPskOutputData) {
    Start(protocol::kModePsk);
    CKV90T1_SetupPSK_ChannelDlg page(&Comm(), 0, 0, nullptr);
    EXPECT_EQ(page.windowTitle().toStdString(), "Setup CH1");
    EXPECT_EQ(page.Text(IDC_SETUP_TITLE), "Channel 1 - PSK");
    KnownRecord(0);
    auto& held = Comm().m_OutputData[0];
    held.flag2 = 1;
    held.qPcmCode = 5;
    held.clockPhase = 2;
    held.inverted = 1;
    held.qClockPhase = 1;
    page.SetText(IDC_TUNING_FREQUENCY, "2250.5");
    page.SetText(IDC_BIT_RATE, "5,000,000");
    page.SetText(IDC_LOOP_BANDWIDTH, "1.00");
    page.SetText(IDC_Q_BIT_RATE, "1,000,000");
    page.SetText(IDC_Q_LOOP_BANDWIDTH, "0.50");
    page.SetText(IDC_CARRIER_LBW, "0.20");
    page.SetText(IDC_ACQUISITION_RANGE, "0.25");
    Ready();
    page.Click(IDC_Q_INPUT_DATA_SEND);
    EXPECT_EQ(Codes(), (std::vector<uint16_t>{0x1100, 0x1101, 0x110E}));
    Bytes expected(44, 0);
    expected[1] = 1;  // input select
    sim::PutNumber(expected, 3, 5, 2'250'500'000);
    expected[8] = 0x80 | 5;  // assisted, IF bandwidth 5
    expected[9] = 2;
    expected[11] = 10;
    expected[12] = 3 | 1 << 5;  // time constant 3, the first AGC-mode flag
    sim::PutNumber(expected, 15, 4, 5'000'000);
    expected[19] = 0x40;
    expected[21] = 100;
    sim::PutNumber(expected, 23, 4, 1'000'000);
    expected[27] = 1;
    expected[29] = 50;
    expected[31] = 1;    // QPSK, matched filter "I && D"
    expected[32] = 50;   // SRRC beta 0.50
    expected[33] = 20;   // carrier loop 0.20
    expected[34] = 157;  // the PSK setting byte
    sim::PutNumber(expected, 35, 4, 70'000'000);
    sim::PutNumber(expected, 39, 4, 250'000);
    EXPECT_EQ(Last(0x1100), expected);
    EXPECT_EQ(Last(0x110E), (Bytes{0, 0x40, 0xA0, 0x40, 0, 5, 0, 0}));  // selector 0
    EXPECT_EQ((std::vector<int>{Record(0).maxModIndex, Record(0).minModIndex,
                                Record(0).startModIndex, int(Record(0).modIndexTracking)}),
              (std::vector<int>{44, 24, 34, 0}));
    EXPECT_EQ(page.Text(IDC_Q_LOOP_BANDWIDTH), "0.50");
    EXPECT_EQ(m_beeps.Tones(), std::vector<Tone>{kHigh});
}

TEST_F(FamilyPages, PskQStreamRulesAndTheChannelTwoSelector) {
    Start(protocol::kModePsk);
    CKV90T1_SetupPSK_ChannelDlg page(&Comm(), 1, 0, nullptr);
    page.RefreshFromDevice();
    Comm().m_OutputData[1].qInverted = 2;
    page.Redraw();
    Ready();
    page.Click(IDC_Q_OUTPUT_INVERTED);  // a stored 2 inverts to 0
    EXPECT_EQ(Last(0x110E)[3] & 0x20, 0);
    EXPECT_EQ(page.Text(IDC_Q_OUTPUT_INVERTED), "Normal");
    page.SetPos(IDC_Q_PCM_CODE_UPDOWN, 15);
    page.StepUpDown(IDC_Q_PCM_CODE_UPDOWN, +1);  // "BIO-M"
    EXPECT_EQ(Last(0x1100)[27] & 0x7F, 65);
    EXPECT_EQ(page.Text(IDC_Q_PCM_CODE), "BIO-M");
    page.SetPos(IDC_Q_LOOP_BANDWIDTH_UPDOWN, 6);
    page.StepUpDown(IDC_Q_LOOP_BANDWIDTH_UPDOWN, -1);
    EXPECT_EQ(Record(1).qLoopBandwidth, 5);
    page.SetPos(IDC_Q_CLOCK_PHASE_UPDOWN, 0);
    page.StepUpDown(IDC_Q_CLOCK_PHASE_UPDOWN, +3);
    EXPECT_EQ(page.Text(IDC_Q_CLOCK_PHASE), "270\u00b0");
    Ready();
    page.Click(IDC_FILTERS_SEND);
    EXPECT_EQ(Last(0x110E)[1] & 7, 1);  // the selector of channel 2
    EXPECT_EQ(m_beeps.Tones(), std::vector<Tone>{kHigh});

    Comm().m_nOperationalMode = protocol::kModeMsPcmFmGmsk;  // the Q setters are PSK's
    Ready();
    page.StepUpDown(IDC_Q_PCM_CODE_UPDOWN, -1);
    EXPECT_EQ(m_beeps.Tones(), std::vector<Tone>{kLow});
    EXPECT_TRUE(Codes().empty());
}

TEST_F(FamilyPages, PskCombinerSendKeepsTheHeldTypeAndFlags) {
    Start(protocol::kModePsk);
    CKV90T1_SetupPSK_CombinerDlg page(&Comm(), 0, nullptr);
    EXPECT_TRUE(page.isEnabled());
    EXPECT_EQ(page.Text(IDC_SETUP_TITLE), "Combiner - PSK");
    page.RefreshFromDevice();
    page.SetPos(IDC_COMBINER_TYPE_UPDOWN, 1);
    page.StepUpDown(IDC_COMBINER_TYPE_UPDOWN, +1);  // BSC, sent at once
    page.Click(IDC_REAL_COMBINING);
    page.Click(IDC_UPSAMPLE);
    page.SetText(IDC_SNR_FILTER_BANDWIDTH, "30,000");
    page.SetText(IDC_PHASE_FILTER_BANDWIDTH, "5");
    Ready();
    page.Click(IDC_COMBINER_SEND);
    EXPECT_EQ(Codes(), (std::vector<uint16_t>{0x1100, 0x1101, 0x110E, 0x1105}));
    EXPECT_EQ(Last(0x110E)[1] & 7, 4);
    EXPECT_EQ(sim::GetNumber(Last(0x1100), 35, 4), 0u);  // the combiner's IF frequency
    const Bytes combiner = Last(0x1105);
    EXPECT_EQ(combiner[25] & 7, 2);
    EXPECT_EQ(combiner[25] & 0x30, 0x30);  // upsample and real combining kept
    EXPECT_EQ(Comm().m_Combiner.snrFilterBandwidth, 30'000u);
    EXPECT_EQ(Comm().m_Combiner.phaseFilterBandwidth, 10u);
    EXPECT_EQ(page.Text(IDC_COMBINER_TYPE), "BSC");
    EXPECT_EQ(page.Text(IDC_REAL_COMBINING), "Real");
    EXPECT_EQ(page.Text(IDC_PHASE_FILTER_BANDWIDTH), "10");

    sim::Profile alone = sim::DefaultProfile();
    alone.combinerKind = 0;
    Start(protocol::kModePsk, alone);
    CKV90T1_SetupPSK_CombinerDlg none(&Comm(), 0, nullptr);
    EXPECT_FALSE(none.isEnabled());
    EXPECT_FALSE(none.IsEnabled(IDC_COMBINER_SEND));
    EXPECT_FALSE(none.IsEnabled(IDC_SUBMODE_UPDOWN));
}

TEST_F(FamilyPages, MultiHChannelSendAndItsLimits) {
    Start(protocol::kModeMhcpm);
    CKV90T1_SetupMHCPM_ChannelDlg page(&Comm(), 1, 0, nullptr);
    EXPECT_EQ(page.windowTitle().toStdString(), "Setup CH2");
    EXPECT_EQ(page.Text(IDC_SETUP_TITLE), "Ch2 - MHCPM");
    KnownRecord(1);
    page.SetText(IDC_TUNING_FREQUENCY, "1435.5");
    page.SetText(IDC_BIT_RATE, "2,000,000");
    page.SetText(IDC_LOOP_BANDWIDTH, "2.00");
    page.SetText(IDC_CARRIER_LBW, "0.05");
    page.SetText(IDC_ACQUISITION_RANGE, "0.1");
    Ready();
    page.Click(IDC_INPUT_DATA_SEND);
    EXPECT_EQ(Codes(), (std::vector<uint16_t>{0x1300, 0x1301, 0x130E}));
    Bytes expected(40, 0);
    expected[0] = 1;
    expected[1] = 1;
    sim::PutNumber(expected, 3, 5, 1'435'500'000);
    expected[8] = 0x80 | 5;
    expected[9] = 0;  // multi-h CPM has no video filter: the range rules clear it
    expected[11] = 10;
    expected[12] = 3 | 1 << 5;
    sim::PutNumber(expected, 15, 4, 2'000'000);
    expected[19] = 0x40;
    expected[21] = 200;  // typed 2.00: the Send takes it whole
    sim::PutNumber(expected, 24, 2, 500);
    sim::PutNumber(expected, 26, 4, 70'000'000);
    sim::PutNumber(expected, 30, 4, 100'000);
    EXPECT_EQ(Last(0x1300), expected);
    EXPECT_EQ(Last(0x130E)[1] & 7, 1);
    EXPECT_EQ(Record(1).qBitRate, 2'000'000u);
    EXPECT_EQ(Record(1).qLoopBandwidth, 100);
    EXPECT_EQ(page.Text(IDC_CARRIER_LBW), "0.0500");

    page.SetPos(IDC_LOOP_BANDWIDTH_UPDOWN, 99);
    page.StepUpDown(IDC_LOOP_BANDWIDTH_UPDOWN, +5);  // the up-down stops at 100
    EXPECT_EQ(Record(1).loopBandwidth, 100);
    page.SetPos(IDC_CARRIER_LBW_UPDOWN, 999);
    page.StepUpDown(IDC_CARRIER_LBW_UPDOWN, +5);
    EXPECT_EQ(Record(1).carrierLoopBandwidth, 1000);
    EXPECT_EQ(page.Text(IDC_CARRIER_LBW), "0.1000");
}

TEST_F(FamilyPages, MultiHCombinerSendsItsGroupWithTheLiveType) {
    Start(protocol::kModeMhcpm);
    CKV90T1_SetupMHCPM_CombinerDlg page(&Comm(), 0, nullptr);
    EXPECT_EQ(page.windowTitle().toStdString(), "Setup Ch3");
    EXPECT_EQ(page.Text(IDC_SETUP_TITLE), "Cmb - MHCPM");
    page.RefreshFromDevice();
    Ready();
    page.SetPos(IDC_COMBINER_TYPE_UPDOWN, 0);
    page.StepUpDown(IDC_COMBINER_TYPE_UPDOWN, +1);
    EXPECT_EQ(Codes(), std::vector<uint16_t>{0x1305});
    EXPECT_EQ(Last(0x1305)[25] & 7, 1);
    page.SetText(IDC_LOOP_BANDWIDTH, "2.00");
    page.SetText(IDC_CARRIER_LBW, "0.05");
    page.SetText(IDC_SIGNAL_BANDWIDTH, "1,000,000");
    Ready();
    page.Click(IDC_FILTERS_SEND);
    EXPECT_EQ(Codes(), (std::vector<uint16_t>{0x1300, 0x1301, 0x130E, 0x1305}));
    EXPECT_EQ(Last(0x1300)[21], 100);  // typed 2.00 limited to 1.00 on this page
    EXPECT_EQ(sim::GetNumber(Last(0x1300), 24, 2), 500u);
    EXPECT_EQ(Record(2).qLoopBandwidth, 50);
    EXPECT_EQ(Last(0x130E)[1] & 7, 4);
    EXPECT_EQ(Last(0x1305)[25] & 7, 1);  // the type held since the up-down sent it
    EXPECT_EQ(Comm().m_nCombinerSignalBandwidth, 1'000'000u);
}

// A read-back that fails (the setup, or the output setup after it) leaves the page without
// values and without a way to send them; Retry reads again and brings both back.
TEST_F(FamilyPages, APageWhoseReadBackFailedShowsNothingAndSendsNothing) {
    Start(protocol::kModePsk);
    CKV90T1_SetupPSK_ChannelDlg page(&Comm(), 0, 0, nullptr);
    page.show();
    KnownRecord(0);
    Record(0).tuningFrequency = 2'250'500'000;
    ASSERT_NE(Comm().SetChannelSetup(0, Record(0)), 0);
    page.RefreshFromDevice();
    EXPECT_FALSE(page.IsShown(IDC_READ_NOTICE_GROUP));
    const std::string tuning = page.Text(IDC_TUNING_FREQUENCY);
    const std::string submode = page.Text(IDC_SUBMODE);
    EXPECT_NE(tuning, "");
    auto& device = m_session->Sim().Device();
    Comm().m_nDefaultTimeout = 100;
    for (uint16_t silent : {0x4100, 0x4101}) {
        sim::Fault fault = sim::MakeFault(sim::FaultKind::NoReply);
        fault.code = silent;
        fault.count = -1;
        device.InjectFault(fault);
        page.RefreshFromDevice();
        EXPECT_TRUE(page.ReadFailed()) << silent;
        EXPECT_TRUE(page.IsShown(IDC_READ_NOTICE_GROUP));
        EXPECT_TRUE(page.IsEnabled(IDC_READ_RETRY));
        for (int id :
             {IDC_TUNING_FREQUENCY, IDC_BIT_RATE, IDC_INPUT_SELECT, IDC_SUBMODE, IDC_AGC_FREEZE}) {
            EXPECT_EQ(page.Text(id), "") << silent << " " << id;
        }
        for (int id : {IDC_TUNING_SEND, IDC_INPUT_DATA_SEND, IDC_Q_INPUT_DATA_SEND, IDC_AGC_FREEZE,
                       IDC_SUBMODE_UPDOWN}) {
            EXPECT_FALSE(page.IsEnabled(id)) << silent << " " << id;
        }
        Ready();
        page.Click(IDC_TUNING_SEND);
        page.Click(IDC_AGC_FREEZE);
        page.Click(IDC_READ_RETRY);  // still silent
        std::vector<uint16_t> reads{0x4100};
        if (silent == 0x4101) {
            reads.push_back(0x4101);
        }
        EXPECT_EQ(Codes(), reads);
        EXPECT_TRUE(page.IsShown(IDC_READ_NOTICE_GROUP));
        EXPECT_EQ(m_beeps.Tones(), (std::vector<Tone>{kLow}));

        device.ClearFaults();
        page.Click(IDC_READ_RETRY);
        EXPECT_FALSE(page.ReadFailed());
        EXPECT_FALSE(page.IsShown(IDC_READ_NOTICE_GROUP));
        EXPECT_TRUE(page.IsEnabled(IDC_TUNING_SEND));
        EXPECT_EQ(page.Text(IDC_TUNING_FREQUENCY), tuning);
        EXPECT_EQ(page.Text(IDC_SUBMODE), submode);
    }
}
