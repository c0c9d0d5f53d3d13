#pragma once
// Stand-in until this page is built.

#include "pages/StandInPage.h"

class CKV90T1_SetupPSK_CombinerDlg : public StandInPage {
public:
    CKV90T1_SetupPSK_CombinerDlg(CKV90T1_Comm*, int, QWidget* parent)
        : StandInPage("Setup Combiner", parent) {}
};
