#pragma once
// The PCM/FM channel page (modes 2 and 4), two instances: channel 1 and channel 2.

#include "pages/setup/PcmFmPage.h"

class CKV90T1_SetupPCMFM_ChannelDlg : public setup::PcmFmPage {
    Q_OBJECT
public:
    // A channel index above 1 stands for channel 1.
    CKV90T1_SetupPCMFM_ChannelDlg(CKV90T1_Comm* comm, uint32_t channel, int skipInitialRead,
                                  QWidget* parent);
};
