#pragma once
// The PCM/FM channel page (modes 2 and 4), two instances: channel 1 and channel 2.

#include "pages/setup/PcmFmPage.h"

class CKV90T1_SetupPCMFM_ChannelDlg : public setup::PcmFmPage {
    Q_OBJECT
public:
    // A channel index above 1 stands for channel 1.
    CKV90T1_SetupPCMFM_ChannelDlg(CKV90T1_Comm* comm, uint32_t channel, int skipInitialRead,
                                  QWidget* parent);

protected:
    void Redraw() override;
    void FillRecord(protocol::ChannelSetup& record) override;
    uint32_t OutputSelector() const override { return m_nChannel; }

private:
    void AddChannelRules();
    int32_t ChangeDeEmphasis(int position);
    int32_t ChangeAgcMode(int position);
    void RedrawTuning();
    void RedrawInputSelect();
    void RedrawAgc();
    void RedrawDeEmphasis();
    void RedrawFilters();
};
