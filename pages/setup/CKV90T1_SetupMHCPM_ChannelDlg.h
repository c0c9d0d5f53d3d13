#pragma once
// The multi-h CPM channel page (mode 6), two instances.

#include "pages/setup/SetupPage.h"

class CKV90T1_SetupMHCPM_ChannelDlg : public setup::SetupPage {
    Q_OBJECT
public:
    // A channel index above 1 stands for channel 1.
    CKV90T1_SetupMHCPM_ChannelDlg(CKV90T1_Comm* comm, uint32_t channel, int skipInitialRead,
                                  QWidget* parent);
};
