#include <gtest/gtest.h>

#include <sys/wait.h>
#include "ui/Format.h"

#include <QApplication>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/CKV90TApp.h"
#include "link/CBaseClass.h"
#include "metrics/endpoint.h"
#include "platform/debug_output.h"
#include "platform/program_folder.h"
#include "platform/serial_ports.h"
#include "platform/settings_store.h"
#include "protocol/CKV90T1_Comm.h"
#include "resources/resource_ids.h"
#include "shell/CKV90TDlg.h"
#include "tests/support/Http.h"
#include "tests/support/SimulatedDevice.h"
#include "ui/MessageBoxes.h"

namespace {

class StartUp : public ::testing::Test {
protected:
    void SetUp() override {
        m_file = m_folder.Path() + "/kv90t.reg";
        ::setenv("KV90T_SETTINGS", m_file.c_str(), 1);
    }
    void TearDown() override { ::unsetenv("KV90T_SETTINGS"); }

    void Store(const char* name, uint32_t value) {
        platform::SettingsKey key;
        ASSERT_EQ(key.Create(CKV90TApp::kRegistryKey), 0);
        ASSERT_EQ(key.SetValue(name, platform::REG_DWORD, reinterpret_cast<uint8_t*>(&value), 4),
                  0);
    }
    void Store(const char* name, const std::string& text) {
        platform::SettingsKey key;
        ASSERT_EQ(key.Create(CKV90TApp::kRegistryKey), 0);
        ASSERT_EQ(
            key.SetValue(name, platform::REG_SZ, reinterpret_cast<const uint8_t*>(text.c_str()),
                         static_cast<uint32_t>(text.size() + 1)),
            0);
    }
    // Reads the settings and the command line as the start does.
    CKV90TApp& Start(std::vector<std::string> args = {"kv90t"}) {
        m_app = std::make_unique<CKV90TApp>(std::move(args));
        m_app->ReadSavedSettings();
        m_app->ParseCommandLine();
        return *m_app;
    }
    std::vector<std::string> Messages() const {
        std::vector<std::string> texts;
        for (const auto& message : m_boxes.Messages()) {
            EXPECT_EQ(message.title, "Registry Error");
            texts.push_back(message.text);
        }
        return texts;
    }

    testsupport::TempDir m_folder;
    std::string m_file;
    ui::DialogInterceptor m_boxes;
    std::unique_ptr<CKV90TApp> m_app;
};

}  // namespace

TEST_F(StartUp, EmptyKeyAndNoArgumentsGiveComOneAt57600WithPolling) {
    CKV90TApp& app = Start();
    EXPECT_EQ(app.m_bUseEthernet, 0);
    EXPECT_EQ(app.m_strComPort, "COM1");
    EXPECT_EQ(app.m_nBaudRate, 57600u);
    EXPECT_EQ(app.m_bSkipInitialRead, 0);
    EXPECT_TRUE(Messages().empty());
    std::ifstream file(m_file);
    EXPECT_TRUE(file.good());
}

TEST_F(StartUp, UnusableSettingsFolderIsReportedOnceThenDefaultsAreUsed) {
    std::ofstream(m_folder.Path() + "/plain") << "x";
    ::setenv("KV90T_SETTINGS", (m_folder.Path() + "/plain/kv90t.reg").c_str(), 1);
    CKV90TApp& app = Start();
    EXPECT_EQ(Messages(),
              std::vector<std::string>{"RegCreateKeyEx() returned:20, Meaning: Not a directory"});
    EXPECT_EQ(app.m_strComPort, "COM1");
    EXPECT_EQ(app.m_nBaudRate, 57600u);
}

TEST_F(StartUp, BaudRateOutsideTheTableIsReportedAndUsedToOpenThePort) {
    testsupport::SimulatedDevice device;
    Store("COM_PORT", std::string("COM5"));
    Store("BAUD_RATE", 1000u);
    CKV90TApp& app = Start();
    EXPECT_EQ(Messages(), std::vector<std::string>{"Invalid BAUD Rate value: 1000"});
    app.OpenDeviceLink();
    platform::DeviceControlBlock applied;
    ASSERT_TRUE(device.Server().PtyLineState(&applied));
    EXPECT_EQ(applied.BaudRate, 1000u);
    EXPECT_TRUE(app.m_bDeviceAnswered);
    EXPECT_EQ(app.m_pComm->m_nDefaultTimeout, 1000);
}

TEST_F(StartUp, SerialDeviceThatDoesNotAnswerLeavesTheLinkUnverified) {
    testsupport::SimulatedDevice device;
    device.Device().InjectFault(sim::MakeFault(sim::FaultKind::WrongNullReply));
    Store("COM_PORT", std::string("COM5"));
    CKV90TApp& app = Start();
    app.OpenDeviceLink();
    EXPECT_FALSE(app.m_bDeviceAnswered);
    EXPECT_EQ(app.m_pLink->GetLinkType(), 1);
}

TEST_F(StartUp, LongPortNameIsTruncatedToSixCharacters) {
    Store("COM_PORT", std::string("COM5XYZW"));
    platform::DebugCapture capture;
    CKV90TApp& app = Start();
    app.OpenDeviceLink();
    EXPECT_STREQ(app.m_pLink->GetPortSettings()->portName, "COM5XY");
    EXPECT_EQ(capture.Text().rfind("::CreateFile() error: 2\r\n", 0), 0u);
    EXPECT_FALSE(app.m_bDeviceAnswered);
}

TEST_F(StartUp, EthernetWithoutAddressUsesTheDefaultAddressSilently) {
    Store("USE_ETHERNET", 1u);
    CKV90TApp& app = Start();
    EXPECT_EQ(app.m_bUseEthernet, 1);
    EXPECT_EQ(app.m_strDeviceIpAddress, "192.168.1.100");
    EXPECT_EQ(app.m_nDevicePort, 5000);
    EXPECT_TRUE(Messages().empty());
}

// An address saved with blanks around it (as a hand edit may leave it) is the address.
TEST_F(StartUp, BlanksAroundTheSavedAddressAreIgnored) {
    Store("USE_ETHERNET", 1u);
    Store("ETHERNET_IP_ADDR", "127.0.0.1" + std::string(250, ' '));
    CKV90TApp& app = Start();
    EXPECT_EQ(app.m_strDeviceIpAddress, "127.0.0.1");
    EXPECT_EQ(ui::ParseIpAddress(" 10. 1 .2.3\t"), (std::array<uint8_t, 4>{10, 1, 2, 3}));
}

TEST_F(StartUp, SettingsOfTheWrongTypeAreReported) {
    Store("USE_ETHERNET", 1u);
    Store("ETHERNET_IP_ADDR", 0x0A000001u);
    Store("NO_INIT_STATUS", std::string("1"));
    CKV90TApp& app = Start();
    EXPECT_EQ(Messages(),
              (std::vector<std::string>{"RegQueryValueEx() for REG_DWORD, Type = 1, Count = 2",
                                        "RegQueryValueEx() for REG_SZ: Type = 4, Count = 4"}));
    EXPECT_EQ(app.m_strDeviceIpAddress, "192.168.1.100");
    EXPECT_EQ(app.m_bSkipInitialRead, '1');  // the bytes read, as the original used them
}

// What cannot be read is said at start and never used in part: a value line the file parser
// did not understand, and a text with a NUL inside. Over a serial link no address is made up,
// so that a serial save leaves the stored one alone; a readable one is offered to the page.
TEST_F(StartUp, UnreadableSettingsAreNamedAtStartAndNeverUsedInPart) {
    Store("ETHERNET_IP_ADDR", std::string("10.0.0.1"));
    EXPECT_EQ(Start().m_strDeviceIpAddress, "10.0.0.1");
    Store("ETHERNET_IP_ADDR", std::string("10.0\0.0.1", 10));
    Store("USE_ETHERNET", 1u);
    {
        std::ofstream broken(m_file, std::ios::app);
        broken << "\"NO_INIT_STATUS\"=dword:1\r\n";
    }
    CKV90TApp& app = Start();
    EXPECT_EQ(Messages(),
              (std::vector<std::string>{
                  "The saved settings hold values that cannot be read: NO_INIT_STATUS. Defaults "
                  "are used for them until new ones are saved.",
                  "The saved ETHERNET_IP_ADDR holds a NUL character; it is not used."}));
    EXPECT_EQ(app.m_bSkipInitialRead, 0);
    EXPECT_EQ(app.m_strDeviceIpAddress, "192.168.1.100");
    m_boxes.Clear();
    Store("USE_ETHERNET", 0u);
    EXPECT_EQ(Start().m_strDeviceIpAddress, "");
    EXPECT_EQ(Messages().size(), 2u);
}

TEST_F(StartUp, BaudRateOfTheWrongTypeOrSizeShowsOnlyItsOwnMessage) {
    Store("BAUD_RATE", std::string("96"));
    EXPECT_EQ(Start().m_nBaudRate, uint32_t('9' | '6' << 8));
    EXPECT_EQ(Messages(),
              std::vector<std::string>{"RegQueryValueEx() for REG_DWORD, Type = 1, Count = 3"});
}

TEST_F(StartUp, CommandLineRules) {
    EXPECT_EQ(Start({"kv90t", "NO_INIT_STATUS=1"}).m_bSkipInitialRead, 1);
    EXPECT_EQ(Start({"kv90t", "/NO_INIT_STATUS=1"}).m_bSkipInitialRead, 0);  // 16th is '='
    EXPECT_EQ(Start({"kv90t", "NO_INIT_STATUS=0"}).m_bSkipInitialRead, 0);
    EXPECT_EQ(Start({"kv90t", "NO_INIT_STATUS="}).m_bSkipInitialRead, 0);
    Store("NO_INIT_STATUS", 1u);
    EXPECT_EQ(Start({"kv90t", "NO_INIT_STATUS=0"}).m_bSkipInitialRead, 1);

    CKV90TApp& serial = Start({"kv90t", "ETHERNET_IP_ADDR=1.2.3.4"});
    EXPECT_EQ(serial.m_strDeviceIpAddress, "1.2.3.4");
    EXPECT_EQ(serial.m_bUseEthernet, 0);
    EXPECT_EQ(Start({"kv90t", "ETHERNET_IP_ADDR=1.2.3"}).m_strDeviceIpAddress, "");

    Store("USE_ETHERNET", 1u);
    Store("ETHERNET_IP_ADDR", std::string("10.1.1.1"));
    EXPECT_EQ(Start({"kv90t", "ETHERNET_IP_ADDR=127.0.0.9"}).m_strDeviceIpAddress, "127.0.0.9");
    EXPECT_EQ(Start({"kv90t"}).m_strDeviceIpAddress, "10.1.1.1");
}

TEST(Demo, StartsReadsTheIdentityAndEndsWhenItsWindowCloses) {
    testsupport::TempDir settings;
    const std::string file = settings.Path() + "/kv90t.reg";
    ::setenv("KV90T_SETTINGS", file.c_str(), 1);
    CKV90TApp app({"kv90t", "--demo"});
    app.SetDataFolder(settings.Path() + "/data");
    app.UseDemoDevice(sim::DefaultProfile());
    std::string serial;
    bool answered = false;
    std::string limits;
    QTimer::singleShot(0, [&] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (auto* window = qobject_cast<CKV90TDlg*>(widget); window && window->isVisible()) {
                answered = window->DeviceAnswered();
                limits = window->Alarms() != nullptr ? window->Alarms()->ActiveName() : "";
                serial = app.m_pComm->m_Identity.serialNumberText;
                window->close();
            }
        }
    });
    EXPECT_FALSE(app.InitInstance());
    EXPECT_TRUE(answered);
    EXPECT_EQ(serial, "1A2B-007");
    EXPECT_EQ(app.m_strProgramFolder, settings.Path() + "/data/");
    EXPECT_FALSE(std::ifstream(file).good());  // the saved settings were left alone
    // The alarms watch the shipped set, written beside the settings, and log into the data folder.
    EXPECT_EQ(limits, "default");
    EXPECT_TRUE(std::ifstream(settings.Path() + "/limits/default.json").good());
    bool logged = false;
    for (const auto& entry : std::filesystem::directory_iterator(settings.Path() + "/data")) {
        logged = logged || entry.path().filename().string().rfind("alarms-", 0) == 0;
    }
    EXPECT_TRUE(logged);
    ::unsetenv("KV90T_SETTINGS");
}

TEST(Demo, NeverWritesTheSavedSettingsAndHonoursNoInitStatus) {
    testsupport::TempDir settings;
    const std::string file = settings.Path() + "/kv90t.reg";
    const std::string stored =
        "Windows Registry Editor Version 5.00\r\n\r\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Brenmoor\\KV90T]\r\n"
        "\"USE_ETHERNET\"=dword:00000000\r\n\"COM_PORT\"=\"COM3\"\r\n";
    std::ofstream(file, std::ios::binary) << stored;
    ::setenv("KV90T_SETTINGS", file.c_str(), 1);
    CKV90TApp app({"kv90t", "--demo", "NO_INIT_STATUS=1"});
    app.SetDataFolder(settings.Path() + "/data");
    app.UseDemoDevice(sim::DefaultProfile());
    QTimer::singleShot(0, [&] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (auto* window = qobject_cast<CKV90TDlg*>(widget); window && window->isVisible()) {
                window->SetPos(res::IDC_TAB, PageHost::kCommTab);
                window->Pages().SelectPage();
                auto* comPort =
                    static_cast<ui::CDialog*>(window->Pages().PageAt(PageHost::kComPort));
                ASSERT_TRUE(comPort->isEnabled());
                comPort->SetText(res::IDC_IP_ADDRESS, "10.0.0.1");
                comPort->Click(res::IDC_SAVE);
                comPort->Click(res::IDC_USE_SERIAL);
                window->close();
            }
        }
    });
    EXPECT_FALSE(app.InitInstance());
    EXPECT_EQ(app.m_bSkipInitialRead, 1);
    std::stringstream after;
    after << std::ifstream(file, std::ios::binary).rdbuf();
    EXPECT_EQ(after.str(), stored);  // byte for byte
    ::unsetenv("KV90T_SETTINGS");
}

namespace {

struct ProgramRun {
    int status = -1;
    std::string output;
};

ProgramRun RunProgram(const std::string& arguments) {
    ProgramRun run;
    FILE* pipe = ::popen((std::string(KV90T_PROGRAM) + " " + arguments + " 2>&1").c_str(), "r");
    if (pipe == nullptr) {
        return run;
    }
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) {
        run.output += buffer;
    }
    const int status = ::pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

}  // namespace

TEST(DataFolder, ANameThatIsNotAUsableFolderIsRefusedBeforeTheWindowOpens) {
    testsupport::TempDir folder;
    const std::string plain = folder.Path() + "/plain";
    std::ofstream(plain) << "x";
    for (const std::string& named : {plain, plain + "/below"}) {
        const ProgramRun run = RunProgram("--data-dir '" + named + "'");
        EXPECT_EQ(run.status, 2) << named;
        EXPECT_EQ(run.output, "kv90t: --data-dir '" + named + "' cannot be used: not a folder\n");
    }
    const ProgramRun bare = RunProgram("--data-dir");
    EXPECT_EQ(bare.status, 2);
    EXPECT_EQ(bare.output, "kv90t: --data-dir needs a folder; see --help\n");
    const ProgramRun bogus = RunProgram("--bogus");
    EXPECT_EQ(bogus.status, 2);
    EXPECT_EQ(bogus.output, "kv90t: unknown option '--bogus'; see --help\n");

    EXPECT_EQ(platform::DataFolderProblem(folder.Path() + "/new/data"), "");
    EXPECT_TRUE(std::filesystem::is_directory(folder.Path() + "/new/data"));
}

TEST(Metrics, ABadOrBusyAddressIsRefusedBeforeTheWindowOpens) {
    ProgramRun run = RunProgram("--metrics 70000");
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.output, "kv90t: --metrics: '70000' needs a port from 1 to 65535; see --help\n");
    run = RunProgram("--metrics");
    EXPECT_EQ(run.status, 2);
    metrics::Endpoint busy(metrics::ParseListenAddress(std::to_string(testsupport::FreeTcpPort())));
    const std::string address = "127.0.0.1:" + std::to_string(busy.Port());
    run = RunProgram("--metrics " + address);
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.output, "kv90t: cannot serve metrics on " + address +
                              ": the address is in use or not this computer's\n");
}

TEST(Demo, AnUnknownScenarioIsRefusedBeforeTheWindowOpens) {
    const ProgramRun run = RunProgram("--demo --scenario storm");
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.output, "kv90t: --scenario needs a scenario's name; see --help\n");
}
