// The receive BERT page against the simulated device: which streams can be switched on, the
// tester setup on the wire for every stream, the status as the operator reads it, and the
// Status thread's polling as the page is left and shown again.

#include <gtest/gtest.h>

#include "pages/maintenance/CKV90T_RcvBert.h"
#include "platform/beep.h"
#include "platform/debug_output.h"
#include "platform/window_messages.h"
#include "protocol/operational_modes.h"
#include "resources/resource_ids.h"
#include "sim/Bytes.h"
#include "tests/support/DeviceSession.h"
#include "tests/support/PumpUntil.h"
#include "ui/StripChart.h"

using namespace res;
using platform::Tone;
using testsupport::DeviceSession;
using testsupport::PumpUntil;
using Bytes = std::vector<uint8_t>;

namespace {

constexpr uint8_t kSoqpskTg = 3;
constexpr uint8_t kQpsk = 1;

class RcvBertPage : public ::testing::Test {
protected:
    RcvBertPage() : m_session(sim::DefaultProfile(), true) {}
    void SetUp() override {
        Comm().m_nOperationalMode = protocol::kModePsk;
        for (auto& setup : Comm().m_ChannelSetup) {
            setup.pskSubmode = kQpsk;
        }
    }
    void Open() {
        m_page = std::make_unique<CKV90T_RcvBert>(&Comm(), 0, nullptr);
        m_page->RefreshFromDevice();
        m_session.Sim().Device().ClearReceivedFrames();
        m_beeps.Clear();
    }
    // Reads a stream's status as the Status thread has the page do it.
    void ReadStatus(int k) {
        platform::SendMessage(m_page->Handle(), ID_RCV_BERT_STATUS_UPDATE, k / 2, k % 2);
    }
    CKV90T1_Comm& Comm() { return m_session.Comm(); }
    CKV90T_RcvBert& Page() { return *m_page; }
    std::vector<int> Polled() const {
        std::vector<int> polled;
        for (int k = 0; k < 6; ++k) {
            if (CKV90T_RcvBert::s_bPollStream[k] != 0) {
                polled.push_back(k);
            }
        }
        return polled;
    }

    DeviceSession m_session;
    platform::BeepRecorder m_beeps;
    std::unique_ptr<CKV90T_RcvBert> m_page;
};

Bytes Status(uint8_t flags, uint8_t inverted, int64_t errors, int64_t bits, uint32_t rate,
             uint32_t outOfLock) {
    Bytes p(30, 0);
    p[0] = flags;
    p[1] = inverted;
    sim::PutNumber(p, 2, 8, static_cast<uint64_t>(errors));
    sim::PutNumber(p, 10, 8, static_cast<uint64_t>(bits));
    sim::PutNumber(p, 18, 4, 0xDEADBEEF);
    sim::PutNumber(p, 22, 4, rate);
    sim::PutNumber(p, 26, 4, outOfLock);
    return p;
}

}  // namespace

TEST_F(RcvBertPage, QStreamsNeedPskModeAndASubmodeWithAQPath) {
    for (auto& b : Comm().m_Bert) {
        b.enabled = 1;  // stored on, but a stream without its data is shown off
    }
    Comm().m_nOperationalMode = protocol::kModeBitSync;
    Open();
    EXPECT_EQ(Page().windowTitle().toStdString(), "Rcv BERT");
    for (int unit = 0; unit < 3; ++unit) {
        const int q = unit * 2 + 1;
        EXPECT_FALSE(Page().IsEnabled(IDC_BERT_ENABLED[q]));
        EXPECT_EQ(Page().Text(IDC_BERT_ENABLED[q]), "Off");
        EXPECT_EQ(Page().Check(IDC_BERT_ENABLED[q]), 0);
        EXPECT_EQ(Page().ShownLamp(IDC_BERT_LOCK_GREEN[q]), IDC_BERT_LOCK_GREY[q]);
        EXPECT_EQ(Page().ShownLamp(IDC_BERT_INVERSION_GREEN[q]), IDC_BERT_INVERSION_GREY[q]);
        EXPECT_FALSE(Page().IsEnabled(IDC_BERT_RESET[q]));
        EXPECT_TRUE(Page().IsEnabled(IDC_BERT_ENABLED[unit * 2]));
    }
    EXPECT_EQ(Polled(), (std::vector<int>{0, 2, 4}));

    Comm().m_nOperationalMode = protocol::kModePsk;
    Comm().m_ChannelSetup[0].pskSubmode = kSoqpskTg;
    Page().RefreshFromDevice();
    EXPECT_FALSE(Page().IsEnabled(IDC_BERT_ENABLED[1]));
    EXPECT_EQ(Page().Text(IDC_BERT_ENABLED[1]), "Off");
    EXPECT_EQ(Page().Text(IDC_BERT_ENABLED[0]), "Enabled");
    EXPECT_TRUE(Page().IsEnabled(IDC_BERT_RESET[0]));
    EXPECT_TRUE(Page().IsEnabled(IDC_BERT_ENABLED[3]));  // channel 2 is QPSK
    EXPECT_EQ(Polled(), (std::vector<int>{0, 2, 3, 4, 5}));
}

TEST_F(RcvBertPage, TurningAStreamOnShowsItAndItsFirstStatus) {
    Open();
    EXPECT_EQ(Page().Text(IDC_BERT_ENABLED[0]), "Off");
    EXPECT_FALSE(Page().IsEnabled(IDC_BERT_INVERT_CLOCK[0]));
    EXPECT_EQ(Page().Text(IDC_BERT_PATTERN[0]), "PN15");
    EXPECT_EQ(Page().Text(IDC_BERT_LOCK_TEXT[0]), "");
    Page().Click(IDC_BERT_ENABLED[0]);
    EXPECT_EQ(m_session.LastPayload(0x1103), (Bytes{0x80, 11, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(m_beeps.Tones(), (std::vector<Tone>{{1000, 10}}));
    EXPECT_EQ(Page().Text(IDC_BERT_ENABLED[0]), "Enabled");
    EXPECT_EQ(Page().Check(IDC_BERT_ENABLED[0]), 1);
    EXPECT_TRUE(Page().IsEnabled(IDC_BERT_RESET[0]));
    EXPECT_TRUE(Page().IsEnabled(IDC_BERT_PATTERN_UPDOWN[0]));
    EXPECT_EQ(Page().ShownLamp(IDC_BERT_LOCK_GREY[0]), 0);  // no lamp until the first status
    EXPECT_EQ(Page().ShownLamp(IDC_BERT_INVERSION_GREY[0]), 0);
    EXPECT_EQ(Polled(), std::vector<int>{0});

    // The Status thread reads it; the simulated tester locks after its acquisition.
    m_session.Sim().Clock().Advance(1100);
    ASSERT_TRUE(PumpUntil([&] { return !Page().Text(IDC_BERT_LOCK_TEXT[0]).empty(); }));
    EXPECT_EQ(Page().Text(IDC_BERT_LOCK_TEXT[0]), "LOCKED");
    EXPECT_EQ(Page().ShownLamp(IDC_BERT_LOCK_GREY[0]), IDC_BERT_LOCK_GREEN[0]);
    EXPECT_EQ(Page().Text(IDC_BERT_INVERSION_TEXT[0]), "NORMAL");
    EXPECT_EQ(Page().ShownLamp(IDC_BERT_INVERSION_GREY[0]), IDC_BERT_INVERSION_GREEN[0]);
    EXPECT_EQ(Page().Text(IDC_BERT_BIT_COUNT[0]), "2e+06");  // 1 s at 2,000,000 bps
    EXPECT_EQ(Page().Text(IDC_BERT_BIT_ERRORS[0]), "2");
    EXPECT_EQ(Page().Text(IDC_BERT_BER[0]), "1.000000e-06");
    EXPECT_EQ(Page().Text(IDC_BERT_BIT_RATE[0]), "2000000");
    // The chart draws the enabled stream's rate: 1e-6 at the right-hand end.
    const ui::StripChart* chart = Page().Chart(IDC_BERT_CHART);
    ASSERT_EQ(chart->Panels().size(), 1u);
    ASSERT_EQ(chart->Panels()[0].series.size(), 1u);
    EXPECT_EQ(chart->Panels()[0].series[0].name, "CH1 I");
    const auto& rates = chart->Panels()[0].series[0].columns;
    ASSERT_FALSE(rates.empty());
    EXPECT_TRUE(rates.back().valid);
    EXPECT_DOUBLE_EQ(rates.back().high, -6.0);

    // A pattern that the signal does not carry never locks.
    Page().StepUpDown(IDC_BERT_PATTERN_UPDOWN[0], +1);
    EXPECT_EQ(Page().Text(IDC_BERT_PATTERN[0]), "PN17");
    m_session.Sim().Clock().Advance(1000);
    ReadStatus(0);
    EXPECT_EQ(Page().Text(IDC_BERT_LOCK_TEXT[0]), "UNLOCKED");
    EXPECT_EQ(Page().ShownLamp(IDC_BERT_LOCK_GREY[0]), IDC_BERT_LOCK_RED[0]);
    EXPECT_EQ(Page().Text(IDC_BERT_BER[0]), "0.000000e+00");  // no bits counted

    Page().Click(IDC_BERT_ENABLED[0]);
    EXPECT_EQ(Page().Text(IDC_BERT_ENABLED[0]), "Off");
    EXPECT_EQ(Page().ShownLamp(IDC_BERT_LOCK_GREY[0]), IDC_BERT_LOCK_GREY[0]);
    EXPECT_EQ(Page().ShownLamp(IDC_BERT_INVERSION_GREY[0]), IDC_BERT_INVERSION_GREY[0]);
    EXPECT_EQ(Page().Text(IDC_BERT_BIT_COUNT[0]), "");
    EXPECT_EQ(Page().Text(IDC_BERT_LOCK_TEXT[0]), "");
    EXPECT_TRUE(Polled().empty());
}

TEST_F(RcvBertPage, StatusDecodingAndAFailedRead) {
    Comm().m_Bert[3].enabled = 1;
    Open();
    m_session.Answer(0x2103, Status(0x90, 1, -1, 1'000'000'000'000, 4'000'000'000u, 7));
    ReadStatus(3);
    EXPECT_EQ(m_session.LastPayload(0x2103), Bytes{0x05});  // unit 1 | Q << 2
    EXPECT_EQ(Page().Text(IDC_BERT_BIT_ERRORS[3]), "-1");
    EXPECT_EQ(Page().Text(IDC_BERT_BIT_COUNT[3]), "1e+12");
    EXPECT_EQ(Page().Text(IDC_BERT_BER[3]), "-1.000000e-12");
    EXPECT_EQ(Page().Text(IDC_BERT_BIT_RATE[3]), "4000000000");
    EXPECT_EQ(Page().Text(IDC_BERT_OUT_OF_LOCK[3]), "7");
    EXPECT_EQ(Page().Text(IDC_BERT_INVERSION_TEXT[3]), "INVERTED");
    EXPECT_EQ(Page().ShownLamp(IDC_BERT_INVERSION_GREY[3]), IDC_BERT_INVERSION_YELLOW[3]);
    EXPECT_EQ(Comm().m_Bert[3].secondFlag, 1);

    m_session.Answer(0x2103, Status(0x80, 0, 5, 0, 10, 123456789));
    ReadStatus(3);
    EXPECT_EQ(Page().Text(IDC_BERT_BER[3]), "0.000000e+00");
    EXPECT_EQ(Page().Text(IDC_BERT_OUT_OF_LOCK[3]), "1.23457e+08");

    // Unanswered: zeros for the counts and rates, the lamps as they were.
    Comm().m_nDefaultTimeout = 100;
    sim::Fault fault = sim::MakeFault(sim::FaultKind::NoReply);
    fault.code = 0x2103;
    fault.firstPayloadByte = 0x05;
    m_session.Sim().Device().InjectFault(fault);
    ReadStatus(3);
    EXPECT_EQ(Page().Text(IDC_BERT_BIT_ERRORS[3]), "0");
    EXPECT_EQ(Page().Text(IDC_BERT_BIT_COUNT[3]), "0");
    EXPECT_EQ(Page().Text(IDC_BERT_BER[3]), "0.000000e+00");
    EXPECT_EQ(Page().Text(IDC_BERT_BIT_RATE[3]), "0");
    EXPECT_EQ(Page().Text(IDC_BERT_OUT_OF_LOCK[3]), "0");
    EXPECT_EQ(Page().Text(IDC_BERT_LOCK_TEXT[3]), "LOCKED");
    EXPECT_EQ(Page().ShownLamp(IDC_BERT_LOCK_GREY[3]), IDC_BERT_LOCK_GREEN[3]);
    EXPECT_EQ(Page().Text(IDC_BERT_INVERSION_TEXT[3]), "NORMAL");

    // Out-of-range message parameters are ignored.
    const int before = m_session.CountReceived(0x2103);
    platform::SendMessage(Page().Handle(), ID_RCV_BERT_STATUS_UPDATE, 3, 0);
    platform::SendMessage(Page().Handle(), ID_RCV_BERT_STATUS_UPDATE, 0, 2);
    EXPECT_EQ(m_session.CountReceived(0x2103), before);
}

TEST_F(RcvBertPage, EveryStreamSendsItsWholeStoredSetup) {
    Open();
    for (int k = 0; k < 6; ++k) {
        protocol::BertStream& b = Comm().m_Bert[k];
        b.enabled = 1;
        b.pattern = static_cast<uint8_t>(20 + k);  // above 18: sent as 18
        b.lengthValue = static_cast<uint8_t>(k == 0 ? 0 : k == 1 ? 1 : k == 2 ? 32 : 40 + k);
        b.word = 0x01020300u + static_cast<uint32_t>(k);
        b.byteValue = static_cast<uint8_t>(0xA0 + k);
        b.modeValue = static_cast<uint8_t>(k);  // 5 sets bit 6; 1 to 4 go into byte 7
    }
    Page().RefreshFromDevice();
    for (int k = 0; k < 6; ++k) {
        SCOPED_TRACE(k);
        Page().Click(IDC_BERT_RESET[k]);
        const uint8_t unitAndStream = static_cast<uint8_t>(k / 2 | (k % 2) << 2);
        const uint8_t lengths[6] = {0, 0, 31, 31, 31, 31};
        EXPECT_EQ(
            m_session.LastPayload(0x1103),
            (Bytes{static_cast<uint8_t>(0x80 | unitAndStream | (k == 5 ? 0x40 : 0)), 18, lengths[k],
                   1, 2, 3, static_cast<uint8_t>(k), static_cast<uint8_t>(k <= 4 ? k : 0), 0, 0, 0,
                   0, static_cast<uint8_t>(0xA0 + k)}));
        EXPECT_EQ(Page().Text(IDC_BERT_PATTERN[k]), "PN23");
    }
    // Inverting the clock of the combiner's Q stream, then its pattern from the spin control.
    Page().Click(IDC_BERT_INVERT_CLOCK[5]);
    EXPECT_EQ(m_session.LastPayload(0x1103)[1], 0x20 | 18);
    EXPECT_EQ(Page().Text(IDC_BERT_INVERT_CLOCK[5]), "Inverted");
    Page().SetRange(IDC_BERT_PATTERN_UPDOWN[5], 0, 31);
    Page().SetPos(IDC_BERT_PATTERN_UPDOWN[5], 17);
    Page().StepUpDown(IDC_BERT_PATTERN_UPDOWN[5], +1);  // spun beyond 17: keeps 17
    EXPECT_EQ(m_session.LastPayload(0x1103)[0], 0x80 | 0x40 | 4 | 2);
    EXPECT_EQ(m_session.LastPayload(0x1103)[1], 0x20 | 17);
    EXPECT_EQ(Comm().m_Bert[5].pattern, 17);
    EXPECT_EQ(Page().Text(IDC_BERT_PATTERN[5]), "PN23");
    EXPECT_EQ(Page().Pos(IDC_BERT_PATTERN_UPDOWN[5]), 17);
    Page().SetPos(IDC_BERT_PATTERN_UPDOWN[5], 1);
    Page().StepUpDown(IDC_BERT_PATTERN_UPDOWN[5], -1);
    EXPECT_EQ(Page().Text(IDC_BERT_PATTERN[5]), "All 0's");
    EXPECT_EQ(CKV90T_RcvBert::PatternName(2), std::string("Alt 0's & 1's"));
    EXPECT_EQ(CKV90T_RcvBert::PatternName(18), std::string("User Pattern"));
    EXPECT_EQ(CKV90T_RcvBert::PatternName(31), std::string("Unused"));
}

TEST_F(RcvBertPage, AFailedSetupKeepsTheChangeAndBeepsLow) {
    Open();
    Comm().m_nDefaultTimeout = 100;
    sim::Fault fault = sim::MakeFault(sim::FaultKind::NoReply);
    fault.code = 0x1103;
    m_session.Sim().Device().InjectFault(fault);
    Page().Click(IDC_BERT_ENABLED[2]);
    EXPECT_EQ(m_beeps.Tones(), (std::vector<Tone>{{100, 100}}));
    EXPECT_EQ(Comm().m_Bert[2].enabled, 1);
    EXPECT_EQ(Page().Text(IDC_BERT_ENABLED[2]), "Enabled");
    EXPECT_EQ(Polled(), std::vector<int>{2});
}

TEST_F(RcvBertPage, StrayBytesAfterAStatusAreDiscardedAndLogged) {
    Comm().m_Bert[0].enabled = 1;
    Open();
    Page().OnLeaving();  // the test drives the reads itself
    platform::DebugCapture debug;
    m_session.Sim().Device().InjectFault(sim::MakeFault(sim::FaultKind::ExtraBytes, 4));
    ReadStatus(0);
    ASSERT_TRUE(PumpUntil([&] {
        platform::SendMessage(Page().Handle(), ID_CHECK_EXTRA_BYTES, ID_RCV_BERT_STATUS_UPDATE, 0);
        return !debug.Text().empty();
    }));
    EXPECT_EQ(debug.Text(), "Extra bytes found after an 0x2103 Status message:\r\n");
    debug.Clear();
    m_session.Sim().Device().InjectFault(sim::MakeFault(sim::FaultKind::ExtraBytes, 2));
    ReadStatus(0);
    ASSERT_TRUE(PumpUntil([&] {
        platform::SendMessage(Page().Handle(), ID_CHECK_EXTRA_BYTES, 0x5F6, 0);
        return !debug.Text().empty();
    }));
    EXPECT_EQ(debug.Text(), "Extra bytes found after an unknown message:\r\n");
}

TEST_F(RcvBertPage, LeavingStopsThePollsAndShowingResumesExactlyTheEnabledOnes) {
    Comm().m_Bert[0].enabled = 1;
    Comm().m_Bert[5].enabled = 1;
    Open();
    EXPECT_EQ(Polled(), (std::vector<int>{0, 5}));
    ASSERT_TRUE(PumpUntil([&] { return m_session.CountReceived(0x2103) >= 2; }));
    Page().OnLeaving();
    EXPECT_TRUE(Polled().empty());
    testsupport::PumpFor(50);  // a poll already sent may still arrive
    m_session.Sim().Device().ClearReceivedFrames();
    testsupport::PumpFor(100);
    EXPECT_EQ(m_session.CountReceived(0x2103), 0);
    Page().RefreshFromDevice();
    EXPECT_EQ(Polled(), (std::vector<int>{0, 5}));
    ASSERT_TRUE(PumpUntil([&] { return m_session.CountReceived(0x2103) >= 2; }));
    EXPECT_EQ(m_session.CountReceived(0x1103), 0);  // showing the page sends nothing
}

TEST_F(RcvBertPage, DestroyingThePageWhilePollingEndsItsThreadAtOnce) {
    Comm().m_Bert[0].enabled = 1;
    Open();
    ASSERT_TRUE(PumpUntil([&] { return m_session.CountReceived(0x2103) >= 1; }));
    QElapsedTimer timer;
    timer.start();
    m_page.reset();
    EXPECT_LT(timer.elapsed(), 1000);
    EXPECT_EQ(g_bRcvBertThreadRun, 0);
    EXPECT_EQ(g_hRcvBertWnd, 0u);
    EXPECT_TRUE(Polled().empty());
}
