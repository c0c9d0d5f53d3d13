// The System page against the simulated device: the identity displays, the system controls on
// the wire and the configuration memories.

#include <gtest/gtest.h>

#include <QTimer>

#include <QApplication>
#include <QLineEdit>
#include <fstream>
#include <regex>

#include "link/CSerialCom.h"
#include "pages/maintenance/CKV90T_System.h"
#include "pages/page_messages.h"
#include "platform/beep.h"
#include "platform/debug_output.h"
#include "platform/window_messages.h"
#include "protocol/CKV90T1_Comm.h"
#include "resources/resource_ids.h"
#include "tests/support/DeviceSession.h"
#include "tests/support/PumpUntil.h"
#include "tests/support/TempDir.h"
#include "transfer/firmware_update.h"
#include "ui/Format.h"
#include "ui/LongOperation.h"
#include "ui/MessageBoxes.h"

using namespace res;
using platform::Tone;
using testsupport::DeviceSession;
using Bytes = std::vector<uint8_t>;

namespace {

class SystemPage : public ::testing::Test {
protected:
    void Open(int skip = 0) {
        m_page = std::make_unique<CKV90T_System>(&Comm(), skip, nullptr);
        m_page->RefreshFromDevice();
        m_session.Sim().Device().ClearReceivedFrames();
        m_beeps.Clear();
    }
    CKV90T1_Comm& Comm() { return m_session.Comm(); }
    CKV90T_System& Page() { return *m_page; }
    std::vector<uint8_t> FirstBytes(uint16_t code) {
        std::vector<uint8_t> firsts;
        for (const auto& frame : m_session.Sim().Device().ReceivedFrames()) {
            if (frame.code == code) {
                firsts.push_back(frame.payload.at(0));
            }
        }
        return firsts;
    }

    DeviceSession m_session;
    platform::BeepRecorder m_beeps;
    std::unique_ptr<CKV90T_System> m_page;
};

}  // namespace

TEST_F(SystemPage, TheIdentityAndTheBoardsOfEachConfiguration) {
    Open();
    EXPECT_EQ(Page().windowTitle().toStdString(), "System");
    EXPECT_EQ(Page().Text(IDC_SYS_SERIAL_NUMBER), Comm().m_Identity.serialNumberText);
    EXPECT_EQ(Page().Text(IDC_SYS_DSP1_VERSION),
              ui::Printf("%8.8X", Comm().m_Identity.dsp1Version));
    EXPECT_FALSE(Page().Text(IDC_SYS_IP_ADDRESS).empty());

    protocol::DeviceIdentity& id = Comm().m_Identity;
    id.demodFpgaPcbRevision = 3;
    id.ifAnalogPcbRevision = 4;
    id.rfAnalogPcbRevision = 5;
    id.personalityCode = 0x0D;
    id.ipAddress = 0xC0A8010A;
    Comm().m_Config.hardwareConfigurationId = 124;
    m_page = std::make_unique<CKV90T_System>(&Comm(), 1, nullptr);
    Page().RefreshFromDevice();
    EXPECT_EQ(Page().Text(IDC_SYS_HARDWARE_ID), "124");
    EXPECT_EQ(Page().Text(IDC_SYS_DEMOD_BOARD), "n/a");
    EXPECT_EQ(Page().Text(IDC_SYS_IF_BOARD), "4");
    EXPECT_EQ(Page().Text(IDC_SYS_RF_BOARD), "5");
    EXPECT_EQ(Page().Text(IDC_SYS_PERSONALITY_CODE), "0x0D");
    EXPECT_EQ(Page().Text(IDC_SYS_PERSONALITY_NAME), "Unknown");
    EXPECT_EQ(Page().Text(IDC_SYS_IP_ADDRESS), "192.168.1.10");
    Comm().m_Config.hardwareConfigurationId = 100;  // unknown: the revisions stay
    id.ifAnalogPcbRevision = 9;
    Page().RefreshFromDevice();
    EXPECT_EQ(Page().Text(IDC_SYS_HARDWARE_ID), "100");
    EXPECT_EQ(Page().Text(IDC_SYS_IF_BOARD), "4");
    Comm().m_Config.hardwareConfigurationId = 34;
    Page().RefreshFromDevice();
    EXPECT_EQ(Page().Text(IDC_SYS_DEMOD_BOARD), "3");
    EXPECT_EQ(Page().Text(IDC_SYS_IF_BOARD), "n/a");
    EXPECT_EQ(Page().Text(IDC_SYS_RF_BOARD), "n/a");
    EXPECT_STREQ(CKV90T_System::PersonalityName(8), "LDPC 4/5");
}

TEST_F(SystemPage, SkippedReadsStillReadTheIdentityAndPageZeroOnce) {
    Open(1);
    // The first display read what had never been read.
    Page().RefreshFromDevice();
    EXPECT_EQ(m_session.CountReceived(0x2003), 0);
    EXPECT_EQ(m_session.CountReceived(0x2009), 0);
    EXPECT_TRUE(m_session.Sim().Device().ReceivedFrames().empty());
    EXPECT_EQ(Comm().m_Identity.identityRead, 1);
    EXPECT_EQ(Comm().m_NetworkPage.networkPageRead, 1);
    Page().Click(IDC_SYS_READ);
    EXPECT_EQ(m_session.CountReceived(0x2003), 1);
    EXPECT_EQ(m_beeps.Tones(), (std::vector<Tone>{{1000, 10}}));
}

TEST_F(SystemPage, ConfigurationMemoriesAreListedChosenAndLoaded) {
    Open();
    protocol::SystemPages& pages = Comm().m_SystemPages;
    pages.memoryImageWords[2] = 0x12AB34CD;
    pages.memoryPersonalities[2] = 13;
    pages.memoryImageWords[9] = 0x00000009;
    pages.memoryPersonalities[9] = 9;
    m_page = std::make_unique<CKV90T_System>(&Comm(), 1, nullptr);
    Page().RefreshFromDevice();
    EXPECT_EQ(Page().Text(IDC_SYS_MEMORY[2]), "12AB34CD : Unknown");
    EXPECT_EQ(Page().Text(IDC_SYS_MEMORY[9]), "00000009 : Tape Up/Down");
    EXPECT_EQ(Page().Check(IDC_SYS_MEMORY[pages.ConfigurationMemory()]), 1);

    Page().Click(IDC_SYS_MEMORY[4]);
    EXPECT_EQ(Page().SelectedMemory(), 4);
    EXPECT_EQ(Page().Check(IDC_SYS_MEMORY[4]), 1);
    EXPECT_EQ(Page().Check(IDC_SYS_MEMORY[pages.ConfigurationMemory()]),
              pages.ConfigurationMemory() == 4 ? 1 : 0);
    EXPECT_EQ(m_session.CountReceived(0x1024), 0);  // a click only chooses
    m_session.Sim().Device().ClearReceivedFrames();
    Page().DoubleClick(IDC_SYS_MEMORY[9], 0);
    EXPECT_EQ(m_session.LastPayload(0x1024), Bytes{0x31});
    EXPECT_EQ(m_session.CountReceived(0x2009), 2);  // the system pages again
    EXPECT_EQ(Page().SelectedMemory(), 9);
    EXPECT_EQ(Page().Check(IDC_SYS_MEMORY[9]), 1);
    EXPECT_EQ(Page().Check(IDC_SYS_MEMORY[4]), 0);
}

TEST_F(SystemPage, TimeToLiveReferenceClockAndPing) {
    Open();
    Page().SetText(IDC_SYS_TTL, "0");
    Page().Click(IDC_SYS_TTL_SAVE);
    EXPECT_EQ(m_session.LastPayload(0x1001), (Bytes{0x10, 0x80, 1, 0, 0, 0}));
    EXPECT_TRUE(m_beeps.Tones().empty());  // only a failure beeps
    Page().SetText(IDC_SYS_TTL, "300");
    Page().Click(IDC_SYS_TTL_SAVE);
    EXPECT_EQ(m_session.LastPayload(0x1001)[2], 255);
    EXPECT_EQ(Page().Pos(IDC_SYS_TTL_UPDOWN), Comm().m_NetworkPage.udpTimeToLive);
    Page().SetPos(IDC_SYS_TTL_UPDOWN, 40);
    Page().StepUpDown(IDC_SYS_TTL_UPDOWN, +1);
    EXPECT_EQ(m_session.LastPayload(0x1001)[2], 41);
    EXPECT_EQ(m_beeps.Tones(), (std::vector<Tone>{{100, 100}}));  // always the low tone

    m_beeps.Clear();
    const uint8_t before = Comm().m_System.referenceClock;
    Page().Click(IDC_SYS_REFERENCE_CLOCK);
    EXPECT_EQ(m_session.LastPayload(0x1001),
              (Bytes{0x0F, static_cast<uint8_t>(4 | !before), 0, 0, 0, 0}));
    EXPECT_EQ(Page().Text(IDC_SYS_REFERENCE_CLOCK),
              Comm().m_System.referenceClock != 0 ? "Internal" : "External");
    EXPECT_EQ(m_beeps.Tones(), (std::vector<Tone>{{1000, 10}}));

    Page().Click(IDC_SYS_PING);
    EXPECT_EQ(Page().Text(IDC_SYS_PING_REPLY), "28 00 00 00 00 00 ");
}

TEST_F(SystemPage, TurningStreamsOffStopsAtTheFirstUnansweredOne) {
    Open();
    Page().Click(IDC_SYS_CONSOLIDATED_OFF);
    EXPECT_EQ(m_session.LastPayload(0x1002), (Bytes{0x0B, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(Comm().m_System.consolidatedStatusEnabled, 0);
    m_session.Sim().Device().ClearReceivedFrames();
    Page().Click(IDC_SYS_GRAPHS_OFF);
    EXPECT_EQ(FirstBytes(0x1002), (std::vector<uint8_t>{1, 2, 3, 4, 5, 6, 7, 8}));

    m_beeps.Clear();
    Comm().m_nDefaultTimeout = 100;
    sim::Fault fault = sim::MakeFault(sim::FaultKind::NoReply);
    fault.code = 0x1002;
    fault.firstPayloadByte = 3;
    m_session.Sim().Device().InjectFault(fault);
    m_session.Sim().Device().ClearReceivedFrames();
    Page().Click(IDC_SYS_GRAPHS_OFF);
    EXPECT_EQ(FirstBytes(0x1002), (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_EQ(m_beeps.Tones(), (std::vector<Tone>{{100, 100}}));
}

namespace {

class DspFlash : public SystemPage {
protected:
    void SetUp() override {
        Comm().m_SystemPages.networkUpdatePermitted = 1;
        firmware::dspSettleMs = 60;
        m_mainWindow = platform::RegisterWindow(
            [this](uint32_t message, uintptr_t, intptr_t) {
                m_mainMessages.push_back(message);
                return intptr_t{0};
            },
            m_queue);
        Open();
        m_page->SetMainWindow(m_mainWindow);
    }
    void TearDown() override {
        firmware::dspSettleMs = 60'000;
        platform::UnregisterWindow(m_mainWindow);
    }
    std::string ImagePath(const std::string& name) { return m_dir.Path() + "/" + name; }

    testsupport::TempDir m_dir;
    ui::DialogInterceptor m_boxes;
    std::shared_ptr<platform::MessageQueue> m_queue = std::make_shared<platform::MessageQueue>();
    platform::WindowHandle m_mainWindow = 0;
    std::vector<uint32_t> m_mainMessages;
};

}  // namespace

TEST_F(DspFlash, AnImageGoesInBlocksAndEndsTheFlash) {
    const std::string path = ImagePath("KV90T1_DSP1_2026.bin");
    const std::vector<uint8_t> image = testsupport::WritePatternFile(path, 1000);
    Page().SetText(IDC_SYS_DSP_PATH[0], path);
    platform::DebugCapture debug;
    Page().Click(IDC_SYS_DSP_LOAD[0]);
    std::vector<size_t> blocks;
    std::vector<Bytes> control;
    for (const auto& frame : m_session.Sim().Device().ReceivedFrames()) {
        if (frame.code == 0x1020) {
            EXPECT_EQ(frame.payload.at(0), 0);  // DSP1
            blocks.push_back(frame.payload.size() - 1);
        } else if (frame.code == 0x1001) {
            control.push_back(frame.payload);
        }
    }
    EXPECT_EQ(blocks, (std::vector<size_t>{128, 128, 128, 128, 128, 128, 128, 104}));
    ASSERT_EQ(control.size(), 2u);
    EXPECT_EQ(control[0], (Bytes{0x13, 0x01, 0, 0, 0, 0}));
    EXPECT_EQ(control[1], (Bytes{0x13, 0xFF, 0, 0, 0, 0}));
    EXPECT_EQ(m_session.Sim().Simulation().DspImage(0), image);
    EXPECT_TRUE(m_session.Sim().Simulation().DspFlashEnded(0));
    EXPECT_EQ(m_beeps.Tones(), (std::vector<Tone>{{1000, 10}, {1000, 100}}));
    ASSERT_EQ(m_boxes.Messages().size(), 1u);
    EXPECT_EQ(m_boxes.Messages()[0].text,
              "DSP1 Flash Operation Completed. You must now reboot the KV90T before you can flash "
              "DSP2.");
    EXPECT_EQ(m_boxes.Messages()[0].title, "DSP1 Flash File");
    EXPECT_TRUE(std::regex_search(debug.Text(), std::regex("Elapsed Time: [0-9]+:[0-5][0-9]\r\n")))
        << debug.Text();
    EXPECT_EQ(Page().Pos(IDC_SYS_PROGRESS[1]), 60);
    EXPECT_EQ(Page().Text(IDC_SYS_PROGRESS_CAPTION[0]), "Uploading:");
    m_queue->ProcessMessages(0);
    EXPECT_EQ(m_mainMessages, std::vector<uint32_t>{UWM_STOP_STATUS_POLLING});
}

TEST_F(DspFlash, ACompletedFlashAsksTheMainWindowToClose) {
    QWidget top;
    m_page = std::make_unique<CKV90T_System>(&Comm(), 1, &top);
    top.show();
    const std::string path = ImagePath("KV90T1_DSP2_a.bin");
    testsupport::WritePatternFile(path, 300);
    Page().SetText(IDC_SYS_DSP_PATH[1], path);
    Page().Click(IDC_SYS_DSP_LOAD[1]);
    EXPECT_EQ(m_boxes.Messages().at(0).title, "DSP2 Flash File");
    EXPECT_EQ(m_session.Sim().Simulation().DspImage(1).size(), 300u);
    EXPECT_TRUE(m_session.Sim().Simulation().DspFlashEnded(1));
    EXPECT_TRUE(testsupport::PumpUntil([&] { return !top.isVisible(); }));
    m_page.reset();
}

TEST_F(DspFlash, ATooBigOrUnreadableImageSendsNothingAtAll) {
    const std::string big = ImagePath("KV90T1_DSP2_big.bin");
    testsupport::WritePatternFile(big, 786'433);
    Page().SetText(IDC_SYS_DSP_PATH[1], big);
    Page().Click(IDC_SYS_DSP_LOAD[1]);
    ASSERT_EQ(m_boxes.Messages().size(), 1u);
    EXPECT_EQ(m_boxes.Messages()[0].text, "The File size exceeds the buffer size in the DSP.");
    EXPECT_EQ(m_boxes.Messages()[0].title, "File Too Big Error");
    EXPECT_TRUE(m_session.Sim().Device().ReceivedFrames().empty());

    m_boxes.Clear();
    Page().SetText(IDC_SYS_DSP_PATH[1], ImagePath("KV90T1_DSP2_missing.bin"));
    Page().Click(IDC_SYS_DSP_LOAD[1]);
    ASSERT_EQ(m_boxes.Messages().size(), 1u);
    EXPECT_EQ(m_boxes.Messages()[0].text, "CFileException.m_cause = fileNotFound.\r\n");
    EXPECT_TRUE(m_session.Sim().Device().ReceivedFrames().empty());
}

TEST_F(DspFlash, AFailedBlockEndsTheTransferWithoutTheEndCommand) {
    const std::string path = ImagePath("KV90T1_DSP1_x.bin");
    testsupport::WritePatternFile(path, 1000);
    Page().SetText(IDC_SYS_DSP_PATH[0], path);
    Comm().m_nDefaultTimeout = 100;
    sim::Fault fault = sim::MakeFault(sim::FaultKind::NoReply);
    fault.code = 0x1020;
    fault.skip = 3;
    m_session.Sim().Device().InjectFault(fault);
    Page().Click(IDC_SYS_DSP_LOAD[0]);
    EXPECT_EQ(m_session.CountReceived(0x1020), 4);
    EXPECT_FALSE(m_session.Sim().Simulation().DspFlashEnded(0));
    ASSERT_EQ(m_boxes.Messages().size(), 1u);
    EXPECT_EQ(m_boxes.Messages()[0].text, "Communication Error");
    EXPECT_EQ(m_beeps.Tones(), (std::vector<Tone>{{100, 100}}));
}

TEST_F(DspFlash, PathChecksOfBrowseAndLoad) {
    Page().Click(IDC_SYS_DSP_LOAD[0]);
    EXPECT_EQ(m_boxes.Messages().at(0).text, "Invalid File Name");
    m_boxes.Clear();
    Page().SetText(IDC_SYS_DSP_PATH[0], "/images/_DSP1_only.bin");
    Page().Click(IDC_SYS_DSP_LOAD[0]);
    EXPECT_EQ(m_boxes.Messages().at(0).text, "File chosen is not a valid file for KV90T");
    EXPECT_EQ(m_boxes.Messages().at(0).title, "Invalid Flash File");
    m_boxes.Clear();
    Page().SetText(IDC_SYS_DSP_PATH[0], "/images/KV90T1_DSP2_x.bin");
    Page().Click(IDC_SYS_DSP_LOAD[0]);
    EXPECT_EQ(m_boxes.Messages().at(0).text, "File chosen is not a valid file for DSP1");
    EXPECT_TRUE(m_session.Sim().Device().ReceivedFrames().empty());

    m_boxes.Clear();
    Page().SetText(IDC_SYS_DSP_PATH[0], "kept");
    m_boxes.SetOpenFileName("/images/_DSP1_only.bin");
    Page().Click(IDC_SYS_DSP_BROWSE[0]);
    EXPECT_EQ(m_boxes.Messages().back().text, "File chosen is not a valid file for KV90T1");
    EXPECT_EQ(Page().Text(IDC_SYS_DSP_PATH[0]), "kept");
    m_boxes.SetOpenFileName("/images/KV90T1_DSP2_good.bin");
    Page().Click(IDC_SYS_DSP_BROWSE[1]);
    EXPECT_EQ(Page().Text(IDC_SYS_DSP_PATH[1]), "/images/KV90T1_DSP2_good.bin");
}

TEST_F(SystemPage, OverTcpTheUpdateNeedsTheDevicesPermission) {
    Comm().m_SystemPages.networkUpdatePermitted = 0;
    Open();
    EXPECT_FALSE(Page().IsEnabled(IDC_SYS_DSP_LOAD[0]));
    EXPECT_FALSE(Page().IsEnabled(IDC_SYS_MEMORY[0]));
    Comm().m_SystemPages.networkUpdatePermitted = 1;
    Open();
    EXPECT_TRUE(Page().IsEnabled(IDC_SYS_DSP_LOAD[0]));
    EXPECT_TRUE(Page().IsEnabled(IDC_SYS_DSP_BROWSE[1]));
}

TEST_F(DspFlash, AnFpgaImageIsErasedProgrammedSelectedAndTheModeRestored) {
    const std::string path = ImagePath("kv90T_demod.bin");
    std::vector<uint8_t> image = testsupport::WritePatternFile(path, 512);
    m_session.Sim().Simulation().SetErasePolls(2);
    Comm().m_nOperationalMode = 3;
    Page().Click(IDC_SYS_MEMORY[8]);
    Page().SetText(IDC_SYS_FPGA_PATH, path);
    Page().Click(IDC_SYS_FPGA_LOAD);
    EXPECT_TRUE(Page().FpgaUpdating());
    EXPECT_TRUE(Page().IsEnabled(IDC_SYS_CANCEL));
    EXPECT_EQ(Page().Text(IDC_SYS_IMAGE_LENGTH), "512");  // two whole pages: no page more
    EXPECT_EQ(m_session.LastPayload(0x1022), Bytes{0x30});
    ASSERT_TRUE(testsupport::PumpUntil([&] { return !m_boxes.Messages().empty(); }));
    EXPECT_EQ(m_boxes.Messages()[0].text, "Demod FPGA Configuration EEPROM Update has completed.");
    EXPECT_EQ(m_boxes.Messages()[0].title.rfind("Elapsed Time: 0::0", 0), 0u);
    EXPECT_EQ(m_session.Sim().Simulation().FpgaImage(8), image);
    EXPECT_EQ(m_session.CountReceived(0x1021), 2);
    EXPECT_EQ(m_session.LastPayload(0x1024), Bytes{0x30});
    EXPECT_EQ(m_session.LastPayload(0x1000), Bytes{3});
    EXPECT_FALSE(Page().FpgaUpdating());
    EXPECT_FALSE(Page().IsEnabled(IDC_SYS_CANCEL));
    EXPECT_EQ(Page().Text(IDC_SYS_PROGRAMMED), "512");
    EXPECT_EQ(Page().Text(IDC_SYS_PROGRESS_CAPTION[1]), "Prgrm Pages:");
    EXPECT_GE(m_session.CountReceived(0x1023), 2);  // the erase was polled until done
}

TEST_F(DspFlash, AnFpgaPathOrFileThatFailsLeavesTheMemoryAlone) {
    Page().SetText(IDC_SYS_FPGA_PATH, ImagePath("wrong.bin"));
    Page().Click(IDC_SYS_FPGA_LOAD);
    EXPECT_EQ(m_boxes.Messages().at(0).text,
              "File chosen is not a valid file for the Dual Purpose FPGA");
    m_boxes.Clear();
    Page().SetText(IDC_SYS_FPGA_PATH, ImagePath("kv90T_missing.bin"));
    Page().Click(IDC_SYS_FPGA_LOAD);
    EXPECT_EQ(m_boxes.Messages().at(0).title, "File Error");
    EXPECT_EQ(m_session.CountReceived(0x1022), 0);  // nothing erased
    EXPECT_FALSE(Page().FpgaUpdating());
    // 513 bytes are padded to three pages as 512 are.
    m_boxes.Clear();
    testsupport::WritePatternFile(ImagePath("kv90T_513.bin"), 513);
    Page().SetText(IDC_SYS_FPGA_PATH, ImagePath("kv90T_513.bin"));
    Page().Click(IDC_SYS_FPGA_LOAD);
    EXPECT_EQ(Page().Text(IDC_SYS_IMAGE_LENGTH), "768");
    Page().Click(IDC_SYS_CANCEL);
    m_boxes.Clear();
    m_boxes.SetOpenFileName("/images/demod.bin");
    Page().Click(IDC_SYS_FPGA_BROWSE);
    EXPECT_EQ(m_boxes.Messages().back().text, "File chosen is not a valid file for the Demod FPGA");
    m_boxes.SetOpenFileName("/images/kv90T_demod.bin");
    Page().Click(IDC_SYS_FPGA_BROWSE);
    EXPECT_EQ(Page().Text(IDC_SYS_FPGA_PATH), "/images/kv90T_demod.bin");
}

TEST_F(DspFlash, CancelStopsTheProgrammingAndFreesTheImage) {
    const std::string path = ImagePath("kv90T_big.bin");
    testsupport::WritePatternFile(path, 64 * 1024);
    m_session.Sim().Simulation().SetErasePolls(1);
    Page().SetText(IDC_SYS_FPGA_PATH, path);
    Page().Click(IDC_SYS_FPGA_LOAD);
    ASSERT_TRUE(testsupport::PumpUntil([&] { return m_session.CountReceived(0x1021) >= 64; }));
    Page().Click(IDC_SYS_CANCEL);
    EXPECT_FALSE(Page().FpgaUpdating());
    EXPECT_EQ(g_bEepromErasePoll, 0);
    EXPECT_EQ(g_bEepromProgramPoll, 0);
    ASSERT_EQ(m_boxes.Messages().size(), 1u);
    EXPECT_EQ(m_boxes.Messages()[0].title, "FPGA Update Cancelled");
    testsupport::PumpFor(50);
    const int pages = m_session.CountReceived(0x1021);
    testsupport::PumpFor(100);
    EXPECT_EQ(m_session.CountReceived(0x1021), pages);
    EXPECT_LT(pages, 257);
    EXPECT_EQ(m_session.CountReceived(0x1024), 0);
}

// Real time: the frames are paced onto a pseudo-terminal.
TEST(FpgaOverSerialRealTime, TheLinkSwitchesToTheEraseRepliesRateAndTheImageArrivesWhole) {
    testsupport::SimulatedDevice sim;
    CSerialCom link(testsupport::MakePortSettings(testsupport::SimulatedDevice::kPortName, 115200));
    ASSERT_NE(link.IsLinkGood(), 0);
    ASSERT_NE(link.ConfigurePort(), 0);
    ASSERT_NE(link.SetCommunicationTimeouts(0, 200, 0, 0, 0), 0);
    CKV90T1_Comm comm(&link);
    comm.m_nOperationalMode = 4;
    testsupport::TempDir dir;
    const std::string path = dir.Path() + "/kv90T_serial.bin";
    // Two rounds of pages, the second of one page.
    std::vector<uint8_t> image = testsupport::WritePatternFile(path, 65 * 256);
    sim.Simulation().SetErasePolls(1);
    ui::DialogInterceptor boxes;
    platform::BeepRecorder beeps;
    CKV90T_System page(&comm, 1, nullptr);
    page.Click(IDC_SYS_MEMORY[1]);
    page.SetText(IDC_SYS_FPGA_PATH, path);
    page.Click(IDC_SYS_FPGA_LOAD);
    platform::DeviceControlBlock applied;
    ASSERT_TRUE(sim.Server().PtyLineState(&applied));
    EXPECT_EQ(applied.BaudRate, 921600u);  // the rate the erase reply named
    ASSERT_TRUE(testsupport::PumpUntil([&] { return !boxes.Messages().empty(); }, 30000));
    EXPECT_EQ(boxes.Messages()[0].text, "Demod FPGA Configuration EEPROM Update has completed.");
    EXPECT_EQ(sim.Simulation().FpgaImage(1), image);  // whole pages: none more
    EXPECT_EQ(sim.Simulation().SelectedFpgaMemory(), 1);
    EXPECT_EQ(link.GetPortSettings()->defaultConfig.dcb.BaudRate, 921600u);
}

// A device that stops answering leaves the identity and the memory list empty, not zeros; a
// read that succeeds again brings them back.
TEST_F(SystemPage, FailedReadsShowNothingRatherThanZeros) {
    Open();
    const std::string serial = Page().Text(IDC_SYS_SERIAL_NUMBER);
    const std::string memory = Page().Text(IDC_SYS_MEMORY[0]);
    ASSERT_NE(serial, "");
    ASSERT_NE(memory, "");
    Comm().m_nDefaultTimeout = 100;
    sim::Fault silent = sim::MakeFault(sim::FaultKind::NoReply);
    silent.count = -1;
    m_session.Sim().Device().InjectFault(silent);
    Page().RefreshFromDevice();
    for (int id :
         {IDC_SYS_SERIAL_NUMBER, IDC_SYS_DSP1_VERSION, IDC_SYS_IP_ADDRESS, IDC_SYS_PERSONALITY_NAME,
          IDC_SYS_PRODUCT[0], IDC_SYS_MEMORY[0], IDC_SYS_MEMORY[3]}) {
        EXPECT_EQ(Page().Text(id), "") << id;
    }
    m_session.Sim().Device().ClearFaults();
    Page().RefreshFromDevice();
    EXPECT_EQ(Page().Text(IDC_SYS_SERIAL_NUMBER), serial);
    EXPECT_EQ(Page().Text(IDC_SYS_MEMORY[0]), memory);
}

// An empty image is refused before anything reaches the device, however it was chosen; a good
// one chosen through the file dialog is loaded and completed.
TEST_F(DspFlash, EmptyImagesAreRefusedAndTheFileDialogLeadsToTheBoxes) {
    const std::string dsp = ImagePath("KV90T1_DSP1_empty.bin");
    const std::string fpga = ImagePath("kv90T_empty.bin");
    testsupport::WritePatternFile(dsp, 0);
    testsupport::WritePatternFile(fpga, 0);
    m_boxes.SetOpenFileName(dsp);
    Page().Click(IDC_SYS_DSP_BROWSE[0]);
    ASSERT_EQ(Page().Text(IDC_SYS_DSP_PATH[0]), dsp);
    Page().Click(IDC_SYS_DSP_LOAD[0]);
    EXPECT_EQ(m_boxes.Messages().back().text, dsp + " is empty: there is no image to load.");
    EXPECT_EQ(m_boxes.Messages().back().title, "Empty Image File");
    m_boxes.SetOpenFileName(fpga);
    Page().Click(IDC_SYS_FPGA_BROWSE);
    ASSERT_EQ(Page().Text(IDC_SYS_FPGA_PATH), fpga);
    Page().Click(IDC_SYS_FPGA_LOAD);
    EXPECT_EQ(m_boxes.Messages().back().text, fpga + " is empty: there is no image to load.");
    EXPECT_FALSE(Page().FpgaUpdating());
    EXPECT_TRUE(m_session.Sim().Device().ReceivedFrames().empty());
    m_queue->ProcessMessages(0);
    EXPECT_TRUE(m_mainMessages.empty());  // status polling was not stopped for nothing

    const std::string good = ImagePath("kv90T_good.bin");
    const std::vector<uint8_t> image = testsupport::WritePatternFile(good, 300);
    m_boxes.SetOpenFileName(good);
    Page().Click(IDC_SYS_FPGA_BROWSE);
    Page().Click(IDC_SYS_FPGA_LOAD);
    ASSERT_TRUE(testsupport::PumpUntil([&] {
        return m_boxes.Messages().back().text ==
               "Demod FPGA Configuration EEPROM Update has completed.";
    }));
}

// A page the device does not answer is tried again, round after round, and says so; Cancel, or
// closing the window, acts between the attempts and says what is left on the memory.
TEST_F(DspFlash, APageThatIsNotAnsweredIsRetriedUntilCancelled) {
    const std::string path = ImagePath("kv90T_retry.bin");
    testsupport::WritePatternFile(path, 4 * 256);
    m_session.Sim().Simulation().SetErasePolls(1);
    sim::Fault garbled = sim::MakeFault(sim::FaultKind::LeadingNoise, 4);
    garbled.code = 0x1021;
    garbled.skip = 2;
    garbled.count = -1;
    m_session.Sim().Device().InjectFault(garbled);
    Page().Click(IDC_SYS_MEMORY[2]);
    for (bool closing : {false, true}) {
        m_boxes.Clear();
        Page().SetText(IDC_SYS_FPGA_PATH, path);
        Page().Click(IDC_SYS_FPGA_LOAD);
        // The first time pages 0 and 1 are answered; after that the device answers none.
        const std::string waiting =
            std::string(closing ? "page 0" : "page 2") + " not answered, retrying (attempt 3)";
        ASSERT_TRUE(
            testsupport::PumpUntil([&] { return Page().Text(IDC_SYS_TRANSFER_STATE) == waiting; }));
        QWidget window;
        window.show();
        if (closing) {
            EXPECT_TRUE(ui::LongOperation::DeferClose(&window));
        } else {
            Page().Click(IDC_SYS_CANCEL);
        }
        ASSERT_TRUE(testsupport::PumpUntil([&] { return !Page().FpgaUpdating(); }));
        ASSERT_EQ(m_boxes.Messages().size(), 1u) << closing;
        EXPECT_EQ(m_boxes.Messages()[0].text,
                  "The update was cancelled: configuration memory 2 is only partly programmed, "
                  "and must be programmed again before it is selected.");
        EXPECT_EQ(Page().Text(IDC_SYS_TRANSFER_STATE), "");
        EXPECT_EQ(m_session.CountReceived(0x1024), 0);
        if (closing) {
            EXPECT_TRUE(testsupport::PumpUntil([&] { return !window.isVisible(); }));
        }
        m_session.Sim().Device().ClearReceivedFrames();
    }
}

// A page the device is slow to answer does not freeze the window: it keeps painting (its timers
// run) while the transaction waits, and no second transaction starts meanwhile.
TEST_F(DspFlash, TheWindowKeepsPaintingWhileAPageWaitsForItsAnswer) {
    const std::string path = ImagePath("kv90T_slow.bin");
    testsupport::WritePatternFile(path, 2 * 256);
    m_session.Sim().Simulation().SetErasePolls(1);
    sim::Fault slow = sim::MakeFault(sim::FaultKind::LateLastByte, 600);
    slow.code = 0x1021;
    m_session.Sim().Device().InjectFault(slow);
    int ticksWhileWaiting = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout,
                     [&] { ticksWhileWaiting += Comm().InTransaction(); });
    ticker.start(20);
    Page().Click(IDC_SYS_MEMORY[2]);
    Page().SetText(IDC_SYS_FPGA_PATH, path);
    Page().Click(IDC_SYS_FPGA_LOAD);
    ASSERT_TRUE(testsupport::PumpUntil([&] { return !Page().FpgaUpdating(); }));
    EXPECT_GE(ticksWhileWaiting, 5);
    EXPECT_EQ(Comm().NestedTransactions(), 0u);
    EXPECT_EQ(m_session.CountReceived(0x1021), 2);
}

// Identity texts, personality names and chosen paths are shown whole, not cut at the box.
TEST_F(SystemPage, TextsAreShownWhole) {
    Open();
    Page().show();
    QApplication::processEvents();
    for (int id : {IDC_SYS_DEVICE_ID, IDC_SYS_PERSONALITY_NAME, IDC_SYS_PRODUCT[0]}) {
        auto* edit = qobject_cast<QLineEdit*>(Page().Control(id));
        ASSERT_NE(edit, nullptr);
        ASSERT_FALSE(edit->text().isEmpty()) << id;
        EXPECT_GT(edit->width(), edit->fontMetrics().horizontalAdvance(edit->text())) << id;
    }
}
