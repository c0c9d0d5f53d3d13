// The DAU time code page and the DAU built-in test page against the simulated device: every
// request byte for byte, the fields the code buttons reset and those the others keep, the
// displays, and the physical values, ranges and runtime as the operator reads them.

#include <gtest/gtest.h>

#include <ctime>

#include "pages/dau/CKV90T1_DAU_BIT_Dlg.h"
#include "pages/dau/CKV90T1_DAU_SetupIRIG_TimeDlg.h"
#include "pages/dau/time_code_text.h"
#include "platform/beep.h"
#include "protocol/CKV90T1_Comm.h"
#include "resources/resource_ids.h"
#include "sim/Bytes.h"
#include "tests/support/DeviceSession.h"
#include "ui/MessageBoxes.h"

using namespace res;
using platform::Tone;
using testsupport::DeviceSession;
using Bytes = std::vector<uint8_t>;

namespace {

constexpr int kB122 = 11;
constexpr int kG245 = 22;

// Every field the page has no control for set, so that a test sees which requests keep them.
protocol::TimeCodeSetup EverythingSet() {
    protocol::TimeCodeSetup t;
    t.externalIrig = 1;
    t.flagA = t.flagB = t.flagD = t.flagF = t.flagG = 1;
    t.selectorC = 2;
    t.selectorE = 2;
    t.termination = 1;
    t.modulation = 2;
    t.format = 3;
    t.carrier = 5;
    return t;
}

class DauPages : public ::testing::Test {
protected:
    DauPages() : m_session(*sim::FindProfile("dau")) {}
    template <typename P>
    std::unique_ptr<P> Open(int skip = 0) {
        auto page = std::make_unique<P>(&Comm(), skip, nullptr);
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

TEST_F(DauPages, ACodeButtonSendsItsCodeWithTheGpsDateAndResetsTheOtherFields) {
    auto page = Open<CKV90T1_DAU_SetupIRIG_TimeDlg>();
    EXPECT_EQ(page->windowTitle().toStdString(), " Time");
    Comm().m_TimeCode = EverythingSet();
    page->SetText(IDC_IRIG_WEEKS, "2,150");
    page->SetText(IDC_IRIG_SECONDS_OF_WEEK, "0");
    page->Click(IDC_IRIG_CODE[kB122]);
    // External IRIG and the termination kept; A, B, C, D, F and G cleared; E 1.
    EXPECT_EQ(Last(0x1106), (Bytes{0x81, 0x15, 2, 0x21, 0x00, 0x79, 0, 0, 0}));
    EXPECT_EQ(m_beeps.Tones(), (std::vector<Tone>{{1000, 10}}));
    EXPECT_EQ(page->Text(IDC_IRIG_TYPE), "B");
    EXPECT_EQ(page->Text(IDC_IRIG_MODULATION), "AM");
    EXPECT_EQ(page->Text(IDC_IRIG_CARRIER), "1 kHz");
    EXPECT_EQ(page->Text(IDC_IRIG_CODED), "BCDtoy");
    EXPECT_EQ(page->Text(IDC_IRIG_WEEKS), "2150");
    EXPECT_EQ(page->Text(IDC_IRIG_SECONDS_OF_WEEK), "0");
    EXPECT_EQ(page->Text(IDC_IRIG_TIME_EDIT[1]), "79");

    page->SetText(IDC_IRIG_WEEKS, "0");
    page->Click(IDC_IRIG_CODE[kG245]);
    EXPECT_EQ(Last(0x1106), (Bytes{0x81, 0x36, 4, 0x80, 0, 0, 0, 0, 0}));
    EXPECT_EQ(page->Text(IDC_IRIG_TYPE), "G");
    EXPECT_EQ(page->Text(IDC_IRIG_MODULATION), "Manchester");
    EXPECT_EQ(page->Text(IDC_IRIG_CARRIER), "100 kHz");
    EXPECT_EQ(page->Text(IDC_IRIG_CODED), "BCDtoy, CF, BCDyear");
    page->SetText(IDC_IRIG_WEEKS, "52");
    page->SetText(IDC_IRIG_SECONDS_OF_WEEK, "432000");
    page->Click(IDC_IRIG_CODE[0]);
    EXPECT_EQ(Last(0x1106), (Bytes{0x81, 0x05, 3, 0x81, 0, 0x08, 0, 0, 0}));
}

TEST_F(DauPages, TheOtherControlsKeepEveryFieldAsStored) {
    auto page = Open<CKV90T1_DAU_SetupIRIG_TimeDlg>();
    Comm().m_TimeCode = EverythingSet();
    page->Click(IDC_IRIG_TERMINATION);
    EXPECT_EQ(Last(0x1106), (Bytes{0x6B, 0xFA, 5, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(page->Text(IDC_IRIG_TERMINATION), "Disabled");
    EXPECT_EQ(page->Check(IDC_IRIG_TERMINATION), 0);
    page->Click(IDC_IRIG_USE_1PPS);
    EXPECT_EQ(Last(0x1106)[0], 0x6E);
    EXPECT_EQ(page->Check(IDC_IRIG_USE_1PPS), 1);
    EXPECT_EQ(page->Check(IDC_IRIG_USE_FLYWHEEL), 0);
    page->Click(IDC_IRIG_USE_FLYWHEEL);
    EXPECT_EQ(Last(0x1106)[0], 0x6A);
    EXPECT_EQ(page->Check(IDC_IRIG_USE_FLYWHEEL), 1);

    page->SetText(IDC_IRIG_TIME_EDIT[0], "21");
    page->SetText(IDC_IRIG_TIME_EDIT[1], "059");
    page->SetText(IDC_IRIG_TIME_EDIT[2], "23");
    page->SetText(IDC_IRIG_TIME_EDIT[3], "5");
    page->SetText(IDC_IRIG_TIME_EDIT[4], "59");
    page->Click(IDC_IRIG_SEND);
    EXPECT_EQ(Last(0x1106), (Bytes{0x6A, 0xFA, 5, 0x21, 0x00, 0x59, 0x23, 0x05, 0x59}));

    // A spin control: its position as BCD, the "COM Buffer" box when input was waiting, and
    // the short success beep.
    m_beeps.Clear();
    page->SetRange(IDC_IRIG_TIME_UPDOWN[1], 0, 500);
    page->SetPos(IDC_IRIG_TIME_UPDOWN[1], 399);
    m_session.Sim().Device().InjectFault(sim::MakeFault(sim::FaultKind::ExtraBytes, 2));
    Comm().ReadTimeCodeSetup();
    page->StepUpDown(IDC_IRIG_TIME_UPDOWN[1], +1);  // 400, limited to 366
    ASSERT_EQ(m_boxes.Messages().size(), 1u);
    EXPECT_EQ(m_boxes.Messages()[0].text, "The COM Buffer was not empty.");
    EXPECT_EQ(sim::GetNumber(Last(0x1106), 4, 2), 0x0366u);
    EXPECT_EQ(m_beeps.Tones(), (std::vector<Tone>{{1000, 5}}));
}

TEST_F(DauPages, SignalSelectionShowsTheStoredSourcesAndReadsBackWhatWasSet) {
    auto page = Open<CKV90T1_DAU_SetupIRIG_TimeDlg>();
    protocol::TimeCodeSetup both;
    both.externalIrig = 1;
    both.external1Pps = 1;
    both.year = 0x26;
    both.day = 0x123;
    both.hour = 0x04;
    ASSERT_NE(Comm().SendTimeCodeSetup(both), 0);
    Comm().m_TimeCode = {};
    page->RefreshFromDevice();  // reads it back
    EXPECT_EQ(page->Check(IDC_IRIG_USE_1PPS), 0);
    EXPECT_EQ(page->Check(IDC_IRIG_USE_EXT_IRIG), 0);
    EXPECT_EQ(page->Check(IDC_IRIG_USE_FLYWHEEL), 0);
    EXPECT_EQ(page->Text(IDC_IRIG_TIME_EDIT[0]), "26");
    EXPECT_EQ(page->Text(IDC_IRIG_TIME_EDIT[1]), "123");
    EXPECT_EQ(page->Pos(IDC_IRIG_TIME_UPDOWN[2]), 4);
    EXPECT_EQ(page->Text(IDC_IRIG_CODED), "BCDtoy, CF, SBS");

    // "Seed": the computer's date, counted from 1 January as day 1.
    page->Click(IDC_IRIG_SEED);
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    const Bytes sent = Last(0x1106);
    EXPECT_EQ(sent[3], dau::ToBcd(static_cast<uint32_t>(local.tm_year % 100)));
    EXPECT_EQ(sim::GetNumber(sent, 4, 2), dau::ToBcd(static_cast<uint32_t>(local.tm_yday + 1)));
    EXPECT_EQ(sent[1] & 0x0C, 0x04);  // selector E 1
}

TEST_F(DauPages, AFailedSetupBeepsLowAndShowsWhatWasStored) {
    auto page = Open<CKV90T1_DAU_SetupIRIG_TimeDlg>();
    Comm().m_nDefaultTimeout = 100;
    sim::Fault fault = sim::MakeFault(sim::FaultKind::NoReply);
    fault.code = 0x1106;
    m_session.Sim().Device().InjectFault(fault);
    page->Click(IDC_IRIG_CODE[kG245]);
    EXPECT_EQ(m_beeps.Tones(), (std::vector<Tone>{{100, 100}}));
    EXPECT_EQ(page->Text(IDC_IRIG_TYPE), "G");
}

TEST_F(DauPages, SkippedInitialReadsSendNothing) {
    auto time = Open<CKV90T1_DAU_SetupIRIG_TimeDlg>(1);
    auto bit = Open<CKV90T1_DAU_BIT_Dlg>(1);
    time->RefreshFromDevice();
    bit->RefreshFromDevice();
    EXPECT_TRUE(m_session.Sim().Device().ReceivedFrames().empty());
    EXPECT_EQ(bit->Text(IDC_BIT_RUNTIME[0]), "0");
    EXPECT_EQ(bit->Text(IDC_BIT_RAIL[0]), "0.0 V");
}

TEST_F(DauPages, PhysicalValuesWithTheRailsLamps) {
    auto page = Open<CKV90T1_DAU_BIT_Dlg>();
    EXPECT_EQ(page->windowTitle().toStdString(), "  BIT");
    // The simulated device's rails are all in range.
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(page->ShownLamp(IDC_BIT_RAIL_GREEN[i]), IDC_BIT_RAIL_GREEN[i]) << i;
    }
    m_session.Answer(0x2001, {50, 36, 55, 55, 50, 50, 0xCE, 0xC8, 0xF6, 0x00, 0x78, 25});
    page->Click(IDC_BIT_READ_PHYSICAL);
    EXPECT_EQ(m_beeps.Tones(), (std::vector<Tone>{{1000, 10}}));
    EXPECT_EQ(page->Text(IDC_BIT_RAIL[1]), "3.6 V");
    EXPECT_EQ(page->ShownLamp(IDC_BIT_RAIL_GREEN[1]), IDC_BIT_RAIL_GREEN[1]);
    EXPECT_EQ(page->Text(IDC_BIT_RAIL[6]), "-5.0 V");
    EXPECT_EQ(page->ShownLamp(IDC_BIT_RAIL_GREEN[6]), IDC_BIT_RAIL_GREEN[6]);
    EXPECT_EQ(page->Text(IDC_BIT_RAIL[7]), "-5.6 V");
    EXPECT_EQ(page->ShownLamp(IDC_BIT_RAIL_GREEN[7]), IDC_BIT_RAIL_YELLOW[7]);
    EXPECT_EQ(page->Text(IDC_BIT_TEMPERATURE), "-10 °C");
    EXPECT_EQ(page->Text(IDC_BIT_SUPPLY_VOLTAGE), "12.0 V");
    EXPECT_EQ(page->Text(IDC_BIT_SUPPLY_CURRENT), "2.5 A");
    EXPECT_EQ(page->Text(IDC_BIT_SUPPLY_POWER), "30.0 W");

    m_session.Answer(0x2001, {50, 37, 55, 55, 50, 50, 0xCE, 0xCE, 41, 0x01, 0x18, 15});
    page->Click(IDC_BIT_READ_PHYSICAL);
    EXPECT_EQ(page->Text(IDC_BIT_RAIL[1]), "3.7 V");
    EXPECT_EQ(page->ShownLamp(IDC_BIT_RAIL_GREEN[1]), IDC_BIT_RAIL_YELLOW[1]);

    // A failed read shows zeros.
    m_beeps.Clear();
    Comm().m_nDefaultTimeout = 100;
    m_session.Sim().Device().InjectFault(sim::MakeFault(sim::FaultKind::NoReply));
    page->Click(IDC_BIT_READ_PHYSICAL);
    EXPECT_EQ(m_beeps.Tones(), (std::vector<Tone>{{100, 100}}));
    EXPECT_EQ(page->Text(IDC_BIT_RAIL[0]), "0.0 V");
    EXPECT_EQ(page->Text(IDC_BIT_SUPPLY_POWER), "0.0 W");
    EXPECT_EQ(page->Text(IDC_BIT_TEMPERATURE), "0 °C");
}

TEST_F(DauPages, ASimulatedRailOutOfRangeShowsYellow) {
    m_session.Sim().Simulation().SetRail(4, 44);
    auto page = Open<CKV90T1_DAU_BIT_Dlg>();
    EXPECT_EQ(page->Text(IDC_BIT_RAIL[4]), "4.4 V");
    EXPECT_EQ(page->ShownLamp(IDC_BIT_RAIL_GREEN[4]), IDC_BIT_RAIL_YELLOW[4]);
    EXPECT_EQ(page->ShownLamp(IDC_BIT_RAIL_GREEN[5]), IDC_BIT_RAIL_GREEN[5]);
}

TEST_F(DauPages, RangesAndRuntimeFromTheRegisters) {
    auto page = Open<CKV90T1_DAU_BIT_Dlg>();
    uint32_t runtime = 31'557'600;
    m_session.Sim().Device().SetCommand(0x2006, [&runtime](const sim::Frame& request) {
        std::vector<uint8_t> reply(2, 0);
        const std::map<int, uint16_t> values = {{10, 32500},
                                                {11, 18250},
                                                {12, 55},
                                                {13, static_cast<uint16_t>(-10)},
                                                {20, static_cast<uint16_t>(runtime >> 16)},
                                                {21, static_cast<uint16_t>(runtime)}};
        sim::PutNumber(reply, 0, 2, values.at(request.payload.at(1)));
        return std::optional(reply);
    });
    page->Click(IDC_BIT_READ_HISTORY);
    EXPECT_TRUE(m_beeps.Tones().empty());
    std::vector<int> registers;
    for (const auto& frame : m_session.Sim().Device().ReceivedFrames()) {
        registers.push_back(frame.payload.at(1));
    }
    EXPECT_EQ(registers, (std::vector<int>{10, 11, 12, 13, 20, 21}));
    EXPECT_EQ(page->Text(IDC_BIT_VOLTAGE_LOW), "18.250 V");
    EXPECT_EQ(page->Text(IDC_BIT_VOLTAGE_HIGH), "32.500 V");
    EXPECT_EQ(page->Text(IDC_BIT_TEMP_LOW_C), "-10 °C");
    EXPECT_EQ(page->Text(IDC_BIT_TEMP_HIGH_C), "55 °C");
    EXPECT_EQ(page->Text(IDC_BIT_TEMP_LOW_F), "14 °F");
    EXPECT_EQ(page->Text(IDC_BIT_TEMP_HIGH_F), "131 °F");
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(page->Text(IDC_BIT_RUNTIME[i]), i == 0 ? "1" : "0") << i;
    }
    runtime = 2'592'000;
    page->Click(IDC_BIT_READ_HISTORY);
    EXPECT_EQ(page->Text(IDC_BIT_RUNTIME[0]), "0");
    EXPECT_EQ(page->Text(IDC_BIT_RUNTIME[1]), "1");
}
