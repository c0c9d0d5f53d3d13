#pragma once
// The multi-h CPM combiner page (mode 6), for the combiner path.

#include "pages/setup/SetupPage.h"

class CKV90T1_SetupMHCPM_CombinerDlg : public setup::SetupPage {
    Q_OBJECT
public:
    CKV90T1_SetupMHCPM_CombinerDlg(CKV90T1_Comm* comm, int skipInitialRead, QWidget* parent);
};
