#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>

#include "pages/setup/CKV90T1_SetupPCMFM_ChannelDlg.h"
#include "pages/setup/CKV90T1_SetupPCMFM_CombinerDlg.h"
#include "platform/beep.h"
#include "resources/resource_ids.h"
#include "tests/support/DeviceSession.h"
#include "ui/MessageBoxes.h"

using namespace res;
using testsupport::DeviceSession;
using Bytes = std::vector<uint8_t>;
using platform::Tone;

namespace {

const Tone kHigh{1000, 10};
const Tone kLow{100, 100};

class PcmFmPages : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(Comm().ReadDeviceConfiguration(), 0);
        Comm().m_nOperationalMode = 4;
        Comm().m_nDefaultTimeout = 200;
        m_page = std::make_unique<CKV90T1_SetupPCMFM_ChannelDlg>(&Comm(), 1, 0, nullptr);
        m_page->RefreshFromDevice();
        m_session.Sim().Device().ClearReceivedFrames();
        m_beeps.Clear();
    }
    CKV90T1_Comm& Comm() { return m_session.Comm(); }
    protocol::ChannelSetup& Record(int path = 1) { return Comm().m_ChannelSetup[path]; }
    std::vector<uint16_t> Codes() {
        std::vector<uint16_t> codes;
        for (const auto& frame : m_session.Sim().Device().ReceivedFrames()) {
            codes.push_back(frame.code);
        }
        return codes;
    }

    DeviceSession m_session{*sim::FindProfile("pcmfm")};
    platform::BeepRecorder m_beeps;
    ui::DialogInterceptor m_boxes;
    std::unique_ptr<CKV90T1_SetupPCMFM_ChannelDlg> m_page;
};

}  // namespace

TEST_F(PcmFmPages, CaptionsAndTitles) {
    EXPECT_EQ(m_page->windowTitle().toStdString(), "Setup CH2");
    EXPECT_EQ(m_page->Text(IDC_SETUP_TITLE), "Ch2 - MS-PCMFM/GMSK");
    CKV90T1_SetupPCMFM_ChannelDlg fifth(&Comm(), 5, 1, nullptr);
    EXPECT_EQ(fifth.windowTitle().toStdString(), "Setup CH1");
    Comm().m_nOperationalMode = 2;
    fifth.UpdateTitle();
    EXPECT_EQ(fifth.Text(IDC_SETUP_TITLE), "Ch1 - SS-FM/FM Video");
    Comm().m_nOperationalMode = 3;
    fifth.UpdateTitle();
    EXPECT_EQ(fifth.Text(IDC_SETUP_TITLE), "Unknown");
    CKV90T1_SetupPCMFM_CombinerDlg combiner(&Comm(), 1, nullptr);
    EXPECT_EQ(combiner.windowTitle().toStdString(), "Setup Combiner");
}

TEST_F(PcmFmPages, RedrawShowsTheRecord) {
    Comm().m_nOperationalMode = 7;  // no read-back in this mode: the page shows the record
    Record().pcmCode = 100;
    Record().tuningFrequency = 2'250'500'000;
    Record().agcTimeConstantIndex = 3;
    Record().firstAgcMode = 0;
    Record().secondAgcMode = 1;
    Record().amInvert = 5;
    m_page->RefreshFromDevice();
    EXPECT_EQ(m_page->Text(IDC_PCM_CODE), "Modified DM-S");
    EXPECT_EQ(m_page->Pos(IDC_PCM_CODE_UPDOWN), 24);
    EXPECT_EQ(m_page->Text(IDC_TUNING_FREQUENCY), "2250.5");
    EXPECT_EQ(m_page->Text(IDC_AGC_TIME_CONSTANT), "3 millisecs");
    EXPECT_EQ(m_page->Text(IDC_AGC_MODE), "Mode 1 AGC");
    EXPECT_EQ(m_page->Text(IDC_AM_INVERT), "???????");
    EXPECT_EQ(m_page->Text(IDC_BAND_RANGE[0]), "200.0 MHz - 400.0 MHz");
    EXPECT_EQ(m_page->Text(IDC_AM_FILTER), "65,000 Hz");
}

TEST_F(PcmFmPages, SendCarriesTheEditsAndTheFixedFields) {
    m_page->SetText(IDC_TUNING_FREQUENCY, "70.1234567");
    m_page->SetText(IDC_BIT_RATE, "12,345,678,9");
    m_page->SetText(IDC_LOOP_BANDWIDTH, "0.01");
    m_page->SetText(IDC_CARRIER_LBW, "0.05");
    m_page->SetText(IDC_ACQUISITION_RANGE, "0.5");
    m_page->SetText(IDC_MIN_MOD_INDEX, "0.2");
    m_page->SetText(IDC_START_MOD_INDEX, "0.35");
    m_page->SetText(IDC_MAX_MOD_INDEX, "9");
    m_page->Click(IDC_INPUT_DATA_SEND);
    EXPECT_EQ(Codes(), (std::vector<uint16_t>{0x1200, 0x1201, 0x120E}));
    const Bytes setup = m_session.LastPayload(0x1200);
    EXPECT_EQ(setup[0], 1);
    EXPECT_EQ(Bytes(setup.begin() + 3, setup.begin() + 8), (Bytes{0x00, 0x04, 0x2D, 0xFF, 0xC0}));
    EXPECT_EQ(Bytes(setup.begin() + 15, setup.begin() + 19), (Bytes{0x00, 0xBC, 0x61, 0x4E}));
    EXPECT_EQ(setup[21], 5);
    EXPECT_EQ(Bytes(setup.begin() + 24, setup.begin() + 26), (Bytes{0x01, 0xF4}));  // 500
    EXPECT_EQ(Bytes(setup.begin() + 26, setup.begin() + 30), (Bytes{0x04, 0x2C, 0x1D, 0x80}));
    EXPECT_EQ(Bytes(setup.begin() + 35, setup.begin() + 38), (Bytes{19, 255, 34}));
    EXPECT_EQ(m_session.LastPayload(0x120E)[1] & 7, 1);  // the selector of channel 2
    EXPECT_EQ(Record().qBitRate, 2'000'000u);
    EXPECT_EQ(Record().srrcBeta, 50);
    EXPECT_EQ(Record().pskSettingByte, 157);
    EXPECT_EQ(m_page->Text(IDC_CARRIER_LBW), "0.0500");
    EXPECT_EQ(m_page->Text(IDC_LOOP_BANDWIDTH), "0.05");
    EXPECT_EQ(m_page->Text(IDC_BIT_RATE), "12,345,678");
    EXPECT_EQ(m_page->Text(IDC_TUNING_FREQUENCY), "70.123456");
    EXPECT_EQ(m_beeps.Tones(), std::vector<Tone>{kHigh});

    CKV90T1_SetupPCMFM_CombinerDlg combiner(&Comm(), 0, nullptr);
    combiner.RefreshFromDevice();
    combiner.SetText(IDC_SNR_FILTER_BANDWIDTH, "30,000");
    combiner.StepUpDown(IDC_COMBINER_TYPE_UPDOWN, +2);
    m_session.Sim().Device().ClearReceivedFrames();
    combiner.Click(IDC_COMBINER_SEND);
    EXPECT_EQ(Codes(), (std::vector<uint16_t>{0x1200, 0x1201, 0x120E, 0x1205}));
    EXPECT_EQ(m_session.LastPayload(0x120E)[1] & 7, 4);
    EXPECT_EQ(m_session.LastPayload(0x1205)[16], 0x30);  // 30,000 = 0x7530
    EXPECT_EQ(m_session.LastPayload(0x1205)[25] & 7, 2);
    EXPECT_EQ(combiner.Text(IDC_COMBINER_TYPE), "BSC");
}

TEST_F(PcmFmPages, UpDownRules) {
    m_page->SetPos(IDC_INPUT_SELECT_UPDOWN, 2);
    m_page->SetRange(IDC_INPUT_SELECT_UPDOWN, 0, 3);
    m_page->StepUpDown(IDC_INPUT_SELECT_UPDOWN, +1);  // position 3
    EXPECT_TRUE(Codes().empty());
    EXPECT_EQ(m_beeps.Tones(), std::vector<Tone>{kLow});

    Comm().m_Config.videoFilter[1][0] = 500'000;
    Comm().m_Config.videoFilter[1][1] = 1'000'000;
    Comm().m_Config.videoFilter[1][2] = 2'000'000;
    Comm().m_Config.videoFilter[1][3] = 5'000'000;
    Comm().m_Config.videoFilter[1][4] = 10'000'000;
    Comm().m_Config.videoFilterCount[1] = 5;
    m_page->SetPos(IDC_DEEMPHASIS_UPDOWN, 0);
    m_page->StepUpDown(IDC_DEEMPHASIS_UPDOWN, +1);  // NTSC
    const Bytes setup = m_session.LastPayload(0x1200);
    EXPECT_EQ(setup[9], 3);
    EXPECT_EQ(setup[10] & 3, 1);
    EXPECT_EQ(m_page->Text(IDC_DEEMPHASIS), "NTSC");
    EXPECT_EQ(m_page->Text(IDC_VIDEO_FILTER), "5.0 MHz");

    Comm().m_nOperationalMode = 2;
    m_beeps.Clear();
    m_page->SetPos(IDC_CARRIER_LBW_UPDOWN, 3);
    m_page->StepUpDown(IDC_CARRIER_LBW_UPDOWN, +1);  // 4: refused in mode 2
    m_page->StepUpDown(IDC_CARRIER_LBW_UPDOWN, +1);  // 5
    EXPECT_EQ(m_beeps.Tones(), (std::vector<Tone>{kLow, kHigh}));
    Comm().m_nOperationalMode = 4;
    m_page->SetPos(IDC_CARRIER_LBW_UPDOWN, 4999);
    m_page->StepUpDown(IDC_CARRIER_LBW_UPDOWN, +1);
    EXPECT_EQ(Record().carrierLoopBandwidth, 5000);
    EXPECT_EQ(m_page->Text(IDC_CARRIER_LBW), "0.5000");

    m_beeps.Clear();
    m_page->SetPos(IDC_SUBMODE_UPDOWN, 0);
    m_page->StepUpDown(IDC_SUBMODE_UPDOWN, +1);  // GMSK
    EXPECT_EQ(m_page->Text(IDC_SUBMODE), "GMSK");
    EXPECT_EQ(m_page->Text(IDC_MAX_MOD_INDEX), "0.30");
    EXPECT_EQ(m_page->Text(IDC_MIN_MOD_INDEX), "0.20");
    EXPECT_EQ(m_page->Text(IDC_START_MOD_INDEX), "0.25");
    EXPECT_EQ(m_page->Text(IDC_MOD_INDEX_TRACKING), "Disabled");
    EXPECT_TRUE(m_beeps.Tones().empty());  // success gives no beep

    m_page->SetPos(IDC_PCM_CODE_UPDOWN, 14);
    m_page->StepUpDown(IDC_PCM_CODE_UPDOWN, +1);
    EXPECT_EQ(m_session.LastPayload(0x1200)[19] & 0x7F, 64);
    EXPECT_EQ(m_page->Text(IDC_PCM_CODE), "BIO-L");
}

TEST_F(PcmFmPages, TogglesAndTheBufferCheck) {
    m_page->Click(IDC_AGC_FREEZE);
    EXPECT_EQ(m_page->Text(IDC_AGC_FREEZE), "On");
    m_page->Click(IDC_AGC_ZERO);  // freeze already set wins
    EXPECT_EQ(m_page->Text(IDC_AGC_ZERO), "Off");
    m_page->Click(IDC_OUTPUT_INVERTED);
    EXPECT_EQ(m_page->Text(IDC_OUTPUT_INVERTED), "Inverted");
    EXPECT_EQ(m_session.LastPayload(0x120E)[2] & 0x20, 0x20);
    Comm().m_nOperationalMode = 2;
    m_beeps.Clear();
    m_page->Click(IDC_MOD_INDEX_TRACKING);  // mode 4 only
    EXPECT_EQ(m_beeps.Tones(), std::vector<Tone>{kLow});

    Comm().m_nOperationalMode = 4;
    sim::Fault silent = sim::MakeFault(sim::FaultKind::NoReply);
    silent.count = -1;
    m_session.Sim().Device().InjectFault(silent);
    const uint32_t before = Record().assistedAcquisition;
    m_beeps.Clear();
    m_page->Click(IDC_ASSISTED);
    EXPECT_EQ(m_beeps.Tones(), std::vector<Tone>{kLow});
    EXPECT_EQ(m_page->Text(IDC_ASSISTED), before == 0 ? "Auto" : "Manual");  // as stored
    m_session.Sim().Device().ClearFaults();

    m_session.Sim().Device().InjectFault(sim::MakeFault(sim::FaultKind::ExtraBytes, 4));
    ASSERT_NE(Comm().SendNullCommand(), 0);
    m_session.Sim().Device().ClearReceivedFrames();
    m_page->SetPos(IDC_DEEMPHASIS_UPDOWN, 1);
    m_page->StepUpDown(IDC_DEEMPHASIS_UPDOWN, +1);
    ASSERT_EQ(m_boxes.Messages().size(), 1u);
    EXPECT_EQ(m_boxes.Messages()[0].text, "The COM Buffer was not empty.");
    EXPECT_EQ(m_boxes.Messages()[0].title, "COM Buffer");
    EXPECT_EQ(Codes(), std::vector<uint16_t>{0x1200});
}

TEST_F(PcmFmPages, EnterAndSpaceSendNothing) {
    for (int key : {Qt::Key_Return, Qt::Key_Space}) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(m_page->Control(IDC_INPUT_DATA_SEND), &press);
    }
    EXPECT_TRUE(Codes().empty());
}
