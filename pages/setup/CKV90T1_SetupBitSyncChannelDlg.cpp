#include "pages/setup/CKV90T1_SetupBitSyncChannelDlg.h"

#include "pages/setup/setup_groups.h"
#include "pages/setup/setup_text.h"
#include "protocol/CKV90T1_Comm.h"
#include "resources/resource_ids.h"
#include "resources/templates.h"
#include "ui/Format.h"

using namespace res;
using namespace setup;
using protocol::ChannelSetup;

namespace {

constexpr InputDataLimits kBitSyncInputData{30'000'000, 255, {5, 255}};
constexpr const char* kBasebandInputs[4] = {"SE1", "SE2", "Differential", "Loopback"};
// The DSP board revision from which the device reports its input terminations.
constexpr uint8_t kTerminationsFromRevision = 6;
// The output selector of each channel's data.
constexpr uint32_t kOutputSelectors[2] = {2, 3};

}  // namespace

CKV90T1_SetupBitSyncChannelDlg::CKV90T1_SetupBitSyncChannelDlg(CKV90T1_Comm* comm, uint32_t channel,
                                                               int skipInitialRead, QWidget* parent)
    : SetupPage(res::BitSyncChannelTemplate(), comm, channel < 2 ? channel : 0, skipInitialRead,
                parent) {
    setWindowTitle(QString("Setup CH%1").arg(m_nChannel + 1));
    ShowTitle(ui::Printf("Channel %u", m_nChannel + 1), 36);
    AddGroup<InputDataGroup>(kInputDataI, kBitSyncInputData);
    AddGroup<OutputDataGroup>(kOutputDataI, true);
    SetRange(IDC_SRRC_BETA_UPDOWN, 1, 100);
    for (int row = 0; row < 4; ++row) {
        SetText(IDC_BASEBAND_INPUT[row], kBasebandInputs[row]);
    }
    AddRules();
    CaptionImpedances();
    const auto& options = comm->m_Options;
    if ((m_nChannel == 0 ? options.channel1Installed : options.channel2Installed) == 0) {
        EnableAll(false);
        setEnabled(false);
    }
}

void CKV90T1_SetupBitSyncChannelDlg::AddRules() {
    const auto redraw = [this] { Redraw(); };
    Bind(IDC_INPUT_DATA_SEND, {ui::Drain::Silent, [this](int) { return Send(); }, {}});
    SetEnterRuns(IDC_INPUT_DATA_SEND);
    BindToggle(
        IDC_BITSYNC_INPUT_INVERTED, [this] { return ToggleInputInverted(); }, redraw);
    BindToggle(
        IDC_ENHANCED_ACQ,
        [this] {
            return m_pComm->SetEnhancedAcquisition(m_nChannel,
                                                   OutputData().enhancedAcquisition != 0 ? 0 : 1);
        },
        [this] { RedrawChoices(); });
    const auto notFour = [this] {
        return m_pComm->m_nOperationalMode != protocol::kModeMsPcmFmGmsk;
    };
    const auto bitSync = [this] { return m_pComm->m_nOperationalMode == protocol::kModeBitSync; };
    const auto choice = [this](uint32_t ChannelSetup::*field, uint32_t value) {
        return [this, field, value](int) {
            return SendChangedRecord([field, value](ChannelSetup& r) { r.*field = value; });
        };
    };
    for (uint32_t filter : {0u, 1u}) {
        Bind(filter == 0 ? IDC_MATCHED_ID : IDC_MATCHED_SRRC,
             {ui::Drain::Silent, ui::Gated(notFour, choice(&ChannelSetup::matchedFilter, filter)),
              [this] { RedrawChoices(); }});
    }
    for (uint32_t row = 0; row < 4; ++row) {
        Bind(IDC_BASEBAND_INPUT[row],
             {ui::Drain::Silent, ui::Gated(bitSync, choice(&ChannelSetup::basebandInput, row)),
              [this] { RedrawChoices(); }});
        Bind(IDC_SE_IMPEDANCE[row],
             {ui::Drain::Silent,
              ui::Gated(bitSync, choice(&ChannelSetup::singleEndedTermination, row)),
              [this] { RedrawChoices(); }});
    }
    for (uint32_t row = 0; row < 2; ++row) {
        Bind(IDC_DIFF_IMPEDANCE[row],
             {ui::Drain::Silent,
              ui::Gated(bitSync, choice(&ChannelSetup::differentialTermination, row)),
              [this] { RedrawChoices(); }});
    }
    BindUpDown(
        IDC_SRRC_BETA_UPDOWN, false,
        [this](int p) {
            const auto beta = static_cast<uint8_t>(std::clamp(p, 1, 100));
            return SendChangedRecord([beta](ChannelSetup& r) { r.srrcBeta = beta; });
        },
        [this] { RedrawChoices(); });
}

int32_t CKV90T1_SetupBitSyncChannelDlg::ToggleInputInverted() {
    ChannelSetup record = Record();
    const uint32_t code = (record.pcmCode & 0x7F) + (Check(IDC_BITSYNC_INPUT_INVERTED) ? 128 : 0);
    m_pComm->EstimateIfBandwidth(m_nChannel, record.codeRateSelector, code, record.pskSubmode,
                                 record.bitRate, static_cast<int32_t>(record.modIndexTracking),
                                 record.maxModIndex, record.startModIndex, 1.0f);
    record.pcmCode = code;
    record.inputInverted = (code >> 7) & 1;
    return m_pComm->SetChannelSetup(m_nChannel, record);
}

// The IF filter is the first at least as wide as the estimate for the new bit rate.
int32_t CKV90T1_SetupBitSyncChannelDlg::Send() {
    ChannelSetup record = Record();
    record.bitRate = BitRateFromText(Text(IDC_BIT_RATE), kBitSyncInputData.maximumBitRate);
    record.loopBandwidth = HundredthsFromText(Text(IDC_LOOP_BANDWIDTH));
    m_pComm->EstimateIfBandwidth(m_nChannel, record.codeRateSelector, record.pcmCode & 0x7F,
                                 record.pskSubmode, record.bitRate,
                                 static_cast<int32_t>(record.modIndexTracking), record.maxModIndex,
                                 record.startModIndex, 1.0f);
    record.ifBandwidthIndex = static_cast<uint8_t>(FirstFilterAtLeast(
        protocol::kIfBandwidthEntries, m_pComm->m_Estimates[m_nChannel].ifBandwidth,
        [this](uint32_t i) { return m_pComm->m_Config.IfBandwidthAt(m_nChannel, i); }));
    // Only the first flag, the PCM code and enhanced acquisition carry over; the rest is cleared.
    const protocol::OutputDataSetup& held = OutputData();
    protocol::OutputDataSetup data;
    data.firstFlag = held.firstFlag;
    data.selector = kOutputSelectors[m_nChannel];
    data.pcmCode = held.pcmCode;
    data.enhancedAcquisition = held.enhancedAcquisition;
    const bool sent = m_pComm->SetChannelSetup(m_nChannel, record) != 0 &&
                      m_pComm->SetOutputDataSetup(m_nChannel, data) != 0;
    Redraw();
    return sent ? 1 : 0;
}

// The six impedance choices show the device's input terminations (channel 1's, which the
// device reports for both channels); a board before the revision that reports them shows 0.
void CKV90T1_SetupBitSyncChannelDlg::CaptionImpedances() {
    if (m_bSkipInitialRead == 0 && m_pComm->m_Identity.identityRead == 0) {
        m_pComm->ReadDeviceIdentity();
    }
    const bool reported = m_pComm->m_Identity.dspPcbRevision >= kTerminationsFromRevision;
    const uint16_t* ohms = m_pComm->m_Config.bitSyncTerminations;
    for (int i = 0; i < 6; ++i) {
        const int id = i < 4 ? IDC_SE_IMPEDANCE[i] : IDC_DIFF_IMPEDANCE[i - 4];
        SetText(id, ui::Printf("%u Ohms", reported ? unsigned(ohms[i]) : 0u));
    }
}

void CKV90T1_SetupBitSyncChannelDlg::Redraw() {
    SetupPage::Redraw();
    RedrawChoices();
}

void CKV90T1_SetupBitSyncChannelDlg::RedrawChoices() {
    const ChannelSetup& r = Record();
    SetCheck(IDC_BITSYNC_INPUT_INVERTED, (r.pcmCode & 0x80) != 0);
    SetCheck(IDC_MATCHED_ID, r.matchedFilter == 0);
    SetCheck(IDC_MATCHED_SRRC, r.matchedFilter == 1);
    const bool srrc = r.matchedFilter == 1;
    const uint8_t beta = std::min<uint8_t>(r.srrcBeta, 100);
    SetText(IDC_SRRC_BETA, srrc ? ui::Printf("%.2f", beta / 100.0) : "");
    if (srrc) {
        SetPos(IDC_SRRC_BETA_UPDOWN, beta);
    }
    Enable(IDC_SRRC_BETA, srrc);
    Enable(IDC_SRRC_BETA_UPDOWN, srrc);
    for (uint32_t row = 0; row < 4; ++row) {
        SetCheck(IDC_BASEBAND_INPUT[row], r.basebandInput == row);
        SetCheck(IDC_SE_IMPEDANCE[row], r.singleEndedTermination == row);
    }
    for (uint32_t row = 0; row < 2; ++row) {
        SetCheck(IDC_DIFF_IMPEDANCE[row], r.differentialTermination == row);
    }
    ShowOnOff(IDC_ENHANCED_ACQ, OutputData().enhancedAcquisition, "Enabled", "Disabled");
}
