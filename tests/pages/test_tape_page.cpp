// The tape up/down converter page against the simulated device: its three commands on the
// wire, the converters' differences, and the DAC conversions as the operator types them.

#include <gtest/gtest.h>

#include "pages/setup/CKV90T1_SetupTapeUpDownDlg.h"
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

class TapePage : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(Comm().ReadDeviceConfiguration(), 0);
        Comm().m_nOperationalMode = protocol::kModeTape;
    }
    std::unique_ptr<CKV90T1_SetupTapeUpDownDlg> Open(uint32_t channel, int skip = 0) {
        auto page = std::make_unique<CKV90T1_SetupTapeUpDownDlg>(&Comm(), channel, skip, nullptr);
        page->RefreshFromDevice();
        m_session.Sim().Device().ClearReceivedFrames();
        m_beeps.Clear();
        return page;
    }
    CKV90T1_Comm& Comm() { return m_session.Comm(); }
    Bytes Last(uint16_t code) { return m_session.LastPayload(code); }

    DeviceSession m_session;
    platform::BeepRecorder m_beeps;
    ui::DialogInterceptor m_boxes;
};

}  // namespace

TEST_F(TapePage, DownConvertersSendSeventyMegahertzFromTheirOwnInput) {
    auto page = Open(1);
    EXPECT_EQ(page->windowTitle().toStdString(), "Down Converter 2");
    EXPECT_EQ(page->Text(IDC_SETUP_TITLE), "Down Converter 2 - Tape Up/Down");
    EXPECT_FALSE(page->IsShown(IDC_TAPE_INPUT_SELECT));
    EXPECT_FALSE(page->IsShown(IDC_TAPE_IF_GROUP));
    EXPECT_TRUE(page->IsShown(IDC_TAPE_BB_GROUP));
    EXPECT_EQ(page->Text(IDC_TAPE_INPUT_FREQUENCY), "70,000,000");
    page->SetText(IDC_TAPE_INPUT_FREQUENCY, "12,345");
    page->SetText(IDC_TAPE_OUTPUT_FREQUENCY, "10,700,000");
    page->SetText(IDC_TAPE_BANDWIDTH, "150");
    page->Click(IDC_TAPE_SETUP_SEND);
    Bytes expected(14, 0);
    expected[0] = 1 << 2 | 1;  // receiver input 1 (its own IF), converter 1
    expected[1] = 100;         // 150 % limited
    sim::PutNumber(expected, 2, 4, 70'000'000);
    sim::PutNumber(expected, 6, 4, 10'700'000);
    EXPECT_EQ(Last(0x1600), expected);
    EXPECT_EQ(page->Text(IDC_TAPE_INPUT_FREQUENCY), "70,000,000");
    EXPECT_TRUE(m_beeps.Tones().empty());  // this group gives no beep

    page->SetRange(IDC_TAPE_BANDWIDTH_UPDOWN, 0, 200);
    page->SetPos(IDC_TAPE_BANDWIDTH_UPDOWN, 100);
    page->StepUpDown(IDC_TAPE_BANDWIDTH_UPDOWN, +1);  // above 100: 10
    EXPECT_EQ(Last(0x1600)[1], 10);
    EXPECT_EQ(page->Text(IDC_TAPE_BANDWIDTH), "10");
}

TEST_F(TapePage, TheUpConverterTakesABasebandInputAndItsIfDac) {
    Comm().m_Tape[2].inputSelect = 0;
    auto page = std::make_unique<CKV90T1_SetupTapeUpDownDlg>(&Comm(), 7, 1, nullptr);
    EXPECT_EQ(page->windowTitle().toStdString(), "Up Converter");
    EXPECT_TRUE(page->IsShown(IDC_TAPE_INPUT_SELECT));
    EXPECT_FALSE(page->IsShown(IDC_TAPE_BB_GROUP));
    page->SetText(IDC_TAPE_INPUT_FREQUENCY, "5,000,000");
    page->SetText(IDC_TAPE_OUTPUT_FREQUENCY, "70,000,000");
    page->SetText(IDC_TAPE_BANDWIDTH, "40");
    m_session.Sim().Device().ClearReceivedFrames();
    page->Click(IDC_TAPE_SETUP_SEND);
    Bytes expected(14, 0);
    expected[0] = 0x80 | 2 << 2 | 2;  // up converter, "BB Ch1" in place of the stored 0
    expected[1] = 40;
    sim::PutNumber(expected, 2, 4, 5'000'000);
    sim::PutNumber(expected, 6, 4, 70'000'000);
    EXPECT_EQ(Last(0x1600), expected);
    EXPECT_EQ(page->Text(IDC_TAPE_INPUT_SELECT), "BB Ch1");
    page->StepUpDown(IDC_TAPE_INPUT_SELECT_UPDOWN, +1);
    EXPECT_EQ(Last(0x1600)[0], 0x80 | 3 << 2 | 2);
    EXPECT_EQ(page->Text(IDC_TAPE_INPUT_SELECT), "BB Ch2");

    m_beeps.Clear();
    page->SetText(IDC_TAPE_IF_DAC, "-6.47");
    page->Click(IDC_TAPE_IF_SEND);
    EXPECT_EQ(Last(0x160E), (Bytes{0, 2, 0x01, 0xFF, 0xFF, 0, 0, 0}));
    EXPECT_EQ(page->Text(IDC_TAPE_IF_DAC), "-6.5");
    EXPECT_EQ(m_beeps.Tones(), (std::vector<Tone>{{1000, 10}}));
    Comm().m_TapeIfOutput.value = 0;
    m_session.Answer(0x460E, Bytes(8, 0));
    page->Click(IDC_TAPE_IF_READ);
    EXPECT_EQ(page->Text(IDC_TAPE_IF_DAC), "-110.0");
}

TEST_F(TapePage, BasebandDacInVoltsAndTheComBufferCheck) {
    auto page = Open(0);
    for (auto [typed, sent, shown] :
         {std::tuple{"1.0", 11130, "1.0"}, std::tuple{"3.0", 32767, "3.0"},
          std::tuple{"10.0", 32767, "3.0"}, std::tuple{"-1.0", 32767, "3.0"},
          std::tuple{"nan", 0, "0.0"}}) {
        page->SetText(IDC_TAPE_BB_DAC, typed);
        page->Click(IDC_TAPE_BB_SEND);
        const Bytes request = Last(0x1601);
        ASSERT_EQ(request.size(), 10u);
        EXPECT_EQ(request[0], 0);
        EXPECT_EQ(request[2], 3);  // converter 1's baseband output code
        EXPECT_EQ(sim::GetNumber(request, 3, 2), uint64_t(sent)) << typed;
        EXPECT_EQ(page->Text(IDC_TAPE_BB_DAC), shown) << typed;
    }
    m_session.Sim().Device().InjectFault(sim::MakeFault(sim::FaultKind::ExtraBytes, 3));
    ASSERT_NE(Comm().SendNullCommand(), 0);
    page->Click(IDC_TAPE_BB_READ);
    ASSERT_EQ(m_boxes.Messages().size(), 1u);
    EXPECT_EQ(m_boxes.Messages()[0].text, "The COM Buffer was not empty.");
}

TEST_F(TapePage, SkippingInitialReadsLeavesEveryControlAsItWas) {
    auto page = std::make_unique<CKV90T1_SetupTapeUpDownDlg>(&Comm(), 0, 1, nullptr);
    page->SetText(IDC_TAPE_OUTPUT_FREQUENCY, "typed");
    m_session.Sim().Device().ClearReceivedFrames();
    page->RefreshFromDevice();
    EXPECT_TRUE(m_session.Sim().Device().ReceivedFrames().empty());
    EXPECT_EQ(page->Text(IDC_TAPE_OUTPUT_FREQUENCY), "typed");
}

// A converter whose read-back fails (its setup, its baseband output or, on the up converter, its
// IF DAC) shows no values and sends nothing until Retry brings them back.
TEST_F(TapePage, AReadBackThatFailsShowsNothingAndSendsNothing) {
    auto& device = m_session.Sim().Device();
    Comm().m_nDefaultTimeout = 100;
    for (auto [channel, silent] : {std::pair{0u, 0x4600}, std::pair{1u, 0x4601},
                                   std::pair{2u, 0x4601}, std::pair{2u, 0x460E}}) {
        auto page = Open(channel);
        const std::string output = page->Text(IDC_TAPE_OUTPUT_FREQUENCY);
        ASSERT_NE(output, "");
        sim::Fault fault = sim::MakeFault(sim::FaultKind::NoReply);
        fault.code = static_cast<uint16_t>(silent);
        fault.count = -1;
        device.InjectFault(fault);
        page->RefreshFromDevice();
        EXPECT_TRUE(page->ReadFailed()) << channel << " " << silent;
        EXPECT_TRUE(page->IsShown(IDC_READ_NOTICE_GROUP));
        for (int id :
             {IDC_TAPE_BANDWIDTH, IDC_TAPE_OUTPUT_FREQUENCY, IDC_TAPE_BB_DAC, IDC_TAPE_IF_DAC}) {
            EXPECT_EQ(page->Text(id), "") << channel << " " << id;
        }
        for (int group : {IDC_TAPE_SETUP_GROUP, IDC_TAPE_BB_GROUP, IDC_TAPE_IF_GROUP}) {
            EXPECT_FALSE(page->IsEnabled(group)) << channel << " " << group;
        }
        device.ClearReceivedFrames();
        page->Click(IDC_TAPE_SETUP_SEND);
        page->Click(IDC_TAPE_BB_SEND);
        page->Click(IDC_TAPE_IF_SEND);
        for (const auto& frame : device.ReceivedFrames()) {
            EXPECT_EQ(frame.code & 0xF000, 0x4000) << "sent " << frame.code;
        }
        device.ClearFaults();
        page->Click(IDC_READ_RETRY);
        EXPECT_FALSE(page->ReadFailed());
        EXPECT_FALSE(page->IsShown(IDC_READ_NOTICE_GROUP));
        EXPECT_TRUE(page->IsEnabled(IDC_TAPE_SETUP_GROUP));
        EXPECT_EQ(page->Text(IDC_TAPE_OUTPUT_FREQUENCY), output);
    }
}
