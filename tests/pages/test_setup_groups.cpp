// The shared setup-page groups, each checked once on a page made of it alone, against the
// simulated device: its rules (what goes to the device, what is refused, the beeps) and its
// redraw (what the operator then sees).

#include <gtest/gtest.h>

#include "pages/setup/setup_groups.h"
#include "pages/setup/setup_text.h"
#include "platform/beep.h"
#include "resources/resource_ids.h"
#include "resources/template_builders.h"
#include "tests/support/DeviceSession.h"
#include "ui/MessageBoxes.h"

using namespace res;
using namespace setup;
using platform::Tone;
using testsupport::DeviceSession;
using Bytes = std::vector<uint8_t>;

namespace {

const Tone kHigh{1000, 10};
const Tone kLow{100, 100};

// A setup page made of the groups a test adds, on a template of their boxes.
class GroupPage : public SetupPage {
public:
    GroupPage(const ui::DialogTemplate& t, CKV90T1_Comm* comm, uint32_t channel)
        : SetupPage(t, comm, channel, 0, nullptr) {}
    template <typename G, typename... Args>
    G& Add(Args&&... args) {
        return AddGroup<G>(std::forward<Args>(args)...);
    }
    using SetupPage::AddSendButtons;
    using SetupPage::SetSendFields;
};

ui::DialogTemplate TemplateOf(void (*build)(Controls&)) {
    ui::DialogTemplate t{990, "", {}};
    SetupTitle(t.controls, 3);
    build(t.controls);
    return t;
}

class SetupGroups : public ::testing::Test {
protected:
    void Open(uint32_t mode, void (*build)(Controls&), uint32_t channel = 0) {
        ASSERT_NE(Comm().ReadDeviceConfiguration(), 0);
        Comm().m_nOperationalMode = mode;
        m_template = TemplateOf(build);
        m_page = std::make_unique<GroupPage>(m_template, &Comm(), channel);
    }
    // Redraws the page and forgets what the device received so far.
    void Ready() {
        m_page->Redraw();
        m_session.Sim().Device().ClearReceivedFrames();
        m_beeps.Clear();
    }
    CKV90T1_Comm& Comm() { return m_session.Comm(); }
    GroupPage& Page() { return *m_page; }
    protocol::ChannelSetup& Record(int path = 0) { return Comm().m_ChannelSetup[path]; }
    int Sent(uint16_t code) { return m_session.CountReceived(code); }
    int Frames() { return static_cast<int>(m_session.Sim().Device().ReceivedFrames().size()); }

    DeviceSession m_session;
    platform::BeepRecorder m_beeps;
    ui::DialogInterceptor m_boxes;
    ui::DialogTemplate m_template;
    std::unique_ptr<GroupPage> m_page;
};

}  // namespace

TEST_F(SetupGroups, TuningShowsBandsAndSendsTheTypedFrequency) {
    Open(protocol::kModePsk, [](Controls& c) { TuningGroupTemplate(c, 1, 0); });
    Page().Add<TuningGroup>();
    Page().AddSendButtons({IDC_TUNING_SEND});
    Record().tuningFrequency = 2'250'500'000;
    Ready();
    EXPECT_EQ(Page().Text(IDC_TUNING_FREQUENCY), "2250.5");
    EXPECT_EQ(Page().Text(IDC_BAND_RANGE[0]), "200.0 MHz - 400.0 MHz");
    Page().SetText(IDC_TUNING_FREQUENCY, "2200.1234567");
    Page().Click(IDC_TUNING_SEND);
    EXPECT_EQ(Record().tuningFrequency, 2'200'123'456u);
    EXPECT_EQ(Page().Text(IDC_TUNING_FREQUENCY), "2200.123456");
    EXPECT_EQ(Sent(0x1100), 1);
    EXPECT_EQ(m_beeps.Tones(), std::vector<Tone>{kHigh});
    Page().SetText(IDC_TUNING_FREQUENCY, "-5");  // not a frequency: 0, never a wrapped value
    Page().Click(IDC_TUNING_SEND);
    const Bytes setup = m_session.LastPayload(0x1100);
    ASSERT_GE(setup.size(), 8u);
    EXPECT_EQ(Record().tuningFrequency, 0u);
}

TEST_F(SetupGroups, InputSelectRefusesThreeOrPassesItOn) {
    Open(protocol::kModePsk, [](Controls& c) { InputSelectGroupTemplate(c, 1, 0); });
    Page().Add<InputSelectGroup>(InputSelectGroup::Three::BeepAndPass);
    Ready();
    Page().SetRange(IDC_INPUT_SELECT_UPDOWN, 0, 3);
    Page().SetPos(IDC_INPUT_SELECT_UPDOWN, 2);
    Page().StepUpDown(IDC_INPUT_SELECT_UPDOWN, +1);
    EXPECT_EQ(m_beeps.Tones(), (std::vector<Tone>{kLow, kLow}));  // the page's, the setter's
    EXPECT_EQ(Frames(), 0);
    EXPECT_EQ(Page().Text(IDC_INPUT_SELECT), "Standard RF");
    Page().SetPos(IDC_INPUT_SELECT_UPDOWN, 0);
    Page().StepUpDown(IDC_INPUT_SELECT_UPDOWN, +1);
    EXPECT_EQ(Record().inputSelect, 1u);
    EXPECT_EQ(Page().Text(IDC_INPUT_SELECT), "Modulator IF");
    EXPECT_EQ(Sent(0x1100), 1);

    GroupPage refusing(m_template, &Comm(), 0);
    refusing.Add<InputSelectGroup>(InputSelectGroup::Three::Refused);
    refusing.SetRange(IDC_INPUT_SELECT_UPDOWN, 0, 3);
    refusing.SetPos(IDC_INPUT_SELECT_UPDOWN, 2);
    m_beeps.Clear();
    refusing.StepUpDown(IDC_INPUT_SELECT_UPDOWN, +1);
    EXPECT_EQ(m_beeps.Tones(), std::vector<Tone>{kLow});
}

TEST_F(SetupGroups, AgcTimeConstantModeAndTheExclusiveFreezeAndZero) {
    Open(protocol::kModeMsPcmFmGmsk, [](Controls& c) { AgcGroupTemplate(c, 1, 0); });
    Page().Add<AgcGroup>();
    Ready();
    Page().StepUpDown(IDC_AGC_TIME_CONSTANT_UPDOWN, +3);
    EXPECT_EQ(Record().agcTimeConstantIndex, 3u);
    EXPECT_EQ(Page().Text(IDC_AGC_TIME_CONSTANT), "3 millisecs");
    Page().StepUpDown(IDC_AGC_MODE_UPDOWN, +2);
    EXPECT_EQ(Page().Text(IDC_AGC_MODE), "Mode 1 AGC");
    EXPECT_EQ(Record().secondAgcMode, 1u);
    Page().Click(IDC_AGC_FREEZE);
    Page().Click(IDC_AGC_ZERO);
    EXPECT_EQ(Page().Text(IDC_AGC_FREEZE), "On");
    EXPECT_EQ(Page().Text(IDC_AGC_ZERO), "Off");
    EXPECT_EQ(Sent(0x1200), 4);
    EXPECT_EQ(m_beeps.Tones(), (std::vector<Tone>(4, kHigh)));
}

TEST_F(SetupGroups, CarrierLoopInHundredthsOnPskPages) {
    Open(protocol::kModePsk, [](Controls& c) { FiltersGroupTemplate(c, 1, 0, false); });
    Page().Add<FiltersGroup>(false, kPskCarrierLoop);
    Page().AddSendButtons({IDC_FILTERS_SEND});
    Page().SetSendFields(kPskChannelSendFields, 0);
    Ready();
    Page().SetPos(IDC_CARRIER_LBW_UPDOWN, 5);
    Page().SetRange(IDC_CARRIER_LBW_UPDOWN, 0, 255);
    Page().StepUpDown(IDC_CARRIER_LBW_UPDOWN, -2);  // 3: raised to 5
    EXPECT_EQ(Record().carrierLoopBandwidth, 5);
    EXPECT_EQ(Page().Text(IDC_CARRIER_LBW), "0.05");
    Page().SetText(IDC_CARRIER_LBW, "1.00");
    Page().SetText(IDC_ACQUISITION_RANGE, "0.25");
    Page().Click(IDC_FILTERS_SEND);
    EXPECT_EQ(Record().carrierLoopBandwidth, 100);
    EXPECT_EQ(Page().Text(IDC_CARRIER_LBW), "1.00");
    EXPECT_EQ(Record().acquisitionRange, 250'000u);
    EXPECT_EQ(Record().ifFrequency, 70'000'000u);
    EXPECT_EQ(Record().maxModIndex, 44);
    EXPECT_EQ(Record().modIndexTracking, 0u);
    EXPECT_EQ(m_beeps.Tones(), (std::vector<Tone>{kHigh, kHigh}));
}

TEST_F(SetupGroups, CarrierLoopInTenThousandthsWithTheMultiHLimits) {
    Open(
        protocol::kModeMhcpm, [](Controls& c) { FiltersGroupTemplate(c, 1, 0, true); }, 2);
    Page().Add<FiltersGroup>(false, kMhcpmCombinerCarrierLoop);
    Page().AddSendButtons({IDC_FILTERS_SEND});
    Page().SetSendFields(kMhcpmCombinerSendFields, 4);
    Ready();
    Page().SetPos(IDC_CARRIER_LBW_UPDOWN, 999);
    Page().StepUpDown(IDC_CARRIER_LBW_UPDOWN, +1);
    EXPECT_EQ(Record(2).carrierLoopBandwidth, 1000);
    EXPECT_EQ(Page().Text(IDC_CARRIER_LBW), "0.1000");
    for (auto [typed, sent] : {std::pair{"0.05", 500}, std::pair{"0.5", 1000}, std::pair{"nan", 1},
                               std::pair{"-inf", 1}, std::pair{"1e300", 1000}}) {
        Page().SetText(IDC_CARRIER_LBW, typed);
        Page().Click(IDC_FILTERS_SEND);
        EXPECT_EQ(Record(2).carrierLoopBandwidth, sent) << typed;
    }
    EXPECT_EQ(Record(2).qLoopBandwidth, 50);
}

TEST_F(SetupGroups, ChannelFiltersAndTheDeEmphasisThatPicksAVideoFilter) {
    Open(protocol::kModeMsPcmFmGmsk, [](Controls& c) {
        FiltersGroupTemplate(c, 1, 0, true);
        DeEmphasisGroupTemplates(c, 1, 1);
    });
    auto& filters = Page().Add<FiltersGroup>(true, kPcmFmCarrierLoop);
    Page().Add<DeEmphasisGroup>(filters);
    const uint32_t videoFilters[] = {500'000, 1'000'000, 2'000'000, 5'000'000, 10'000'000};
    std::copy(std::begin(videoFilters), std::end(videoFilters), Comm().m_Config.videoFilter[0]);
    Comm().m_Config.videoFilterCount[0] = 5;
    Record().amInvert = 2;
    Ready();
    EXPECT_EQ(Page().Text(IDC_AM_INVERT), "???????");
    EXPECT_EQ(Page().Text(IDC_AM_FILTER), "65,000 Hz");
    m_session.Sim().Device().InjectFault(sim::MakeFault(sim::FaultKind::ExtraBytes, 4));
    ASSERT_NE(Comm().SendNullCommand(), 0);
    Page().StepUpDown(IDC_DEEMPHASIS_UPDOWN, +1);  // NTSC: 4.2 MHz
    ASSERT_EQ(m_boxes.Messages().size(), 1u);
    EXPECT_EQ(m_boxes.Messages()[0].text, "The COM Buffer was not empty.");
    EXPECT_EQ(Record().deEmphasis, 1u);
    EXPECT_EQ(Record().videoFilterIndex, 3);
    EXPECT_EQ(Page().Text(IDC_VIDEO_FILTER), "5.0 MHz");
    const bool inverted = Record().amInvert != 0;  // as the device took the record
    Page().Click(IDC_AM_INVERT);
    EXPECT_EQ(Page().Text(IDC_AM_INVERT), inverted ? "Normal" : "Inverted");
    Page().Click(IDC_SSFM_INVERT);
    EXPECT_EQ(Page().Text(IDC_SSFM_INVERT), "Inverted");
}

TEST_F(SetupGroups, InputDataEstimatesOnTheCodeAndLimitsTheTypedLoop) {
    Open(
        protocol::kModeMhcpm, [](Controls& c) { InputDataGroupTemplate(c, 1, 0); }, 2);
    Page().Add<InputDataGroup>(kInputDataI, kMhcpmCombinerInputData);
    Page().AddSendButtons({IDC_INPUT_DATA_SEND});
    Page().SetSendFields(kMhcpmCombinerSendFields, 4);
    Record(2).bitRate = 1'000'000;
    Ready();
    Page().SetPos(IDC_PCM_CODE_UPDOWN, 14);
    Page().StepUpDown(IDC_PCM_CODE_UPDOWN, +1);
    EXPECT_EQ(Record(2).pcmCode, 64u);
    EXPECT_EQ(Page().Text(IDC_PCM_CODE), "BIO-L");
    EXPECT_FLOAT_EQ(Comm().m_Estimates[2].ifBandwidth, 2.0f * 1'000'000 * 1.108f * 0.1f * 1.05f);
    Page().SetText(IDC_BIT_RATE, "-5");
    Page().SetText(IDC_LOOP_BANDWIDTH, "2.00");
    Page().Click(IDC_INPUT_DATA_SEND);
    EXPECT_EQ(Record(2).bitRate, 60'000'000u);
    EXPECT_EQ(Record(2).loopBandwidth, 100);
    EXPECT_EQ(Page().Text(IDC_LOOP_BANDWIDTH), "1.00");
    EXPECT_EQ(Page().Text(IDC_BIT_RATE), "60,000,000");
}

TEST_F(SetupGroups, OutputDataPassesTheInvertedFlagBack) {
    Open(
        protocol::kModeMsPcmFmGmsk, [](Controls& c) { OutputDataGroupTemplate(c, 1, 0); }, 1);
    Page().Add<OutputDataGroup>(kOutputDataI);
    Comm().m_OutputData[1].inverted = 2;
    Comm().m_OutputData[1].clockPhase = 7;
    Ready();
    EXPECT_EQ(Page().Text(IDC_CLOCK_PHASE), "  0\u00b0");
    Page().Click(IDC_OUTPUT_INVERTED);
    EXPECT_EQ(Comm().m_OutputData[1].inverted, 0u);
    EXPECT_EQ(Page().Text(IDC_OUTPUT_INVERTED), "Normal");
    Page().StepUpDown(IDC_CLOCK_PHASE_UPDOWN, +2);
    EXPECT_EQ(Page().Text(IDC_CLOCK_PHASE), "180\u00b0");
    EXPECT_EQ(Sent(0x120E), 2);
}

TEST_F(SetupGroups, ModIndexTrackingOnlyInModeFour) {
    Open(protocol::kModeSsFmVideo, [](Controls& c) { ModIndexGroupTemplate(c, 1, 0); });
    Page().Add<ModIndexGroup>();
    Ready();
    Page().Click(IDC_MOD_INDEX_TRACKING);
    EXPECT_EQ(m_beeps.Tones(), std::vector<Tone>{kLow});
    EXPECT_EQ(Frames(), 0);
    Comm().m_nOperationalMode = protocol::kModeMsPcmFmGmsk;
    const uint32_t before = Record().modIndexTracking;
    Page().Click(IDC_MOD_INDEX_TRACKING);
    EXPECT_NE(Record().modIndexTracking, before);
    Page().StepUpDown(IDC_MAX_MOD_INDEX_UPDOWN, +5);
    EXPECT_EQ(Page().Text(IDC_MAX_MOD_INDEX), ModIndexText(Record().maxModIndex));
}

TEST_F(SetupGroups, PskSubmodeRangesOverTheUsedSlots) {
    Open(protocol::kModePsk,
         [](Controls& c) { SubmodeGroupTemplate(c, "PSK Demod Submode", 1, 0); });
    Page().Add<SubmodeGroup>(SubmodeGroup::List::Psk, nullptr);
    uint8_t* list = Comm().m_Options.pskSubmodes;
    std::fill(list, list + protocol::kPskSubmodeSlots, uint8_t{9});
    list[0] = 0;
    list[1] = 1;
    list[2] = 2;
    Record().pskSubmode = 2;
    Ready();
    EXPECT_EQ(Page().Text(IDC_SUBMODE), "OQPSK");
    Page().StepUpDown(IDC_SUBMODE_UPDOWN, +1);  // the range ends at slot 2
    EXPECT_EQ(Frames(), 0);
    Page().StepUpDown(IDC_SUBMODE_UPDOWN, -1);
    EXPECT_EQ(Record().pskSubmode, 1u);
    EXPECT_EQ(Page().Text(IDC_SUBMODE), "QPSK");

    list[1] = 9;
    list[2] = 9;
    Record().pskSubmode = 0;
    Ready();
    Page().StepUpDown(IDC_SUBMODE_UPDOWN, +1);  // slot 1 is unused
    EXPECT_EQ(m_beeps.Tones(), (std::vector<Tone>{kLow, kLow}));
    EXPECT_EQ(Frames(), 0);
    EXPECT_EQ(Page().Text(IDC_SUBMODE), "BPSK");
    EXPECT_EQ(Page().Pos(IDC_SUBMODE_UPDOWN), 0);
}

TEST_F(SetupGroups, PcmFmSubmodeIsSilentOnSuccessAndRedrawsTheModIndexes) {
    Open(protocol::kModeMsPcmFmGmsk, [](Controls& c) {
        SubmodeGroupTemplate(c, "PCMFM Demod Submode", 1, 0);
        ModIndexGroupTemplate(c, 1, 1);
    });
    auto& modIndexes = Page().Add<ModIndexGroup>();
    Page().Add<SubmodeGroup>(SubmodeGroup::List::PcmFm, &modIndexes);
    Ready();
    Page().StepUpDown(IDC_SUBMODE_UPDOWN, +1);
    EXPECT_EQ(Page().Text(IDC_SUBMODE), "GMSK");
    EXPECT_EQ(Page().Text(IDC_MAX_MOD_INDEX), "0.30");
    EXPECT_TRUE(m_beeps.Tones().empty());
}

TEST_F(SetupGroups, CombinerTypeGoesOutAsChosenAndTheSendKeepsIt) {
    Open(
        protocol::kModePsk, [](Controls& c) { CombinerGroupTemplate(c, 1, 0); }, 2);
    Page().Add<CombinerGroup>();
    Page().AddSendButtons({IDC_COMBINER_SEND});
    Page().SetSendFields(kPskCombinerSendFields, 4);
    Ready();
    Page().SetRange(IDC_COMBINER_TYPE_UPDOWN, 0, 9);
    Page().SetPos(IDC_COMBINER_TYPE_UPDOWN, 6);
    Page().StepUpDown(IDC_COMBINER_TYPE_UPDOWN, +1);  // 7: sent as 4
    EXPECT_EQ(Comm().m_Combiner.type, 4u);
    EXPECT_EQ(Page().Text(IDC_COMBINER_TYPE), "CH2 Only");
    EXPECT_EQ(Frames(), 1);
    Page().Click(IDC_REAL_COMBINING);
    EXPECT_EQ(Page().Text(IDC_REAL_COMBINING), "Real");
    EXPECT_EQ(Comm().m_Combiner.type, 4u);
    Page().SetText(IDC_SNR_FILTER_BANDWIDTH, "30,000");
    Page().SetText(IDC_PHASE_FILTER_BANDWIDTH, "-7");
    Page().Click(IDC_COMBINER_SEND);
    EXPECT_EQ(Comm().m_Combiner.type, 4u);
    EXPECT_EQ(Comm().m_Combiner.realCombining, 1u);
    EXPECT_EQ(Comm().m_Combiner.snrFilterBandwidth, 30'000u);
    EXPECT_EQ(Comm().m_Combiner.phaseFilterBandwidth, 10u);  // 0 raised to the lowest
    EXPECT_EQ(Record(2).ifFrequency, 0u);
}

TEST(SendFields, EachFamilyFixesItsOwnFields) {
    protocol::ChannelSetup r;
    r.codeRateSelector = 2;
    r.deEmphasis = 3;
    r.maxModIndex = 99;
    ApplySendFields(kPcmFmSendFields, r);
    EXPECT_EQ(r.codeRateSelector, 0u);
    EXPECT_EQ(r.qBitRate, 2'000'000u);
    EXPECT_EQ(r.qLoopBandwidth, 100);
    EXPECT_EQ(r.deEmphasis, 3u);
    EXPECT_EQ(r.maxModIndex, 99);
    EXPECT_EQ(r.pskSettingByte, 157);
    r.qBitRate = 5;
    ApplySendFields(kPskCombinerSendFields, r);
    EXPECT_EQ(r.qBitRate, 5u);
    EXPECT_EQ(r.deEmphasis, 0u);
    EXPECT_EQ(r.ifFrequency, 0u);
    EXPECT_EQ((std::vector<int>{r.maxModIndex, r.minModIndex, r.startModIndex}),
              (std::vector<int>{44, 24, 34}));
    ApplySendFields(kMhcpmCombinerSendFields, r);
    EXPECT_EQ(r.qLoopBandwidth, 50);
    EXPECT_EQ(r.ifFrequency, 70'000'000u);
}
