// The NAND flash page against the simulated device's recorder: the directory and its rules,
// and downloads over real loopback TCP with the simulator's faults.

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QProgressBar>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "pages/maintenance/CKV90T_NAND_Flash.h"
#include "platform/beep.h"
#include "platform/debug_output.h"
#include "protocol/CKV90T1_Comm.h"
#include "resources/resource_ids.h"
#include "sim/KV90TSimulation.h"
#include "tests/support/DeviceSession.h"
#include "tests/support/PumpUntil.h"
#include "tests/support/TempDir.h"
#include "ui/Format.h"
#include "ui/LongOperation.h"
#include "ui/MessageBoxes.h"

using namespace res;
using platform::Tone;
using testsupport::DeviceSession;
using testsupport::PumpUntil;
using Bytes = std::vector<uint8_t>;

namespace {

Bytes FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

class NandFlashPage : public ::testing::Test {
protected:
    explicit NandFlashPage(const sim::Profile& profile = sim::DefaultProfile())
        : m_session(profile) {}
    void SetUp() override { ASSERT_NE(Comm().ReadDeviceConfiguration(), 0); }
    void Open(int skip = 0) {
        m_page = std::make_unique<CKV90T_NAND_Flash>(&Comm(), skip, nullptr);
        m_page->SetProgramFolder(m_dir.Path() + "/");
        m_page->RefreshFromDevice();
        m_session.Sim().Device().ClearReceivedFrames();
        m_beeps.Clear();
    }
    void Record(int channel, std::vector<std::pair<std::string, uint64_t>> files) {
        m_session.Sim().Simulation().SetRecordings(channel, files);
    }
    // The bytes the simulated device's file i of `channel` holds.
    Bytes Contents(int channel, int file, uint64_t length) {
        const auto recorded = m_session.Sim().Simulation().RecordedFiles(channel)[file];
        Bytes bytes(length);
        for (uint64_t i = 0; i < length; ++i) {
            bytes[i] = sim::KV90TSimulation::RecordedByte(recorded, i);
        }
        return bytes;
    }
    std::string Path(const std::string& name) { return m_dir.Path() + "/" + name + ".ark"; }
    CKV90T1_Comm& Comm() { return m_session.Comm(); }
    CKV90T_NAND_Flash& Page() { return *m_page; }
    const std::string& Box() const { return m_boxes.Messages().at(0).text; }

    DeviceSession m_session;
    testsupport::TempDir m_dir;
    platform::BeepRecorder m_beeps;
    ui::DialogInterceptor m_boxes;
    std::unique_ptr<CKV90T_NAND_Flash> m_page;
};

}  // namespace

TEST_F(NandFlashPage, TheDirectoryWithItsRepairRule) {
    Record(0, {{"FLIGHT01", 5'000'000'000}, {"SHORT", 256}});
    Record(1, {});
    Open();
    EXPECT_EQ(Page().windowTitle().toStdString(), "NAND Flash");
    EXPECT_EQ(Page().Text(IDC_NAND_INSTALL), "");
    EXPECT_EQ(Page().Text(IDC_NAND_CHANNEL_TEXT), "CH1");
    EXPECT_EQ(Page().Check(IDC_NAND_CHANNEL[0]), 1);
    ASSERT_EQ(Page().RowCount(IDC_NAND_LIST), 2);
    EXPECT_EQ(Page().RowText(IDC_NAND_LIST, 0, 0), "0");
    EXPECT_EQ(Page().RowText(IDC_NAND_LIST, 0, 1), "FLIGHT01");
    EXPECT_EQ(Page().RowText(IDC_NAND_LIST, 0, 2), "5,000,000,000");
    EXPECT_EQ(Page().RowText(IDC_NAND_LIST, 1, 2), "256");
    EXPECT_TRUE(Page().IsEnabled(IDC_NAND_REPAIR));
    EXPECT_EQ(Page().Text(IDC_NAND_CAPACITY),
              ui::GroupThousands(int64_t(Comm().m_Recorder[0].remainingCapacity)));

    Record(0, {{"LONG", 257}});
    Page().Click(IDC_NAND_READ_DIRECTORY);
    EXPECT_EQ(Page().RowCount(IDC_NAND_LIST), 1);
    EXPECT_FALSE(Page().IsEnabled(IDC_NAND_REPAIR));
    EXPECT_EQ(m_beeps.Tones(), (std::vector<Tone>{{1000, 10}}));

    // Input waiting before a channel box: the box, then the channel all the same.
    m_session.Sim().Device().InjectFault(sim::MakeFault(sim::FaultKind::ExtraBytes, 2));
    Comm().ReadRecorderStatus();
    Page().Click(IDC_NAND_CHANNEL[1]);
    ASSERT_EQ(m_boxes.Messages().size(), 1u);
    EXPECT_EQ(Box(), "The COM Buffer was not empty.");
    EXPECT_EQ(Page().Text(IDC_NAND_CHANNEL_TEXT), "CH2");
    EXPECT_EQ(Page().Check(IDC_NAND_CHANNEL[0]), 0);
    EXPECT_EQ(Page().RowCount(IDC_NAND_LIST), 0);  // the first entry's name is empty

    EXPECT_FALSE(Page().IsEnabled(IDC_NAND_REPAIR));
    Record(1, {{"TINY", 10}});
    Page().Click(IDC_NAND_READ_DIRECTORY);
    m_session.Sim().Device().ClearReceivedFrames();
    Page().Click(IDC_NAND_REPAIR);
    EXPECT_EQ(m_session.LastPayload(0x1016), Bytes{1});
    EXPECT_EQ(m_session.CountReceived(0x2010), 4);  // the directory again after the repair
}

TEST_F(NandFlashPage, AFailedBlockLeavesTheRestUnreadAndBeepsLow) {
    Record(2, {{"A", 1000}, {"B", 2000}});
    Open();
    Page().Click(IDC_NAND_CHANNEL[2]);
    ASSERT_EQ(Page().RowCount(IDC_NAND_LIST), 2);
    Comm().m_nDefaultTimeout = 100;
    sim::Fault fault = sim::MakeFault(sim::FaultKind::NoReply);
    fault.code = 0x2010;
    fault.firstPayloadByte = 2 | 2 << 2;  // channel 3, block 2
    m_session.Sim().Device().InjectFault(fault);
    m_session.Sim().Device().ClearReceivedFrames();
    m_beeps.Clear();
    Page().Click(IDC_NAND_READ_DIRECTORY);
    std::vector<uint8_t> blocks;
    for (const auto& frame : m_session.Sim().Device().ReceivedFrames()) {
        EXPECT_NE(frame.code, 0x1015);  // the capacity stays unread
        if (frame.code == 0x2010) {
            blocks.push_back(frame.payload.at(0) >> 2);
        }
    }
    EXPECT_EQ(blocks, (std::vector<uint8_t>{0, 1, 2}));
    EXPECT_EQ(m_beeps.Tones(), (std::vector<Tone>{{100, 100}}));
    EXPECT_EQ(Page().RowCount(IDC_NAND_LIST), 2);
}

TEST_F(NandFlashPage, ADownloadReceivesTheWholeFileAndSaysSo) {
    Record(0, {{"REC1", 3'000'000}, {"ODD", 1'048'575}});
    Open();
    platform::DebugCapture debug;
    Page().DoubleClick(IDC_NAND_LIST, 0);
    const std::string path = Path("REC1");
    ASSERT_EQ(m_boxes.Messages().size(), 1u);
    EXPECT_EQ(m_boxes.Messages()[0].title, "File Download Complete");
    const std::string head = path +
                             " downloaded.\r\rReceived Length:    3,000,000 bytes.\r\rExpected "
                             "Length:    3,000,000 bytes.\r\rElapsed Time:         ";
    EXPECT_EQ(Box().substr(0, head.size()), head);
    EXPECT_EQ(Box().substr(Box().size() - 9), " seconds.");
    EXPECT_EQ(FileBytes(path), Contents(0, 0, 3'000'000));
    EXPECT_FALSE(std::filesystem::exists(path + ".part"));
    EXPECT_EQ(m_beeps.Tones(), (std::vector<Tone>{{1000, 10}}));
    EXPECT_EQ(Page().Pos(IDC_NAND_PROGRESS), 0);
    ASSERT_TRUE(PumpUntil([&] { return Page().SocketStopsHandled() >= 1; }));
    const char* const name = "***** CKV90T_NAND_Flash::DownloadFile(): ";
    const std::string lines[] = {
        "Initialized WinSock.",
        "socket() created.",
        "Starting to receive file.",
        "Attempting to connect() to 127.0.0.1.",
        "connect() to 127.0.0.1 succeeded.",
        "pBuffer = new char[] succeeded.",
        "File downloaded and saved: " + path + ".",
        "closesocket() succeeded.",
        "WSACleanup() succeeded.",
    };
    size_t at = 0;
    for (const std::string& line : lines) {
        at = debug.Text().find(name + line + "\r\n", at);
        EXPECT_NE(at, std::string::npos) << line;
    }

    // 1,048,575 bytes: a progress bar of 1023 KiB.
    m_boxes.Clear();
    Page().DoubleClick(IDC_NAND_LIST, 1);
    auto* bar = qobject_cast<QProgressBar*>(Page().Control(IDC_NAND_PROGRESS));
    EXPECT_EQ(bar->maximum(), 1023);
    EXPECT_EQ(FileBytes(Path("ODD")).size(), 1'048'575u);
    // A double click below the rows takes the first file.
    m_boxes.Clear();
    Page().DoubleClick(IDC_NAND_LIST, -1);
    EXPECT_EQ(Box().substr(0, path.size()), path);
}

// Whatever goes wrong, an earlier complete download stays as it was, what arrived stays in the
// temporary file, and the box is a warning that says how much arrived and why the rest did not.
TEST_F(NandFlashPage, AFailedDownloadKeepsTheEarlierFileAndSaysWhy) {
    Record(0, {{"CUT", 65'536}});
    Open();
    Page().DoubleClick(IDC_NAND_LIST, 0);
    ASSERT_EQ(m_boxes.Messages().at(0).title, "File Download Complete");
    const Bytes whole = Contents(0, 0, 65'536);
    ASSERT_EQ(FileBytes(Path("CUT")), whole);
    const std::string part = Path("CUT") + ".part";
    const struct {
        sim::DownloadFault fault;
        std::string reason;
        uint64_t kept;
    } cases[] = {
        {{sim::DownloadFaultKind::DropAfter, 1000},
         "the device closed the connection after 1000 of 65536 bytes",
         1000},
        {{sim::DownloadFaultKind::ResetAfter, 1000},
         "the connection failed after 1000 of 65536 bytes: Connection reset by peer",
         1000},
        {{sim::DownloadFaultKind::Overrun, 1000},
         "the device sent more than the 65536 bytes it announced",
         65'536},
        {{sim::DownloadFaultKind::Refuse, 0},
         "cannot connect to the recorder's endpoint 127.0.0.1:",
         0},
    };
    for (const auto& c : cases) {
        m_boxes.Clear();
        m_beeps.Clear();
        m_session.Sim().Simulation().InjectDownloadFault(c.fault);
        Page().DoubleClick(IDC_NAND_LIST, 0);
        ASSERT_EQ(m_boxes.Messages().size(), 1u) << c.reason;
        EXPECT_EQ(m_boxes.Messages()[0].title, "File Download Failed");
        EXPECT_EQ(m_boxes.Messages()[0].icon, ui::MessageIcon::Warning);
        EXPECT_EQ(Box().rfind(Path("CUT") + " was not downloaded: " + c.reason, 0), 0u) << Box();
        EXPECT_NE(Box().find("Received Length:    " +
                             ui::GroupThousands(static_cast<int64_t>(c.kept)) + " bytes."),
                  std::string::npos)
            << Box();
        EXPECT_EQ(FileBytes(Path("CUT")), whole) << c.reason;
        EXPECT_EQ(std::filesystem::exists(part), c.kept > 0) << c.reason;
        if (c.kept > 0) {
            EXPECT_EQ(FileBytes(part), Contents(0, 0, c.kept)) << c.reason;
        }
        EXPECT_EQ(m_beeps.Tones(), (std::vector<Tone>{{100, 100}})) << c.reason;
    }
    EXPECT_NE(Box().find("Connection refused"), std::string::npos) << Box();
}

// A file that holds nothing is made, replacing an older one; a name that ends in ".ark" keeps
// its one ".ark"; a folder that cannot take the file fails before the device is connected.
TEST_F(NandFlashPage, EmptyFilesNamesAndFoldersThatCannotTakeTheFile) {
    Record(0, {{"EMPTY", 0}, {"SECOND.ark", 100}});
    Open();
    std::ofstream(Path("EMPTY")) << "an older download";
    Page().DoubleClick(IDC_NAND_LIST, 0);
    EXPECT_EQ(m_boxes.Messages().at(0).title, "File Download Complete");
    EXPECT_TRUE(std::filesystem::exists(Path("EMPTY")));
    EXPECT_EQ(std::filesystem::file_size(Path("EMPTY")), 0u);
    Page().DoubleClick(IDC_NAND_LIST, 1);
    EXPECT_EQ(FileBytes(m_dir.Path() + "/SECOND.ark"), Contents(0, 1, 100));
    EXPECT_EQ(recorder::DownloadName("A.ark"), "A.ark");
    EXPECT_EQ(recorder::DownloadName(".ark"), "_ark.ark");

    m_boxes.Clear();
    Page().SetProgramFolder(m_dir.Path() + "/missing/");
    Page().DoubleClick(IDC_NAND_LIST, 1);
    EXPECT_EQ(Box(), m_dir.Path() + "/missing/SECOND.ark was not downloaded: cannot create " +
                         m_dir.Path() +
                         "/missing/SECOND.ark.part: No such file or directory.\r\rReceived "
                         "Length:    0 bytes.\r\rExpected Length:    100 bytes.");

    // A disk that fills: the temporary file is the full device.
    m_boxes.Clear();
    Page().SetProgramFolder(m_dir.Path() + "/");
    std::filesystem::create_symlink("/dev/full", m_dir.Path() + "/SECOND.ark.part");
    std::ofstream(m_dir.Path() + "/SECOND.ark") << "kept";
    Page().DoubleClick(IDC_NAND_LIST, 1);
    EXPECT_NE(
        Box().find("cannot write " + m_dir.Path() + "/SECOND.ark.part: No space left on device"),
        std::string::npos)
        << Box();
    EXPECT_EQ(FileBytes(m_dir.Path() + "/SECOND.ark"), (Bytes{'k', 'e', 'p', 't'}));
}

// A connection that goes quiet ends after the inactivity time; one that drips on is ended by
// closing the window. Real time: the device's stall and drip are its own delays.
using NandFlashPageRealTime = NandFlashPage;
TEST_F(NandFlashPageRealTime, AStalledDownloadEndsAndClosingTheWindowCancelsADrip) {
    Record(0, {{"SLOW", 100'000}});
    Open();
    Page().SetInactivityTimeout(300);
    m_session.Sim().Simulation().InjectDownloadFault({sim::DownloadFaultKind::Stall, 10'000});
    Page().DoubleClick(IDC_NAND_LIST, 0);
    EXPECT_EQ(Box().rfind(Path("SLOW") + " was not downloaded: download stalled: no byte for "
                                         "300 ms after 10000 of 100000 bytes.",
                          0),
              0u)
        << Box();

    m_boxes.Clear();
    sim::DownloadFault drip{sim::DownloadFaultKind::Drip, 10'000};
    drip.stallMs = 100;
    m_session.Sim().Simulation().InjectDownloadFault(drip);
    QWidget window;
    window.show();
    QTimer::singleShot(500, [&] { EXPECT_TRUE(ui::LongOperation::DeferClose(&window)); });
    QElapsedTimer timer;
    timer.start();
    Page().DoubleClick(IDC_NAND_LIST, 0);
    EXPECT_LT(timer.elapsed(), 5000);
    EXPECT_TRUE(m_boxes.Messages().empty());
    EXPECT_TRUE(Page().LastDownload().Ended());
    EXPECT_TRUE(PumpUntil([&] { return !window.isVisible(); }));
    EXPECT_FALSE(ui::LongOperation::StopRequested());
}

TEST_F(NandFlashPage, TheBoxComesWhenTheTransferFlagClearsWhateverIsMissing) {
    Record(0, {{"STALL", 100'000}});
    Open();
    sim::DownloadFault stall{sim::DownloadFaultKind::Stall, 10'000};
    stall.stallMs = 300;
    m_session.Sim().Simulation().InjectDownloadFault(stall);
    Page().DoubleClick(IDC_NAND_LIST, 0);
    EXPECT_NE(Box().find("Received Length:    10,000 bytes."), std::string::npos);
    EXPECT_NE(Box().find("Expected Length:    100,000 bytes."), std::string::npos);

    // The device stops reporting the transfer while the connection still waits: the box at
    // once, and closing the page ends the worker without waiting for the connection.
    m_boxes.Clear();
    stall.stallMs = 30'000;
    m_session.Sim().Simulation().InjectDownloadFault(stall);
    m_session.Answer(0x1011, {0, 0});
    QElapsedTimer timer;
    timer.start();
    Page().DoubleClick(IDC_NAND_LIST, 0);
    EXPECT_EQ(m_boxes.Messages().size(), 1u);
    m_page.reset();
    EXPECT_LT(timer.elapsed(), 5000);
}

TEST_F(NandFlashPage, AStatusThatFailsOrAFlagThatStaysSetEndsTheWait) {
    Record(0, {{"F", 50'000}});
    Open();
    m_session.Sim().Simulation().InjectDownloadFault({sim::DownloadFaultKind::StuckTransfer, 0});
    Page().DoubleClick(IDC_NAND_LIST, 0);
    EXPECT_NE(Box().find("Received Length:    50,000 bytes."), std::string::npos);
    EXPECT_EQ(m_beeps.Tones(), (std::vector<Tone>{{1000, 10}}));

    // The transfer stays under way (the connection stalls) while the device stops answering.
    m_boxes.Clear();
    m_beeps.Clear();
    sim::DownloadFault stall{sim::DownloadFaultKind::Stall, 10'000};
    m_session.Sim().Simulation().InjectDownloadFault(stall);
    Comm().m_nDefaultTimeout = 100;
    sim::Fault fault = sim::MakeFault(sim::FaultKind::NoReply);
    fault.code = 0x1011;
    fault.count = -1;
    fault.skip = 1;
    m_session.Sim().Device().InjectFault(fault);
    Page().DoubleClick(IDC_NAND_LIST, 0);
    EXPECT_EQ(m_boxes.Messages().size(), 1u);
    EXPECT_EQ(m_beeps.Tones(), (std::vector<Tone>{{100, 100}}));
}

TEST_F(NandFlashPage, NamesFromTheDeviceStayInTheProgramFolder) {
    EXPECT_EQ(recorder::SafeFileName("../x"), "_._x");
    EXPECT_EQ(recorder::SafeFileName("a/b"), "a_b");
    EXPECT_EQ(recorder::SafeFileName("\\evil"), "_evil");
    EXPECT_EQ(recorder::SafeFileName("two\nlines"), "two_lines");
    EXPECT_EQ(recorder::SafeFileName(""), "_");
    EXPECT_EQ(recorder::SafeFileName("a..b"), "a__b");
    EXPECT_EQ(recorder::SafeFileName("FLIGHT-07.v2"), "FLIGHT-07.v2");
    Record(0, {{"../x", 1000}});
    Open();
    Page().DoubleClick(IDC_NAND_LIST, 0);
    EXPECT_EQ(FileBytes(Path("_._x")).size(), 1000u);
    EXPECT_FALSE(std::filesystem::exists(m_dir.Path() + "/../x.ark"));
}

class NandFlashPageWithoutRecorder : public NandFlashPage {
protected:
    NandFlashPageWithoutRecorder() : NandFlashPage(WithoutRecorder()) {}
    static sim::Profile WithoutRecorder() {
        sim::Profile profile = sim::DefaultProfile();
        profile.recorder = false;
        return profile;
    }
};

TEST_F(NandFlashPageWithoutRecorder, SaysSoAndSkippedReadsSendNothing) {
    Open(1);
    EXPECT_EQ(Page().Text(IDC_NAND_INSTALL), "*** NAND Flash is NOT installed. ***");
    Page().RefreshFromDevice();
    EXPECT_TRUE(m_session.Sim().Device().ReceivedFrames().empty());
}
