#pragma once
// The application object: reads the saved connection settings and the command line, opens the
// device link, creates the protocol object, tests a serial link with the null command and runs
// the main window.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/settings_store.h"
#include "shell/registry_report.h"
#include "sim/Scenario.h"

class CBaseClass;
class CKV90T1_Comm;

namespace prometheus {
class Registry;
}  // namespace prometheus

namespace sim {
class SimDevice;
class KV90TSimulation;
class SimServer;
struct Profile;
}  // namespace sim

class CKV90TApp {
public:
    static constexpr const char* kRegistryKey = shell::kRegistryKey;
    static constexpr const char* kDefaultIpAddress = platform::kDefaultDeviceAddress;
    static constexpr uint16_t kDevicePort = 5000;
    static constexpr int kCommPageKind = 6;

    // `args` is the command line, the program path first.
    explicit CKV90TApp(std::vector<std::string> args);
    ~CKV90TApp();

    // Runs the console on a simulated device started in this process on loopback, instead of
    // the saved settings.
    void UseDemoDevice(const sim::Profile& profile, sim::Scenario scenario = sim::Scenario::kNone);
    // Writes sampling files, conversions and downloads there instead of the program folder.
    void SetDataFolder(std::string folder) { m_strDataFolder = std::move(folder); }
    // Starts the status log with the main window (--status-log).
    void SetStatusLog(bool on) { m_bStatusLog = on; }
    // Serves the receiver's metrics from the polls into `registry` (--metrics).
    void SetMetricsRegistry(std::shared_ptr<prometheus::Registry> registry) {
        m_pMetricsRegistry = std::move(registry);
    }

    // The whole start: settings, link, null command, main window; returns when the window has
    // closed. Returns false as the application framework expects.
    bool InitInstance();

    // The start-up steps before the main window, in order.
    int ReadSavedSettings();
    void ParseCommandLine();
    void OpenDeviceLink();

    // Fields, in the order of the original.
    std::string m_strProgramFolder;
    int m_bSkipInitialRead = 0;
    int m_bUseEthernet = 0;
    std::string m_strComPort = "COM1";
    uint32_t m_nBaudRate = 57600;
    std::string m_strDeviceIpAddress;
    uint16_t m_nDevicePort = kDevicePort;

    std::unique_ptr<CBaseClass> m_pLink;
    std::unique_ptr<CKV90T1_Comm> m_pComm;
    // Whether the null command was sent and answered exactly.
    bool m_bDeviceAnswered = false;
    std::shared_ptr<prometheus::Registry> m_pMetricsRegistry;

private:
    // Reads a REG_DWORD setting; false when it is missing or failed (then `value` is kept).
    // *wellFormed says whether it was a REG_DWORD of 4 bytes (else its message was shown).
    bool ReadDword(const platform::SettingsKey& key, const char* name, uint32_t* value,
                   bool* wellFormed = nullptr);
    // Reads a REG_SZ setting; `fallback` when it is missing or cannot be read (said in a box).
    void ReadText(const platform::SettingsKey& key, const char* name, std::string* text,
                  const char* fallback);
    static void ReportUnreadableValues(const platform::SettingsKey& key);
    void OpenSerialLink();

    std::vector<std::string> m_args;
    std::string m_strDataFolder;
    bool m_bStatusLog = false;
    std::unique_ptr<sim::SimDevice> m_pDemoDevice;
    std::unique_ptr<sim::KV90TSimulation> m_pDemoSimulation;
    std::unique_ptr<sim::SimServer> m_pDemoServer;
};
