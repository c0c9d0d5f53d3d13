#pragma once
// Stand-in until this page is built.

#include "pages/StandInPage.h"

class CKV90T1_DAU_BIT_Dlg : public StandInPage {
public:
    CKV90T1_DAU_BIT_Dlg(CKV90T1_Comm*, int, QWidget* parent) : StandInPage("  BIT", parent) {}
    void SetUseEthernet(int useEthernet) { m_bUseEthernet = useEthernet; }

private:
    int m_bUseEthernet = 0;
};
