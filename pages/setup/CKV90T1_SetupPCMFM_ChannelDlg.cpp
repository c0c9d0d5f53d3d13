#include "pages/setup/CKV90T1_SetupPCMFM_ChannelDlg.h"

#include <algorithm>

#include "pages/setup/setup_text.h"
#include "protocol/CKV90T1_Comm.h"
#include "resources/resource_ids.h"
#include "resources/templates.h"
#include "ui/Format.h"

using namespace res;
using namespace setup;

CKV90T1_SetupPCMFM_ChannelDlg::CKV90T1_SetupPCMFM_ChannelDlg(CKV90T1_Comm* comm, uint32_t channel,
                                                             int skipInitialRead, QWidget* parent)
    : PcmFmPage(res::PcmFmChannelTemplate(), comm, channel < 2 ? channel : 0, skipInitialRead,
                parent, "Ch%u - %s") {
    setWindowTitle(QString("Setup CH%1").arg(m_nChannel + 1));
    SetEntryFont({IDC_TUNING_FREQUENCY});
    SetRange(IDC_INPUT_SELECT_UPDOWN, 0, 2);
    SetRange(IDC_AGC_TIME_CONSTANT_UPDOWN, 0, 7);
    SetRange(IDC_AGC_MODE_UPDOWN, 0, 2);
    SetRange(IDC_DEEMPHASIS_UPDOWN, 0, 3);
    SetRange(IDC_AM_FILTER_UPDOWN, 0, 31);
    AddChannelRules();
}

void CKV90T1_SetupPCMFM_ChannelDlg::AddChannelRules() {
    CKV90T1_Comm* c = m_pComm;
    const uint32_t ch = m_nChannel;
    AddUpDownRule(
        IDC_INPUT_SELECT_UPDOWN,
        {false, [c, ch](int p) { return (p & 3) == 3 ? 0 : c->SetChannelInputSelect(ch, p & 3); },
         [this] { RedrawInputSelect(); }});
    AddUpDownRule(IDC_AGC_TIME_CONSTANT_UPDOWN,
                  {false, [c, ch](int p) { return c->SetChannelAgcTimeConstant(ch, p & 7); },
                   [this] { RedrawAgc(); }});
    AddUpDownRule(IDC_AGC_MODE_UPDOWN,
                  {false, [this](int p) { return ChangeAgcMode(p); }, [this] { RedrawAgc(); }});
    AddUpDownRule(IDC_AM_FILTER_UPDOWN,
                  {false, [c, ch](int p) { return c->SetChannelAmFilter(ch, p & 31); },
                   [this] { RedrawFilters(); }});
    AddUpDownRule(IDC_VIDEO_FILTER_UPDOWN,
                  {false, [c, ch](int p) { return c->SetChannelVideoFilter(ch, p & 15); },
                   [this] { RedrawFilters(); }});
    AddUpDownRule(IDC_DEEMPHASIS_UPDOWN, {true, [this](int p) { return ChangeDeEmphasis(p); },
                                          [this] {
                                              RedrawDeEmphasis();
                                              RedrawFilters();
                                          }});
    using Flag = uint32_t protocol::ChannelSetup::*;
    for (auto [toggle, flag] :
         {std::pair<int, Flag>{IDC_AGC_FREEZE, &protocol::ChannelSetup::agcFreeze},
          {IDC_AGC_ZERO, &protocol::ChannelSetup::agcZero},
          {IDC_AM_INVERT, &protocol::ChannelSetup::amInvert},
          {IDC_SSFM_INVERT, &protocol::ChannelSetup::ssfmInvert}}) {
        AddToggleRule(toggle,
                      {[this, f = flag] { return ToggleRecordFlag(f); }, [this] { Redraw(); }});
    }
    AddSendButton(IDC_TUNING_SEND);
}

// The filter that passes the de-emphasis's video bandwidth goes with it.
int32_t CKV90T1_SetupPCMFM_ChannelDlg::ChangeDeEmphasis(int position) {
    const uint32_t deEmphasis = position < 4 ? static_cast<uint32_t>(position) : 0;
    const protocol::ChannelSetup& r = Record();
    m_pComm->EstimateVideoBandwidth(m_nChannel, deEmphasis, r.pcmCode & 0x7F, r.bitRate, 0.7f);
    const float estimate = m_pComm->m_Estimates[m_nChannel].videoBandwidth;
    uint32_t filter = 15;
    for (uint32_t i = 0; i < protocol::kVideoFilterEntries; ++i) {
        if (m_pComm->m_Config.VideoFilterAt(m_nChannel, i) >= estimate) {
            filter = i;
            break;
        }
    }
    return m_pComm->SetChannelDeEmphasis(m_nChannel, deEmphasis, filter);
}

// Rows "Normal AGC", "Linear AGC", "Mode 1 AGC" as the two AGC-mode flags.
int32_t CKV90T1_SetupPCMFM_ChannelDlg::ChangeAgcMode(int position) {
    protocol::ChannelSetup record = Record();
    const int row = std::clamp(position, 0, 2);
    record.firstAgcMode = row == 0 ? 1 : 0;
    record.secondAgcMode = row == 2 ? 1 : 0;
    return m_pComm->SetChannelSetup(m_nChannel, record);
}

void CKV90T1_SetupPCMFM_ChannelDlg::FillRecord(protocol::ChannelSetup& record) {
    record.tuningFrequency = MegahertzTextToHertz(Text(IDC_TUNING_FREQUENCY));
}

void CKV90T1_SetupPCMFM_ChannelDlg::Redraw() {
    PcmFmPage::Redraw();
    RedrawTuning();
    RedrawInputSelect();
    RedrawAgc();
    RedrawDeEmphasis();
    RedrawFilters();
}

void CKV90T1_SetupPCMFM_ChannelDlg::RedrawTuning() {
    SetText(IDC_TUNING_FREQUENCY, MegahertzText(Record().tuningFrequency));
    const auto bands = BandTexts(m_pComm->m_Config.bandLimits[m_nChannel]);
    for (int i = 0; i < 5; ++i) {
        SetText(IDC_BAND_RANGE[i], bands[i]);
    }
}

void CKV90T1_SetupPCMFM_ChannelDlg::RedrawInputSelect() {
    const int row = static_cast<int>(std::min<uint32_t>(Record().inputSelect, 2));
    ShowSelector(IDC_INPUT_SELECT_UPDOWN, IDC_INPUT_SELECT, row, kInputSelects[row]);
}

void CKV90T1_SetupPCMFM_ChannelDlg::RedrawAgc() {
    const protocol::ChannelSetup& r = Record();
    const int index = r.agcTimeConstantIndex < 8 ? static_cast<int>(r.agcTimeConstantIndex) : 0;
    ShowSelector(IDC_AGC_TIME_CONSTANT_UPDOWN, IDC_AGC_TIME_CONSTANT, index,
                 AgcTimeConstantText(m_pComm->m_Config.AgcTimeConstantAt(m_nChannel, index)));
    ShowOnOff(IDC_AGC_FREEZE, r.agcFreeze, "On", "Off");
    const int mode = AgcModeRow(r.firstAgcMode, r.secondAgcMode);
    ShowSelector(IDC_AGC_MODE_UPDOWN, IDC_AGC_MODE, mode, kAgcModes[mode]);
    ShowOnOff(IDC_AGC_ZERO, r.agcZero, "On", "Off");
}

void CKV90T1_SetupPCMFM_ChannelDlg::RedrawDeEmphasis() {
    const protocol::ChannelSetup& r = Record();
    const int row = r.deEmphasis < 4 ? static_cast<int>(r.deEmphasis) : 0;
    ShowSelector(IDC_DEEMPHASIS_UPDOWN, IDC_DEEMPHASIS, row, kDeEmphases[row]);
    ShowInvert(IDC_SSFM_INVERT, r.ssfmInvert);
}

void CKV90T1_SetupPCMFM_ChannelDlg::RedrawFilters() {
    const protocol::ChannelSetup& r = Record();
    const auto& config = m_pComm->m_Config;
    const int am = std::min<int>(r.amFilterIndex, 31);
    ShowSelector(IDC_AM_FILTER_UPDOWN, IDC_AM_FILTER, am,
                 ui::GroupThousands(config.AmFilterAt(m_nChannel, am)) + " Hz");
    ShowInvert(IDC_AM_INVERT, r.amInvert);
    const int filters = static_cast<int>(config.videoFilterCount[m_nChannel]);
    SetRange(IDC_VIDEO_FILTER_UPDOWN, 0, std::max(filters - 1, 0));
    const int video = std::min<int>(r.videoFilterIndex, std::max(filters - 1, 0));
    ShowSelector(IDC_VIDEO_FILTER_UPDOWN, IDC_VIDEO_FILTER, video,
                 FrequencyText(config.VideoFilterAt(m_nChannel, video)));
}
