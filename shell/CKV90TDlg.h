#pragma once
// The main window: reads the device's identity and configuration when it opens and shows them.

#include <string>

#include "ui/CDialog.h"

class CKV90T1_Comm;

class CKV90TDlg : public ui::CDialog {
    Q_OBJECT
public:
    CKV90TDlg(CKV90T1_Comm* comm, int skipInitialRead, QWidget* parent = nullptr);

    void SetProgramFolder(const std::string& folder) { m_strProgramFolder = folder; }
    void SetUseEthernet(int useEthernet) { m_bUseEthernet = useEthernet; }
    void SetDeviceIpAddress(const std::string& address) { m_strDeviceIpAddress = address; }
    void SetInitialPageKind(int kind) { m_nInitialPageKind = kind; }

    // Whether the start-up reads found a device.
    bool DeviceAnswered() const { return m_bDeviceAnswered; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void ReadDevice();
    void ShowIdentity();

    CKV90T1_Comm* m_pComm;
    int m_bSkipInitialRead;
    std::string m_strProgramFolder;
    int m_bUseEthernet = 0;
    std::string m_strDeviceIpAddress;
    int m_nInitialPageKind = 0;
    bool m_bStarted = false;
    bool m_bDeviceAnswered = false;
};
