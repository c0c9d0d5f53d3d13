#include "app/CKV90TApp.h"

#include <cerrno>
#include <cstring>

#include "app/TimePeriod.h"
#include "link/CNetworkDeviceComm.h"
#include "link/CSerialCom.h"
#include "platform/program_folder.h"
#include "protocol/CKV90T1_Comm.h"
#include "shell/CKV90TDlg.h"
#include "shell/baud_rates.h"
#include "shell/registry_report.h"
#include "sim/KV90TSimulation.h"
#include "sim/SimServer.h"
#include "ui/Format.h"
#include "ui/MessageBoxes.h"

using platform::REG_DWORD;
using platform::REG_SZ;
using shell::RegistryMessage;
using shell::ReportRegistryFailure;

namespace {

constexpr size_t kTextBufferSize = 260;

}  // namespace

CKV90TApp::CKV90TApp(std::vector<std::string> args) : m_args(std::move(args)) {}

CKV90TApp::~CKV90TApp() {
    m_pComm.reset();
    m_pLink.reset();
    if (m_pDemoServer) {
        m_pDemoServer->Stop();
    }
}

void CKV90TApp::UseDemoDevice(const sim::Profile& profile, sim::Scenario scenario) {
    m_pDemoDevice = std::make_unique<sim::SimDevice>();
    m_pDemoSimulation = std::make_unique<sim::KV90TSimulation>(*m_pDemoDevice, profile);
    m_pDemoSimulation->SetScenario(scenario);
    m_pDemoServer = std::make_unique<sim::SimServer>(*m_pDemoDevice);
    if (m_pDemoServer->ListenTcp(0)) {
        m_pDemoServer->Start();
    }
}

bool CKV90TApp::ReadDword(const platform::SettingsKey& key, const char* name, uint32_t* value,
                          bool* wellFormed) {
    uint8_t data[4] = {};
    uint32_t type = 0;
    uint32_t size = sizeof data;
    const long error = key.QueryValue(name, &type, data, &size);
    if (error == ENOENT) {
        return false;
    }
    if (error != 0) {
        ReportRegistryFailure("RegQueryValueEx()", error);
        return false;
    }
    const bool dword = type == REG_DWORD && size == 4;
    if (wellFormed != nullptr) {
        *wellFormed = dword;
    }
    if (!dword) {
        RegistryMessage(
            ui::Printf("RegQueryValueEx() for REG_DWORD, Type = %u, Count = %u", type, size));
    }
    std::memcpy(value, data, 4);
    return true;
}

void CKV90TApp::ReadText(const platform::SettingsKey& key, const char* name, std::string* text,
                         const char* fallback) {
    char data[kTextBufferSize] = {};
    uint32_t type = 0;
    uint32_t size = sizeof data;
    const long error = key.QueryValue(name, &type, reinterpret_cast<uint8_t*>(data), &size);
    *text = fallback;
    if (error == ENOENT) {
        return;
    }
    if (error != 0) {
        ReportRegistryFailure("RegQueryValueEx()", error);
    } else if (type != REG_SZ || size > kTextBufferSize) {
        RegistryMessage(
            ui::Printf("RegQueryValueEx() for REG_SZ: Type = %u, Count = %u", type, size));
    } else if (const size_t length = strnlen(data, size); length + 1 < size) {
        // A NUL before the end would silently cut the value short.
        RegistryMessage(ui::Printf("The saved %s holds a NUL character; it is not used.", name));
    } else {
        *text = std::string(data, length);
    }
}

// Values the settings file holds but that cannot be read are named once at start; they stay
// in the file until the operator saves new ones.
void CKV90TApp::ReportUnreadableValues(const platform::SettingsKey& key) {
    std::string names;
    for (const std::string& name : key.UnreadableValues()) {
        names += (names.empty() ? "" : ", ") + name;
    }
    if (!names.empty()) {
        RegistryMessage("The saved settings hold values that cannot be read: " + names +
                        ". Defaults are used for them until new ones are saved.");
    }
}

int CKV90TApp::ReadSavedSettings() {
    platform::SettingsKey key;
    if (const long error = key.Create(kRegistryKey); error != 0) {
        ReportRegistryFailure("RegCreateKeyEx()", error);
        return 0;
    }
    ReportUnreadableValues(key);
    uint32_t value = 0;
    m_bUseEthernet = ReadDword(key, "USE_ETHERNET", &value) ? static_cast<int>(value) : 0;
    m_bSkipInitialRead = ReadDword(key, "NO_INIT_STATUS", &value) ? static_cast<int>(value) : 0;
    // The address is read for either link, so that the communications page offers the saved
    // one. Over a serial link none is made up: a serial save then leaves the stored value alone.
    ReadText(key, "ETHERNET_IP_ADDR", &m_strDeviceIpAddress,
             m_bUseEthernet != 0 ? kDefaultIpAddress : "");
    m_strDeviceIpAddress = ui::TrimBlanks(m_strDeviceIpAddress);  // as an editor may leave it
    if (m_bUseEthernet == 0) {
        ReadText(key, "COM_PORT", &m_strComPort, "COM1");
        bool wellFormed = false;
        if (ReadDword(key, "BAUD_RATE", &value, &wellFormed)) {
            // A value of the wrong type or size has had its message; the rate is not checked.
            if (wellFormed && shell::BaudRateRow(value) < 0) {
                RegistryMessage(ui::Printf("Invalid BAUD Rate value: %u", value));
            }
            m_nBaudRate = value;
        } else {
            m_nBaudRate = 57600;
        }
    }
    if (const long error = key.Close(); error != 0) {
        ReportRegistryFailure("RegCloseKey()", error);
        return 0;
    }
    return 1;
}

void CKV90TApp::ParseCommandLine() {
    for (size_t i = 1; i < m_args.size(); ++i) {
        const std::string& arg = m_args[i];
        if (arg.find("NO_INIT_STATUS=") != std::string::npos && arg.size() > 15 && arg[15] == '1') {
            m_bSkipInitialRead = 1;
        }
        if (arg.find("ETHERNET_IP_ADDR=") != std::string::npos && arg.size() > 22) {
            m_strDeviceIpAddress = arg.substr(arg.find('=') + 1);
        }
    }
}

void CKV90TApp::OpenSerialLink() {
    auto link =
        std::make_unique<CSerialCom>(CSerialCom::ConsoleSettings(m_strComPort, m_nBaudRate));
    const bool usable = link->PrepareAsConsole();
    if (link->PermissionDenied()) {
        // The most common first-run problem: said at once, with the way out.
        ui::MessageBox(nullptr, link->FailureText(), "Serial Port Error");
    }
    m_pLink = std::move(link);
    m_pComm = std::make_unique<CKV90T1_Comm>(m_pLink.get());
    m_bDeviceAnswered = usable && m_pComm->SendNullCommand() != 0 && m_pComm->m_nLastStatus != 0;
}

void CKV90TApp::OpenDeviceLink() {
    if (m_bUseEthernet == 0) {
        OpenSerialLink();
        return;
    }
    m_pLink = std::make_unique<CNetworkDeviceComm>(m_strDeviceIpAddress.c_str(), m_nDevicePort);
    m_pComm = std::make_unique<CKV90T1_Comm>(m_pLink.get());
}

bool CKV90TApp::InitInstance() {
    const TimePeriod timePeriod;
    m_strProgramFolder = platform::ProgramFolder(m_strDataFolder);
    if (m_pDemoServer) {
        ParseCommandLine();  // NO_INIT_STATUS=1 applies; the device is the simulated one
        m_bUseEthernet = 1;
        m_strDeviceIpAddress = "127.0.0.1";
        m_nDevicePort = m_pDemoServer->TcpPort();
    } else {
        ReadSavedSettings();
        ParseCommandLine();
    }
    OpenDeviceLink();
    {
        CKV90TDlg window(m_pComm.get(), m_bSkipInitialRead);
        window.SetProgramFolder(m_strProgramFolder);
        window.SetUseEthernet(m_bUseEthernet);
        window.SetDeviceIpAddress(m_strDeviceIpAddress);
        window.SetSavesSettings(!m_pDemoServer);
        if (m_pMetricsRegistry != nullptr) {
            window.ServeMetrics(m_pMetricsRegistry);
        }
        window.WatchAlarms(alarms::LimitLibrary(alarms::LimitLibrary::DefaultFolder()));
        if (!m_bDeviceAnswered) {
            window.SetInitialPageKind(kCommPageKind);
        }
        if (std::string error; m_bStatusLog && !window.StartStatusLog(&error)) {
            ui::MessageBox(nullptr, "Cannot start the status log: " + error, "Status Log Error");
        }
        window.exec();
    }
    return false;
}
