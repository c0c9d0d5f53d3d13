#pragma once
// Stand-in until this page is built.

#include "pages/StandInPage.h"

class CKV90T1_SetupPCMFM_ChannelDlg : public StandInPage {
public:
    CKV90T1_SetupPCMFM_ChannelDlg(CKV90T1_Comm*, uint32_t channel, int, QWidget* parent)
        : StandInPage(ChannelCaption("Setup CH%u", channel < 2 ? channel : 0), parent) {}
    // Re-titles the page for the current mode.
    void UpdateTitle() {}
};
