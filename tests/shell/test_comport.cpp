#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <fstream>
#include <sstream>

#include "link/CNetworkDeviceComm.h"
#include "link/CSerialCom.h"
#include "platform/beep.h"
#include "platform/serial_ports.h"
#include "protocol/CKV90T1_Comm.h"
#include "resources/resource_ids.h"
#include "shell/CKV90T_ComPort.h"
#include "tests/support/SimulatedDevice.h"
#include "ui/MessageBoxes.h"

using namespace res;

namespace {

class ComPortPage : public ::testing::Test {
protected:
    void SetUp() override {
        m_file = m_settings.Path() + "/kv90t.reg";
        ::setenv("KV90T_SETTINGS", m_file.c_str(), 1);
    }
    void TearDown() override {
        m_page.reset();
        ::unsetenv("KV90T_SETTINGS");
    }
    // The page on a serial link to `port` configured at `baudRate`, as the start-up leaves it.
    void OpenOnSerial(const char* port, uint32_t baudRate = 57600) {
        auto link = std::make_unique<CSerialCom>(testsupport::MakePortSettings(port, baudRate));
        link->ConfigurePort();
        link->SetCommunicationTimeouts(0, 200, 0, 0, 0);
        m_link = std::move(link);
        m_comm = std::make_unique<CKV90T1_Comm>(m_link.get());
        m_page = std::make_unique<CKV90T_ComPort>(m_comm.get(), 0, 0, nullptr);
        m_page->SetDeviceIpAddress("10.1.2.3");
        m_page->ShowAddress();
    }
    std::string Saved() const {
        std::ifstream file(m_file);
        std::stringstream text;
        text << file.rdbuf();
        return text.str();
    }
    bool Has(const std::string& text) const { return Saved().find(text) != std::string::npos; }
    // Moves the port selector to the simulated device's port.
    void ChooseSimulatedPort() {
        m_page->StepUpDown(IDC_PORT_UPDOWN, +1);  // any move shows the names again
        while (m_page->Pos(IDC_PORT_UPDOWN) > 0) {
            m_page->StepUpDown(IDC_PORT_UPDOWN, -1);
        }
        for (int i = 0; i < 64 && m_page->Text(IDC_PORT) != testsupport::SimulatedDevice::kPortName;
             ++i) {
            m_page->StepUpDown(IDC_PORT_UPDOWN, +1);
        }
        ASSERT_EQ(m_page->Text(IDC_PORT), testsupport::SimulatedDevice::kPortName);
    }

    testsupport::TempDir m_settings;
    std::string m_file;
    testsupport::SimulatedDevice m_sim;
    platform::BeepRecorder m_beeps;
    ui::DialogInterceptor m_boxes;
    std::unique_ptr<CBaseClass> m_link;
    std::unique_ptr<CKV90T1_Comm> m_comm;
    std::unique_ptr<CKV90T_ComPort> m_page;
};

}  // namespace

TEST_F(ComPortPage, ShowsTheLinksPortAndRate) {
    OpenOnSerial("COM5", 115200);
    EXPECT_EQ(m_page->windowTitle().toStdString(), "Comm Port");
    EXPECT_EQ(m_page->Text(IDC_PORT), "COM5");
    EXPECT_EQ(m_page->Text(IDC_BAUD), "115200");
    EXPECT_EQ(m_page->Text(IDC_IP_ADDRESS), "10.1.2.3");
    EXPECT_EQ(m_page->Check(IDC_USE_SERIAL), 1);
    EXPECT_FALSE(m_page->IsEnabled(IDC_SAVE));
    EXPECT_TRUE(m_page->IsEnabled(IDC_TEST));
    m_page->StepUpDown(IDC_BAUD_UPDOWN, +2);
    EXPECT_EQ(m_page->Text(IDC_BAUD), "921600, MOXA Max");
    EXPECT_TRUE(m_boxes.Messages().empty());
}

TEST_F(ComPortPage, MissingPortShowsAnEmptyNameAndOddRatesShow57600) {
    ASSERT_TRUE(platform::RegisterSerialPort("COM9", m_sim.SerialFolder() + "/gone"));
    OpenOnSerial("COM9", 1000);
    EXPECT_EQ(m_page->Pos(IDC_PORT_UPDOWN), 0);
    EXPECT_EQ(m_page->Text(IDC_PORT), "");
    EXPECT_EQ(m_page->Text(IDC_BAUD), "57600");
    m_page->ShowPort();
    EXPECT_EQ(m_page->Text(IDC_PORT), "");
    ChooseSimulatedPort();
}

TEST_F(ComPortPage, AddressTextsShowAsFourNumbers) {
    OpenOnSerial("COM5");
    for (const auto& [stored, shown] :
         std::vector<std::pair<std::string, std::string>>{{"", "192.168.1.100"},
                                                          {"192.168.1.300", "192.168.1.44"},
                                                          {"a.b.7", "0.0.7.0"},
                                                          {"1.2.3.4.5", "1.2.3.4"}}) {
        m_page->SetDeviceIpAddress(stored);
        m_page->ShowAddress();
        EXPECT_EQ(m_page->Text(IDC_IP_ADDRESS), shown) << stored;
    }
}

TEST_F(ComPortPage, ChoosingEthernetSavesTheAddressAndTheChoiceOnly) {
    OpenOnSerial("COM5");
    m_page->SetText(IDC_IP_ADDRESS, "");
    m_page->Click(IDC_USE_ETHERNET);
    EXPECT_TRUE(Has("\"ETHERNET_IP_ADDR\"=\"0.0.0.0\""));
    EXPECT_TRUE(Has("\"USE_ETHERNET\"=dword:00000001"));
    EXPECT_FALSE(Has("COM_PORT"));
    EXPECT_FALSE(Has("BAUD_RATE"));
    EXPECT_TRUE(m_page->IsEnabled(IDC_SAVE));
    EXPECT_FALSE(m_page->IsEnabled(IDC_TEST));
    EXPECT_EQ(m_page->Check(IDC_USE_ETHERNET), 1);
    m_page->SetText(IDC_IP_ADDRESS, "127.0.0.7");
    m_page->Click(IDC_SAVE);
    EXPECT_TRUE(Has("\"ETHERNET_IP_ADDR\"=\"127.0.0.7\""));
}

TEST_F(ComPortPage, TestWithAnAnsweringDeviceSavesEverythingAndKeepsTheLinkWorking) {
    OpenOnSerial("COM5");
    m_page->StepUpDown(IDC_BAUD_UPDOWN, +1);  // 115200
    m_beeps.Clear();
    m_page->Click(IDC_TEST);
    EXPECT_TRUE(Has("\"COM_PORT\"=\"COM5\""));
    EXPECT_TRUE(Has("\"BAUD_RATE\"=dword:0001c200"));
    EXPECT_TRUE(Has("\"ETHERNET_IP_ADDR\"=\"10.1.2.3\""));
    EXPECT_TRUE(Has("\"USE_ETHERNET\"=dword:00000000"));
    EXPECT_EQ(m_page->ShownLamp(IDC_LINK_RED), IDC_LINK_GREEN);
    EXPECT_EQ(m_beeps.Tones(), (std::vector<platform::Tone>{{1000, 100}}));
    platform::DeviceControlBlock applied;
    ASSERT_TRUE(m_sim.Server().PtyLineState(&applied));
    EXPECT_EQ(applied.BaudRate, 115200u);
    EXPECT_NE(m_comm->ReadChannelStatus(0), 0);  // the same protocol object goes on working
}

TEST_F(ComPortPage, TestWithASilentDeviceSavesNothing) {
    OpenOnSerial("COM5");
    sim::Fault silent = sim::MakeFault(sim::FaultKind::NoReply);
    silent.count = -1;
    m_sim.Device().InjectFault(silent);
    m_beeps.Clear();
    m_page->Click(IDC_TEST);
    EXPECT_FALSE(Has("COM_PORT"));
    EXPECT_FALSE(Has("USE_ETHERNET"));
    EXPECT_EQ(m_page->ShownLamp(IDC_LINK_GREEN), IDC_LINK_RED);
    EXPECT_EQ(m_beeps.Tones(), (std::vector<platform::Tone>{{100, 100}}));
}

// While the start-up has left only this page, a Test that reaches the device runs the start-up
// again, and Start Again does so over the running link; a Test that does not reach it does not.
TEST_F(ComPortPage, ATestThatReachesTheDeviceRetriesAFailedStartUp) {
    OpenOnSerial("COM5");
    int retries = 0;
    m_page->OfferStartUpRetry([&retries] { ++retries; });
    sim::Fault silent = sim::MakeFault(sim::FaultKind::NoReply);
    silent.count = -1;
    m_sim.Device().InjectFault(silent);
    m_page->Click(IDC_TEST);
    EXPECT_EQ(retries, 0);
    m_sim.Device().ClearFaults();
    m_page->Click(IDC_TEST);
    EXPECT_EQ(retries, 1);
    EXPECT_TRUE(Has("\"COM_PORT\"=\"COM5\""));

    EXPECT_TRUE(m_page->IsShown(IDC_COMM_RETRY));
    m_page->Click(IDC_COMM_RETRY);
    EXPECT_EQ(retries, 2);
    m_page->OfferStartUpRetry(nullptr);
    EXPECT_FALSE(m_page->IsShown(IDC_COMM_RETRY));
    m_page->Click(IDC_TEST);
    EXPECT_EQ(retries, 2);
}

TEST_F(ComPortPage, PortThatCannotBeOpenedIsReported) {
    OpenOnSerial("COM5");
    ASSERT_TRUE(platform::UnregisterSerialPort("COM5"));
    ASSERT_TRUE(platform::RegisterSerialPort("COM5", m_sim.SerialFolder() + "/gone"));
    m_page->Click(IDC_TEST);
    ASSERT_EQ(m_boxes.Messages().size(), 1u);
    EXPECT_EQ(m_boxes.Messages()[0].text, "Cannot open Com Port.");
    EXPECT_EQ(m_boxes.Messages()[0].title, "Com Port Error");
    EXPECT_FALSE(Has("COM_PORT"));
}

TEST_F(ComPortPage, NoSerialPortWithTheSerialLinkChosen) {
    ASSERT_TRUE(platform::UnregisterSerialPort("COM5"));
    const testsupport::TempDir noDevices;
    ::setenv("KV90T_DEV_ROOT", noDevices.Path().c_str(), 1);
    ASSERT_TRUE(platform::EnumerateSerialPorts().empty());
    CNetworkDeviceComm link("127.0.0.1", m_sim.TcpPort());
    CKV90T1_Comm comm(&link);
    CKV90T_ComPort page(&comm, 0, 0, nullptr);
    ASSERT_EQ(m_boxes.Messages().size(), 1u);
    EXPECT_EQ(m_boxes.Messages()[0].text, "No Serial Ports found.");
    EXPECT_EQ(m_boxes.Messages()[0].title, "Serial Port Error");
    EXPECT_EQ(page.Text(IDC_PORT), "");
    page.Click(IDC_TEST);  // nothing to open: reported, not a crash
    EXPECT_EQ(m_boxes.Messages().back().text, "Cannot open Com Port.");
    ::unsetenv("KV90T_DEV_ROOT");
}

TEST_F(ComPortPage, ReturnAndSpaceDoNothing) {
    OpenOnSerial("COM5");
    for (int key : {Qt::Key_Return, Qt::Key_Space}) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(m_page->Control(IDC_TEST), &press);
    }
    EXPECT_FALSE(Has("COM_PORT"));
    EXPECT_TRUE(m_boxes.Messages().empty());
}

TEST_F(ComPortPage, SerialTestKeepsTheStoredAddressAndBadOctetsAreRefusedVisibly) {
    {
        std::ofstream stored(m_file);
        stored << "Windows Registry Editor Version 5.00\r\n\r\n"
                  "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Brenmoor\\KV90T]\r\n"
                  "\"ETHERNET_IP_ADDR\"=\"10.9.8.7\"\r\n";
    }
    OpenOnSerial("COM5");
    m_page->SetDeviceIpAddress("");  // a serial start-up reads no address
    m_page->ShowAddress();
    m_page->Click(IDC_TEST);
    EXPECT_TRUE(Has("\"COM_PORT\"=\"COM5\""));
    EXPECT_TRUE(Has("\"ETHERNET_IP_ADDR\"=\"10.9.8.7\""));
    EXPECT_FALSE(Has("0.0.0.0"));

    m_page->Click(IDC_USE_ETHERNET);
    m_page->SetText(IDC_IP_ADDRESS, "");
    QWidget* edit = m_page->Control(IDC_IP_ADDRESS);
    for (const char c : std::string("300.1.2.3")) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(QChar(c)));
        QApplication::sendEvent(edit, &press);
    }
    EXPECT_EQ(m_page->Text(IDC_IP_ADDRESS), "300.1.2.3");  // typed as it is, not cut to 30
    EXPECT_TRUE(edit->property("invalid").toBool());
    const std::string before = Saved();
    m_boxes.Clear();
    m_page->Click(IDC_SAVE);
    ASSERT_EQ(m_boxes.Messages().size(), 1u);
    EXPECT_EQ(m_boxes.Messages()[0].text, "The IP address is not valid.");
    EXPECT_EQ(Saved(), before);
}
