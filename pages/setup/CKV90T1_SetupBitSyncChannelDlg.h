#pragma once
// Stand-in until this page is built.

#include "pages/StandInPage.h"

class CKV90T1_SetupBitSyncChannelDlg : public StandInPage {
public:
    CKV90T1_SetupBitSyncChannelDlg(CKV90T1_Comm*, uint32_t channel, int, QWidget* parent)
        : StandInPage(ChannelCaption("Setup CH%u", channel), parent) {}
};
