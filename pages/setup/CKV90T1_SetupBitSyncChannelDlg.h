#pragma once
// The bit-sync channel page (mode 1), two instances: channel 1 and channel 2.

#include "pages/setup/SetupPage.h"

class CKV90T1_SetupBitSyncChannelDlg : public setup::SetupPage {
    Q_OBJECT
public:
    // A channel index above 1 stands for channel 1.
    CKV90T1_SetupBitSyncChannelDlg(CKV90T1_Comm* comm, uint32_t channel, int skipInitialRead,
                                   QWidget* parent);

    void Redraw() override;

private:
    void AddRules();
    // The page's Send (the button and Return): the edits, the IF filter the estimate asks
    // for, then the output data.
    int32_t Send();
    int32_t ToggleInputInverted();
    void CaptionImpedances();
    void RedrawChoices();
};
