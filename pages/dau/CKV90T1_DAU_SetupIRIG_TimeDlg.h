#pragma once
// Stand-in until this page is built.

#include "pages/StandInPage.h"

class CKV90T1_DAU_SetupIRIG_TimeDlg : public StandInPage {
public:
    CKV90T1_DAU_SetupIRIG_TimeDlg(CKV90T1_Comm*, int, QWidget* parent)
        : StandInPage(" Time", parent) {}
    void SetUseEthernet(int useEthernet) { m_bUseEthernet = useEthernet; }

private:
    int m_bUseEthernet = 0;
};
