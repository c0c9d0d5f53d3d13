#pragma once
// Stand-in until this page is built.

#include "pages/StandInPage.h"

class CKV90T1_SetupBitSyncCombinerDlg : public StandInPage {
public:
    CKV90T1_SetupBitSyncCombinerDlg(CKV90T1_Comm*, int, QWidget* parent)
        : StandInPage("Setup Combiner", parent) {}
};
