#pragma once
// Stand-in until the communications page is built: it keeps the values the page host gives it
// and offers the page's five refresh operations.

#include "pages/StandInPage.h"

class CKV90T_ComPort : public StandInPage {
public:
    CKV90T_ComPort(CKV90T1_Comm*, int, int useEthernet, QWidget* parent)
        : StandInPage("Comm Port", parent), m_bUseEthernet(useEthernet) {}

    void SetDeviceIpAddress(const std::string& address) { m_strDeviceIpAddress = address; }

    void ShowLinkLamp() {}
    void ShowPort() {}
    void ShowBaudRate() {}
    void ShowLinkChoice() {}
    void ShowAddress() {}

private:
    int m_bUseEthernet;
    std::string m_strDeviceIpAddress;
};
