#include "pages/setup/CKV90T1_SetupPCMFM_CombinerDlg.h"

#include <algorithm>

#include "pages/setup/setup_text.h"
#include "protocol/CKV90T1_Comm.h"
#include "resources/resource_ids.h"
#include "resources/templates.h"
#include "ui/Format.h"

using namespace res;
using namespace setup;

namespace {

constexpr uint32_t kCombinerPath = 2;

uint32_t Bandwidth(const std::string& text) {
    return static_cast<uint32_t>(std::clamp<int64_t>(ui::UngroupThousands(text), 0, UINT32_MAX));
}

}  // namespace

CKV90T1_SetupPCMFM_CombinerDlg::CKV90T1_SetupPCMFM_CombinerDlg(CKV90T1_Comm* comm,
                                                               int skipInitialRead, QWidget* parent)
    : PcmFmPage(res::PcmFmCombinerTemplate(), comm, kCombinerPath, skipInitialRead, parent,
                "Cmb - %s") {
    setWindowTitle("Setup Combiner");
    SetEntryFont({IDC_SIGNAL_BANDWIDTH, IDC_SNR_FILTER_BANDWIDTH, IDC_PHASE_FILTER_BANDWIDTH});
    SetRange(IDC_COMBINER_TYPE_UPDOWN, 0, 4);
    const auto& c = m_pComm->m_Combiner;
    AddToggleRule(IDC_REAL_COMBINING, {[this, &c] {
                                           return SendCombiner(
                                               m_pComm->m_nCombinerSignalBandwidth,
                                               c.snrFilterBandwidth, c.phaseFilterBandwidth, c.type,
                                               c.realCombining != 0 ? 0 : 1, c.upsample);
                                       },
                                       [this] { RedrawCombiner(); }});
    AddToggleRule(IDC_UPSAMPLE, {[this, &c] {
                                     return SendCombiner(m_pComm->m_nCombinerSignalBandwidth,
                                                         c.snrFilterBandwidth,
                                                         c.phaseFilterBandwidth, c.type,
                                                         c.realCombining, c.upsample != 0 ? 0 : 1);
                                 },
                                 [this] { RedrawCombiner(); }});
    AddSendButton(IDC_COMBINER_SEND);
}

int32_t CKV90T1_SetupPCMFM_CombinerDlg::SendCombiner(uint32_t signal, uint32_t snr, uint32_t phase,
                                                     uint32_t type, uint32_t real,
                                                     uint32_t upsample) {
    return m_pComm->SetCombinerSetup(signal, snr, phase, type, real, upsample,
                                     CKV90T1_Comm::s_ChannelSetup[0].ifFrequency,
                                     CKV90T1_Comm::s_ChannelSetup[1].ifFrequency);
}

bool CKV90T1_SetupPCMFM_CombinerDlg::AfterSend() {
    const auto& c = m_pComm->m_Combiner;
    return SendCombiner(Bandwidth(Text(IDC_SIGNAL_BANDWIDTH)),
                        Bandwidth(Text(IDC_SNR_FILTER_BANDWIDTH)),
                        Bandwidth(Text(IDC_PHASE_FILTER_BANDWIDTH)),
                        static_cast<uint32_t>(Pos(IDC_COMBINER_TYPE_UPDOWN)), c.realCombining,
                        c.upsample) != 0;
}

// The type selector only chooses; the Send takes the type to the device.
void CKV90T1_SetupPCMFM_CombinerDlg::OnUpDownPosition(int id, int position) {
    if (id == IDC_COMBINER_TYPE_UPDOWN) {
        SetText(IDC_COMBINER_TYPE, kCombinerTypes[std::clamp(position, 0, 4)]);
        return;
    }
    PcmFmPage::OnUpDownPosition(id, position);
}

void CKV90T1_SetupPCMFM_CombinerDlg::Redraw() {
    PcmFmPage::Redraw();
    RedrawCombiner();
}

void CKV90T1_SetupPCMFM_CombinerDlg::RedrawCombiner() {
    const auto& c = m_pComm->m_Combiner;
    SetText(IDC_SIGNAL_BANDWIDTH, ui::GroupThousands(m_pComm->m_nCombinerSignalBandwidth));
    SetText(IDC_SNR_FILTER_BANDWIDTH, ui::GroupThousands(c.snrFilterBandwidth));
    SetText(IDC_PHASE_FILTER_BANDWIDTH, ui::GroupThousands(c.phaseFilterBandwidth));
    const int type = c.type < 5 ? static_cast<int>(c.type) : 4;
    ShowSelector(IDC_COMBINER_TYPE_UPDOWN, IDC_COMBINER_TYPE, type, kCombinerTypes[type]);
    ShowTwoState(IDC_REAL_COMBINING, c.realCombining, "Real", "Complex");
    ShowTwoState(IDC_UPSAMPLE, c.upsample, "Do Upsample", "Don't Upsample");
}
