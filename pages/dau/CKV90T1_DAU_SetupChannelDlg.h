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
          m_nChannel(channel < 2 ? channel : 0),
          m_bSavedContinuousAdc(g_bContinuousAdc[m_nChannel].load()) {}

    void SetUseEthernet(int useEthernet) { m_bUseEthernet = useEthernet; }

    // ADC polling stops while the page is hidden; its flag is kept until the page is shown.
    void OnLeaving() override { m_bSavedContinuousAdc = g_bContinuousAdc[m_nChannel].exchange(0); }
    int SavedContinuousAdc() const { return m_bSavedContinuousAdc; }

private:
    const uint32_t m_nChannel;
    int m_bSavedContinuousAdc;
    int m_bUseEthernet = 0;
};
