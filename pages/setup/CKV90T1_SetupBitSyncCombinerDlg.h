#pragma once
// The bit-sync combiner page (mode 1): a title only; showing it reads the combiner path back.

#include "pages/setup/SetupPage.h"

class CKV90T1_SetupBitSyncCombinerDlg : public setup::SetupPage {
    Q_OBJECT
public:
    CKV90T1_SetupBitSyncCombinerDlg(CKV90T1_Comm* comm, int skipInitialRead, QWidget* parent);

    void RefreshFromDevice() override;
};
