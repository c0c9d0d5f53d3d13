#pragma once
// The communications page: chooses the serial port and rate or the device's IP address, tests a
// serial setting on the program's own link, and saves the connection settings.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "link/CBaseClass.h"
#include "ui/CPage.h"

class CKV90T1_Comm;

class CKV90T_ComPort : public ui::CPage {
    Q_OBJECT
public:
    CKV90T_ComPort(CKV90T1_Comm* comm, int skipInitialRead, int useEthernet, QWidget* parent);

    void SetDeviceIpAddress(const std::string& address) { m_strDeviceIpAddress = address; }
    // A demonstration: the page changes the link but writes no settings.
    void SetSavesSettings(bool saves) { m_bSavesSettings = saves; }

    // The five refresh operations, in their order.
    void RefreshFromDevice() override;
    void ShowLinkLamp();
    void ShowPort();
    void ShowBaudRate();
    void ShowLinkChoice();
    void ShowAddress();
    // A line under the settings: what a save means for the running link, or why the start-up
    // left only this page.
    void SetNote(const std::string& text);

    // While the start-up has left only this page: a Test that reaches the device, or Start
    // Again over the running link, calls `retry` to run the start-up again. Null ends the offer.
    void OfferStartUpRetry(std::function<void()> retry);

    // Writes the connection settings; false when the key could not be opened or closed.
    bool SaveSettings();
    // After a save: whether the running link is another than the one saved.
    void NoteRestart();

private:
    void InitDialog();
    void AddRules();
    void FindPorts();
    void SelectCurrentPortAndRate();
    void Test();
    // Reopens the program's serial link with list entry `port`; false after a failure box.
    bool ReopenLink(size_t port);
    void RetryStartUp();

    CKV90T1_Comm* m_pComm;
    [[maybe_unused]] int m_bSkipInitialRead;  // reads nothing either way
    // The link's port is not in the list (or the link is TCP): the port edit stays empty at
    // position 0 until the operator moves the selector.
    bool m_bPortUnknown = false;
    std::vector<SerialPortSettings> m_Ports;
    std::string m_strComPort = "COM1";
    uint32_t m_nBaudRate = 57600;
    int m_bUseEthernet;
    bool m_bSavesSettings = true;
    std::string m_strDeviceIpAddress;
    std::function<void()> m_retryStartUp;
};
