#include "shell/CKV90T_ComPort.h"

#include <QLabel>

#include <strings.h>

#include <cstdio>

#include "link/CNetworkDeviceComm.h"
#include "platform/beep.h"
#include "platform/serial_ports.h"
#include "platform/settings_store.h"
#include "protocol/CKV90T1_Comm.h"
#include "resources/resource_ids.h"
#include "resources/templates.h"
#include "shell/baud_rates.h"
#include "shell/registry_report.h"
#include "ui/Format.h"
#include "ui/MessageBoxes.h"
#include "ui/WaitCursor.h"

using namespace res;

namespace {

constexpr int kDefaultBaudRow = 11;  // 57600
constexpr int kReconnectTimeoutMs = 2000;
constexpr int kSerialControls[] = {IDC_PORT_UPDOWN, IDC_PORT,        IDC_BAUD_UPDOWN,
                                   IDC_BAUD,        IDC_TEST,        IDC_LINK_GREEN,
                                   IDC_LINK_RED,    IDC_SERIAL_GROUP};
constexpr int kEthernetControls[] = {IDC_ETHERNET_GROUP, IDC_IP_ADDRESS, IDC_SAVE};

void PortError(const char* text) {
    ui::MessageBox(nullptr, text, "Com Port Error", ui::MessageIcon::Error);
}

}  // namespace

CKV90T_ComPort::CKV90T_ComPort(CKV90T1_Comm* comm, int skipInitialRead, int useEthernet,
                               QWidget* parent)
    : ui::CPage(res::ComPortTemplate(), parent),
      m_pComm(comm),
      m_bSkipInitialRead(skipInitialRead),
      m_bUseEthernet(useEthernet) {
    AddRules();
    InitDialog();
    if (auto* note = qobject_cast<QLabel*>(Control(IDC_COMM_NOTE))) {
        note->setWordWrap(true);
    }
    Show(IDC_COMM_RETRY, false);
}

void CKV90T_ComPort::FindPorts() {
    for (const std::string& name : platform::EnumerateSerialPorts()) {
        SerialPortSettings port;
        std::snprintf(port.portName, sizeof port.portName, "%.6s", name.c_str());
        port.requestedBaudRate = m_nBaudRate;
        if (platform::GetDefaultCommConfig(platform::SerialDevicePath(name).c_str(),
                                           &port.defaultConfig)) {
            m_Ports.push_back(port);
        }
    }
}

void CKV90T_ComPort::InitDialog() {
    setWindowTitle("Comm Port");
    FindPorts();
    if (m_bUseEthernet == 0 && m_Ports.empty()) {
        ui::MessageBox(this, "No Serial Ports found.", "Serial Port Error", ui::MessageIcon::Error);
        return;
    }
    SetRange(IDC_PORT_UPDOWN, 0, static_cast<int>(m_Ports.size()) - 1);
    SetRange(IDC_BAUD_UPDOWN, 0, shell::kBaudRateCount - 1);
    SelectCurrentPortAndRate();
    ShowLinkLamp();
    ShowPort();
    ShowBaudRate();
    ShowLinkChoice();
    ShowAddress();
}

void CKV90T_ComPort::SelectCurrentPortAndRate() {
    SetPos(IDC_PORT_UPDOWN, 0);
    SetPos(IDC_BAUD_UPDOWN, kDefaultBaudRow);
    CBaseClass* link = m_pComm->GetDeviceLink();
    if (link == nullptr || link->GetLinkType() != 1) {
        m_bPortUnknown = true;
        return;
    }
    const SerialPortSettings* settings = link->GetPortSettings();
    m_strComPort = settings->portName;
    m_bPortUnknown = true;
    for (size_t i = 0; i < m_Ports.size(); ++i) {
        if (strcasecmp(m_Ports[i].portName, settings->portName) == 0) {
            SetPos(IDC_PORT_UPDOWN, static_cast<int>(i));
            m_bPortUnknown = false;
        }
    }
    const int row = shell::BaudRateRow(settings->defaultConfig.dcb.BaudRate);
    SetPos(IDC_BAUD_UPDOWN, row >= 0 ? row : kDefaultBaudRow);
}

void CKV90T_ComPort::ShowLinkLamp() {
    if (m_bUseEthernet != 0) {
        Show(IDC_LINK_GREEN, false);
        Show(IDC_LINK_RED, false);
    } else if (m_pComm->m_nLastStatus != 0) {
        ShowLamp(IDC_LINK_GREEN);
        platform::Beep(1000, 100);
    } else {
        ShowLamp(IDC_LINK_RED);
        platform::Beep(100, 100);
    }
}

void CKV90T_ComPort::ShowPort() {
    const size_t position = static_cast<size_t>(std::max(0, Pos(IDC_PORT_UPDOWN)));
    const bool shown = !m_bPortUnknown && position < m_Ports.size();
    SetText(IDC_PORT, shown ? m_Ports[position].portName : "");
}

void CKV90T_ComPort::ShowBaudRate() {
    const int row = Pos(IDC_BAUD_UPDOWN);
    SetText(IDC_BAUD, row >= 0 && row < shell::kBaudRateCount ? shell::kBaudRates[row].label : "");
}

void CKV90T_ComPort::ShowLinkChoice() {
    const bool serial = m_bUseEthernet == 0;
    for (int id : kSerialControls) {
        Enable(id, serial);
    }
    for (int id : kEthernetControls) {
        Enable(id, !serial);
    }

    SetCheck(IDC_USE_SERIAL, serial);
    SetCheck(IDC_USE_ETHERNET, !serial);
}

// With no address saved the page offers the one the console would use.
void CKV90T_ComPort::ShowAddress() {
    const std::string& address =
        m_strDeviceIpAddress.empty() ? platform::kDefaultDeviceAddress : m_strDeviceIpAddress;
    SetText(IDC_IP_ADDRESS, ui::FormatIpAddress(ui::ParseIpAddress(address)));
}

bool CKV90T_ComPort::SaveSettings() {
    if (!m_bSavesSettings) {
        return true;  // a demonstration leaves the saved settings alone
    }
    if (m_bUseEthernet != 0 && !ui::OctetsInRange(Text(IDC_IP_ADDRESS))) {
        ui::MessageBox(this, "The IP address is not valid.", "Network Error",
                       ui::MessageIcon::Error);
        return false;
    }
    platform::SettingsKey key;
    if (const long error = key.Create(shell::kRegistryKey); error != 0) {
        shell::ReportRegistryFailure("RegCreateKeyEx()", error);
        return false;
    }
    // A serial save writes the address only when the page knows one: one it never read (the
    // start-up reads it for Ethernet only) is not written over the stored one as 0.0.0.0.
    std::vector<platform::SettingsValue> values;
    if (m_bUseEthernet == 0) {
        values.push_back(platform::TextSetting("COM_PORT", m_strComPort));
        values.push_back(platform::DwordSetting("BAUD_RATE", m_nBaudRate));
        if (!m_strDeviceIpAddress.empty()) {
            values.push_back(platform::TextSetting("ETHERNET_IP_ADDR", m_strDeviceIpAddress));
        }
    } else {
        m_strDeviceIpAddress = ui::FormatIpAddress(ui::ParseIpAddress(Text(IDC_IP_ADDRESS)));
        values.push_back(platform::TextSetting("ETHERNET_IP_ADDR", m_strDeviceIpAddress));
    }
    values.push_back(platform::DwordSetting("USE_ETHERNET", m_bUseEthernet != 0 ? 1 : 0));
    if (const long error = key.SetValues(values); error != 0) {
        shell::ReportRegistryFailure("RegSetValueEx()", error);
    }
    if (const long error = key.Close(); error != 0) {
        shell::ReportRegistryFailure("RegCloseKey()", error);
        return false;
    }
    return true;
}

bool CKV90T_ComPort::ReopenLink(size_t port) {
    CBaseClass* link = m_pComm->GetDeviceLink();
    link->ClosePort();
    // No port to choose from opens nothing.
    if (port >= m_Ports.size()) {
        PortError("Cannot open Com Port.");
        return false;
    }
    m_strComPort = m_Ports[port].portName;
    m_Ports[port].requestedBaudRate = m_nBaudRate;
    m_Ports[port].byteSize = 8;
    m_Ports[port].parity = platform::NOPARITY;
    m_Ports[port].stopBits = platform::ONESTOPBIT;
    *link->GetPortSettings() = m_Ports[port];
    if (link->OpenPort() == 0) {
        PortError("Cannot open Com Port.");
        return false;
    }
    if (link->ConfigurePort() == 0) {
        PortError("Cannot configure Com Port.");
        return false;
    }
    if (link->SetCommunicationTimeouts(0, 200, 0, 0, 0) == 0) {
        PortError("Cannot set Com Port Timeouts.");
        return false;
    }
    return true;
}

void CKV90T_ComPort::OfferStartUpRetry(std::function<void()> retry) {
    m_retryStartUp = std::move(retry);
    Show(IDC_COMM_RETRY, m_retryStartUp != nullptr);
}

// Start Again: over the running link, whose TCP connection is made anew first.
void CKV90T_ComPort::RetryStartUp() {
    if (auto* tcp = dynamic_cast<CNetworkDeviceComm*>(m_pComm->GetDeviceLink())) {
        const ui::WaitCursor wait;
        tcp->Reconnect(kReconnectTimeoutMs);
    }
    if (m_retryStartUp) {
        m_retryStartUp();
    }
}

void CKV90T_ComPort::Test() {
    const int row = Pos(IDC_BAUD_UPDOWN);
    m_nBaudRate =
        shell::kBaudRates[row >= 0 && row < shell::kBaudRateCount ? row : kDefaultBaudRow].rate;
    if (!ReopenLink(static_cast<size_t>(std::max(0, Pos(IDC_PORT_UPDOWN))))) {
        return;
    }
    m_pComm->GetDeviceLink()->DrainInput();
    const bool answered = m_pComm->SendNullCommand() != 0 && m_pComm->m_nLastStatus != 0;
    ShowLinkLamp();
    if (answered) {
        SaveSettings();
        if (m_retryStartUp) {
            m_retryStartUp();
        }
    }
}

void CKV90T_ComPort::SetNote(const std::string& text) {
    SetText(IDC_COMM_NOTE, text);
}

// The settings are read at start: a saved link other than the running one is used from the
// next start on, and the page says so rather than leave the operator waiting for it.
void CKV90T_ComPort::NoteRestart() {
    if (!m_bSavesSettings) {
        SetNote("A demonstration saves no settings.");
        return;
    }
    CBaseClass* link = m_pComm->GetDeviceLink();
    const bool runningEthernet =
        link != nullptr && link->GetLinkType() != CBaseClass::kSerialLinkType;
    const bool same = runningEthernet == (m_bUseEthernet != 0) &&
                      (!runningEthernet || m_strDeviceIpAddress == link->GetRemoteAddress());
    SetNote(same ? "" : "Saved. The console uses the new connection when it is started again.");
}

void CKV90T_ComPort::RefreshFromDevice() {
    ShowLinkLamp();
    ShowPort();
    ShowBaudRate();
    ShowLinkChoice();
    ShowAddress();
}

// The page's controls act on the program's own link and settings: no drain, no beep.
void CKV90T_ComPort::AddRules() {
    AddRule(IDC_TEST, ui::QuietRule([this] { Test(); }));
    AddRule(IDC_COMM_RETRY, ui::QuietRule([this] { RetryStartUp(); }));
    AddRule(IDC_SAVE, ui::QuietRule([this] {
                if (SaveSettings()) {
                    NoteRestart();
                }
                ShowLinkLamp();
            }));
    for (int id : {IDC_USE_SERIAL, IDC_USE_ETHERNET}) {
        AddRule(id, ui::QuietRule([this, id] {
                    m_bUseEthernet = id == IDC_USE_ETHERNET ? 1 : 0;
                    if (SaveSettings()) {
                        NoteRestart();
                    }
                    ShowLinkChoice();
                }));
    }
    AddRule(IDC_PORT_UPDOWN, ui::QuietRule([this] {
                m_bPortUnknown = false;
                ShowPort();
            }));
    AddRule(IDC_BAUD_UPDOWN, ui::QuietRule([this] { ShowBaudRate(); }));
}
