#pragma once
// The PCM/FM combiner page (modes 2 and 4), for the combiner path.

#include "pages/setup/PcmFmPage.h"

class CKV90T1_SetupPCMFM_CombinerDlg : public setup::PcmFmPage {
    Q_OBJECT
public:
    CKV90T1_SetupPCMFM_CombinerDlg(CKV90T1_Comm* comm, int skipInitialRead, QWidget* parent);

protected:
    void Redraw() override;
    void FillRecord(protocol::ChannelSetup&) override {}
    uint32_t OutputSelector() const override { return 4; }
    // The Send also sends the combiner group as the edits and the type selector show it.
    bool AfterSend() override;
    void OnUpDownPosition(int id, int position) override;

private:
    int32_t SendCombiner(uint32_t signal, uint32_t snr, uint32_t phase, uint32_t type,
                         uint32_t real, uint32_t upsample);
    void RedrawCombiner();
};
