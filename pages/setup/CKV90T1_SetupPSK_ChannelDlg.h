#pragma once
// The PSK channel page (modes 3, 5, 8 to 10, 12 to 14 and unknown codes), two instances.

#include "pages/setup/SetupPage.h"

class CKV90T1_SetupPSK_ChannelDlg : public setup::SetupPage {
    Q_OBJECT
public:
    // A channel index above 1 stands for channel 1.
    CKV90T1_SetupPSK_ChannelDlg(CKV90T1_Comm* comm, uint32_t channel, int skipInitialRead,
                                QWidget* parent);
};
