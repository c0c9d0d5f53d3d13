#pragma once
// The PSK combiner page, for the combiner path; disabled on a device without a combiner.

#include "pages/setup/SetupPage.h"

class CKV90T1_SetupPSK_CombinerDlg : public setup::SetupPage {
    Q_OBJECT
public:
    CKV90T1_SetupPSK_CombinerDlg(CKV90T1_Comm* comm, int skipInitialRead, QWidget* parent);
};
