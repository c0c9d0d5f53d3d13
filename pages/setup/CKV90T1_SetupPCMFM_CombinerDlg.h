#pragma once
// The PCM/FM combiner page (modes 2 and 4), for the combiner path.

#include "pages/setup/PcmFmPage.h"

class CKV90T1_SetupPCMFM_CombinerDlg : public setup::PcmFmPage {
    Q_OBJECT
public:
    CKV90T1_SetupPCMFM_CombinerDlg(CKV90T1_Comm* comm, int skipInitialRead, QWidget* parent);
};
