#pragma once
// Stand-in until this page is built.

#include <atomic>

#include "pages/StandInPage.h"

// Whether each DAU channel's ADC bins are updated continuously (read by its Request Data
// thread).
extern std::atomic<int> g_bContinuousAdc[2];

class CKV90T1_DAU_SetupChannelDlg : public StandInPage {
public:
    CKV90T1_DAU_SetupChannelDlg(CKV90T1_Comm*, uint32_t channel, int, QWidget* parent)
        : StandInPage(ChannelCaption("Setup Rcvr%u", channel), parent),
          m_bSavedContinuousAdc(g_bContinuousAdc[channel < 2 ? channel : 0].load()) {}

    void SetUseEthernet(int useEthernet) { m_bUseEthernet = useEthernet; }

    // The channel's continuous ADC flag, kept while the page is hidden.
    int m_bSavedContinuousAdc;

private:
    int m_bUseEthernet = 0;
};
