// The DAU setup channel page against the simulated device: the setup and DAC controls on the
// wire, continuous ADC updates, and the sampling stream over real loopback datagrams from
// start to the converted file, with the shell's "open" intercepted.

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "pages/dau/CKV90T1_DAU_SetupChannelDlg.h"
#include "pages/dau/sampling_data.h"
#include "platform/beep.h"
#include "platform/debug_output.h"
#include "platform/shell_open.h"
#include "protocol/operational_modes.h"
#include "resources/resource_ids.h"
#include "sim/Bytes.h"
#include "tests/support/DeviceSession.h"
#include "tests/support/PumpUntil.h"
#include "tests/support/TempDir.h"
#include "ui/Format.h"
#include "ui/MessageBoxes.h"
#include "ui/StripChart.h"

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

class DauChannelPage : public ::testing::Test {
protected:
    DauChannelPage() : m_session(*sim::FindProfile("dau")) {}
    void SetUp() override {
        ASSERT_NE(Comm().ReadDeviceConfiguration(), 0);
        ASSERT_EQ(Comm().m_nOperationalMode, protocol::kModeDau);
        m_previousOpener = platform::SetShellOpener([this](const std::string& path, int* error) {
            m_opened.push_back(path);
            *error = m_openError;
            return m_openError == 0;
        });
    }
    void TearDown() override {
        m_page.reset();
        platform::SetShellOpener(m_previousOpener);
        CKV90T1_DAU_SetupChannelDlg::s_nKeepAliveIntervalMs = 30'000;
        g_bContinuousAdc[0] = g_bContinuousAdc[1] = 0;
    }
    void Open(uint32_t channel = 0, int skip = 0) {
        m_page = std::make_unique<CKV90T1_DAU_SetupChannelDlg>(&Comm(), channel, skip, nullptr);
        m_page->SetProgramFolder(m_dir.Path() + "/");
        m_page->SetUseEthernet(1);
        m_page->RefreshFromDevice();
        m_session.Sim().Device().ClearReceivedFrames();
        m_beeps.Clear();
    }
    CKV90T1_Comm& Comm() { return m_session.Comm(); }
    CKV90T1_DAU_SetupChannelDlg& Page() { return *m_page; }
    Bytes Last(uint16_t code) { return m_session.LastPayload(code); }
    Bytes Destination(uint8_t first) {
        UdpReceiveSocket* socket = Page().Worker()->Socket();
        const uint16_t port = socket->GetLocalPort();
        return {first, 127, 0, 0, 1, static_cast<uint8_t>(port >> 8), static_cast<uint8_t>(port)};
    }

    DeviceSession m_session;
    testsupport::TempDir m_dir;
    platform::BeepRecorder m_beeps;
    ui::DialogInterceptor m_boxes;
    platform::ShellOpener m_previousOpener;
    std::vector<std::string> m_opened;
    int m_openError = 0;
    std::unique_ptr<CKV90T1_DAU_SetupChannelDlg> m_page;
};

}  // namespace

TEST_F(DauChannelPage, SetupFieldsAreClampedAndSentWithTheSelections) {
    Open(1);
    EXPECT_EQ(Page().windowTitle().toStdString(), "Setup Rcvr2");
    EXPECT_EQ(Page().Text(IDC_DAU_TITLE), "CH2");
    for (auto [bandwidth, samples, sentBandwidth, sentSamples] :
         {std::tuple{"60,000", "697", 50'000u, 696u}, std::tuple{"5000", "11", 10'000u, 10u},
          std::tuple{"25,000", "13", 25'000u, 12u}}) {
        Page().SetText(IDC_DAU_BANDWIDTH, bandwidth);
        Page().SetText(IDC_DAU_SAMPLES, samples);
        Page().Click(IDC_DAU_BANDWIDTH_SEND);
        const Bytes request = Last(0x1500);
        ASSERT_EQ(request.size(), 14u);
        EXPECT_EQ(sim::GetNumber(request, 1, 4), sentBandwidth);
        EXPECT_EQ(sim::GetNumber(request, 5, 2), sentSamples);
        EXPECT_EQ(Page().Text(IDC_DAU_BANDWIDTH), ui::GroupThousands(sentBandwidth));
        EXPECT_EQ(Page().Text(IDC_DAU_DATAGRAM_SIZE), std::to_string(24 + 2 * sentSamples));
        EXPECT_EQ(Page().Worker()->ExpectedLength(), 24 + 2 * sentSamples);
    }
    EXPECT_EQ(m_beeps.Tones(), std::vector<Tone>(3, Tone{1000, 10}));

    Page().Click(IDC_DAU_SE[2]);
    Page().Click(IDC_DAU_IMPEDANCE[1]);
    EXPECT_EQ(Last(0x1500)[0], 1 | 1 << 1 | 1 << 3 | 2 << 5);  // channel 2, BB2, 75 ohm, SE3
    EXPECT_EQ(Page().Check(IDC_DAU_SE[2]), 1);
    EXPECT_EQ(Page().Check(IDC_DAU_SE[0]), 0);
    // Input waiting before "IRIG": the box, then the request all the same.
    m_session.Sim().Device().InjectFault(sim::MakeFault(sim::FaultKind::ExtraBytes, 3));
    Page().Click(IDC_DAU_SE[0]);
    ASSERT_TRUE(PumpUntil([&] { return m_session.CountReceived(0x1500) >= 6; }));
    testsupport::PumpFor(50);
    Page().Click(IDC_DAU_BB[2]);
    ASSERT_EQ(m_boxes.Messages().size(), 1u);
    EXPECT_EQ(m_boxes.Messages()[0].text, "The COM Buffer was not empty.");
    EXPECT_EQ(m_boxes.Messages()[0].title, "COM Buffer");
    EXPECT_EQ(Last(0x1500)[0] & 0x06, 2 << 1);
    EXPECT_EQ(Page().Check(IDC_DAU_BB[2]), 1);
}

TEST_F(DauChannelPage, DacStepsStopAtTheirLimitsAndAFailureKeepsWhatWasTyped) {
    Open();
    Page().SetText(IDC_DAU_GAIN, "50");
    Page().SetText(IDC_DAU_BASELINE, "20000");
    Page().Click(IDC_DAU_GAIN_STEP[3]);  // -100
    EXPECT_EQ(Last(0x1501), (Bytes{0, 0, 0, 0x3F, 0xFF, 0, 0, 0, 0}));
    Page().SetText(IDC_DAU_GAIN, "16300");
    Page().Click(IDC_DAU_GAIN_STEP[2]);  // +100
    EXPECT_EQ(sim::GetNumber(Last(0x1501), 1, 2), 16383u);
    Page().Click(IDC_DAU_BASELINE_STEP[1]);  // -10
    EXPECT_EQ(sim::GetNumber(Last(0x1501), 3, 2), 16373u);
    EXPECT_EQ(Page().Text(IDC_DAU_BASELINE), "16373");
    Page().SetPos(IDC_DAU_GAIN_UPDOWN, 100);
    Page().StepUpDown(IDC_DAU_GAIN_UPDOWN, +1);
    EXPECT_EQ(sim::GetNumber(Last(0x1501), 1, 2), 101u);
    EXPECT_EQ(sim::GetNumber(Last(0x1501), 3, 2), 16373u);
    Page().SetPos(IDC_DAU_SAMPLES_UPDOWN, 100);
    Page().StepUpDown(IDC_DAU_SAMPLES_UPDOWN, +1);  // one step is 2
    EXPECT_EQ(sim::GetNumber(Last(0x1500), 5, 2), 102u);

    m_beeps.Clear();
    Comm().m_nDefaultTimeout = 100;
    sim::Fault fault = sim::MakeFault(sim::FaultKind::NoReply);
    fault.code = 0x1501;
    m_session.Sim().Device().InjectFault(fault);
    Page().SetText(IDC_DAU_GAIN, "1234");
    Page().Click(IDC_DAU_DAC_SEND);
    EXPECT_EQ(m_beeps.Tones(), (std::vector<Tone>{{100, 100}}));
    EXPECT_EQ(Page().Text(IDC_DAU_GAIN), "1234");
}

TEST_F(DauChannelPage, TheSaveBoxDecidesTheConvertBoxAndSkippedReadsSendNothing) {
    Open(0, 1);
    EXPECT_EQ(m_session.Sim().Device().ReceivedFrames().size(), 0u);
    Comm().m_Dau[0].signalBandwidth = 12'345;
    Comm().m_TimeCode.external1Pps = 1;
    Page().RefreshFromDevice();
    EXPECT_EQ(m_session.Sim().Device().ReceivedFrames().size(), 0u);
    EXPECT_EQ(Page().Text(IDC_DAU_BANDWIDTH), "12,345");
    EXPECT_FALSE(Page().IsShown(IDC_DAU_NO_1PPS));
    EXPECT_EQ(Page().Check(IDC_DAU_SAVE_BINARY), 1);
    EXPECT_EQ(Page().Check(IDC_DAU_CONVERT_CSV), 1);
    Page().Click(IDC_DAU_SAVE_BINARY);
    EXPECT_EQ(Page().Check(IDC_DAU_CONVERT_CSV), 0);
    EXPECT_FALSE(Page().IsEnabled(IDC_DAU_CONVERT_CSV));
    Page().Click(IDC_DAU_SAVE_BINARY);
    EXPECT_EQ(Page().Check(IDC_DAU_CONVERT_CSV), 1);
    EXPECT_TRUE(Page().IsEnabled(IDC_DAU_CONVERT_CSV));
    EXPECT_TRUE(m_beeps.Tones().empty());
}

TEST_F(DauChannelPage, ContinuousAdcUpdatesPollWhileShownAndPauseWhileHidden) {
    Open(1);
    platform::DebugCapture debug;
    Page().Click(IDC_DAU_CONTINUOUS_ADC);
    EXPECT_EQ(g_bContinuousAdc[1], 1);
    EXPECT_EQ(Page().Check(IDC_DAU_CONTINUOUS_ADC), 1);
    ASSERT_TRUE(PumpUntil([&] { return m_session.CountReceived(0x1004) >= 2; }));
    EXPECT_EQ(Last(0x1004), Bytes{3});
    ASSERT_TRUE(PumpUntil([&] { return !Page().Text(IDC_DAU_OVR).empty(); }));
    EXPECT_TRUE(m_beeps.Tones().empty());
    Page().OnLeaving();
    EXPECT_EQ(g_bContinuousAdc[1], 0);
    testsupport::PumpFor(50);
    m_session.Sim().Device().ClearReceivedFrames();
    testsupport::PumpFor(100);
    EXPECT_EQ(m_session.CountReceived(0x1004), 0);
    Page().RefreshFromDevice();
    EXPECT_EQ(g_bContinuousAdc[1], 1);
    ASSERT_TRUE(PumpUntil([&] { return m_session.CountReceived(0x1004) >= 1; }));
    m_session.Sim().Device().InjectFault(sim::MakeFault(sim::FaultKind::ExtraBytes, 2));
    ASSERT_TRUE(PumpUntil([&] { return !debug.Text().empty(); }));
    EXPECT_NE(debug.Text().find("Extra bytes found after an ADC Update message:\r\n"),
              std::string::npos);
}

TEST_F(DauChannelPage, OutsideDauModeTheStreamAndTheThreadAreNotThere) {
    Comm().m_nOperationalMode = protocol::kModePsk;
    Open();
    EXPECT_EQ(Page().Worker(), nullptr);
    EXPECT_EQ(g_bDauRequestDataThreadRun, 0);
    g_nNextKeepAliveMs[0] = 1234;
    Page().Click(IDC_DAU_REQUEST_DATA);
    EXPECT_EQ(m_beeps.Tones(), (std::vector<Tone>{{100, 100}}));
    EXPECT_EQ(g_nNextKeepAliveMs[0], 0u);
    EXPECT_EQ(Page().Check(IDC_DAU_REQUEST_DATA), 0);
    Page().Click(IDC_DAU_CONTINUOUS_ADC);
    EXPECT_EQ(Page().Check(IDC_DAU_CONTINUOUS_ADC), 1);
    testsupport::PumpFor(100);
    EXPECT_EQ(m_session.Sim().Device().ReceivedFrames().size(), 0u);
}

TEST_F(DauChannelPage, RequestIsOnlyForEthernet) {
    Open();
    EXPECT_TRUE(Page().IsEnabled(IDC_DAU_REQUEST_DATA));
    Page().SetUseEthernet(0);
    EXPECT_FALSE(Page().IsEnabled(IDC_DAU_REQUEST_DATA));
}

TEST_F(DauChannelPage, AStreamFromStartToTheConvertedFile) {
    CKV90T1_DAU_SetupChannelDlg::s_nKeepAliveIntervalMs = 300;
    m_session.Sim().Simulation().SetDauRate(200);
    Open();
    Page().Click(IDC_DAU_REQUEST_DATA);
    ASSERT_NE(Page().Worker()->Socket(), nullptr);
    EXPECT_TRUE(Page().Streaming());
    EXPECT_EQ(Page().Check(IDC_DAU_REQUEST_DATA), 1);
    EXPECT_FALSE(Page().IsEnabled(IDC_DAU_SAVE_BINARY));
    EXPECT_EQ(m_beeps.Tones(), (std::vector<Tone>{{100, 100}}));
    const std::string path = Page().LastSamplingPath();
    EXPECT_EQ(path.rfind(m_dir.Path() + "/CH1.", 0), 0u) << path;
    EXPECT_EQ(path.substr(path.size() - 4), ".dau");
    const uint16_t devicePort = m_session.Sim().Simulation().DauDataPort(0);
    EXPECT_EQ(Page().Text(IDC_DAU_REMOTE_SOCKET), "127.0.0.1:" + std::to_string(devicePort));
    EXPECT_EQ(Page().Text(IDC_DAU_LOCAL_SOCKET),
              "127.0.0.1::" + std::to_string(Page().Worker()->Socket()->GetLocalPort()));

    // The first request at once, then one every interval.
    ASSERT_TRUE(PumpUntil([&] { return m_session.CountReceived(0x1002) >= 1; }));
    EXPECT_EQ(Last(0x1002), Destination(0x89));
    ASSERT_TRUE(PumpUntil([&] { return !Page().Text(IDC_DAU_SEQUENCE).empty(); }));
    EXPECT_EQ(Page().Text(IDC_DAU_GPS_QUALITY), "1 = GPS fix");
    EXPECT_EQ(Page().ShownLamp(IDC_DAU_TSLOCK_GREEN), IDC_DAU_TSLOCK_GREEN);
    EXPECT_EQ(Page().ShownLamp(IDC_DAU_FLYWHEEL_YELLOW), IDC_DAU_FLYWHEEL_GREY);
    EXPECT_EQ(Page().Text(IDC_DAU_HEADER_WORD[0]).substr(2), "01");  // GPS quality
    // The waveform: the 696 samples of the shown datagram over the chart's width.
    const ui::StripChart* chart = Page().Chart(IDC_DAU_WAVEFORM);
    ASSERT_EQ(chart->Panels().size(), 1u);
    const auto& wave = chart->Panels()[0].series.at(0).columns;
    EXPECT_EQ(int(wave.size()), chart->PlotColumns());
    EXPECT_TRUE(std::all_of(wave.begin(), wave.end(), [](const auto& c) { return c.valid; }));
    EXPECT_TRUE(std::any_of(wave.begin(), wave.end(),
                            [&](const auto& c) { return c.high != wave[0].high; }));
    ASSERT_TRUE(PumpUntil([&] { return m_session.CountReceived(0x1002) >= 3; }));
    ASSERT_TRUE(PumpUntil([&] { return Page().Worker()->ReceivedBytes() >= 40 * 1416; }));

    m_beeps.Clear();
    Page().Click(IDC_DAU_REQUEST_DATA);
    EXPECT_FALSE(Page().Streaming());
    EXPECT_EQ(Page().Worker()->Socket(), nullptr);
    EXPECT_EQ(Page().Check(IDC_DAU_REQUEST_DATA), 0);
    EXPECT_TRUE(Page().IsEnabled(IDC_DAU_SAVE_BINARY));
    EXPECT_EQ(m_beeps.Tones(), (std::vector<Tone>{{1000, 20}}));
    const std::string csv = path.substr(0, path.size() - 4) + ".csv";
    EXPECT_EQ(m_opened, std::vector<std::string>{csv});

    // The file holds whole datagrams in the order sent; the CSV has a line per sample of all
    // but the first.
    const Bytes file = FileBytes(path);
    ASSERT_GE(file.size(), 40u * 1416);
    ASSERT_EQ(file.size() % 1416, 0u);
    const size_t datagrams = file.size() / 1416;
    for (size_t i = 1; i < datagrams; ++i) {
        EXPECT_EQ(sim::GetNumber(file, i * 1416 + 6, 2), (sim::GetNumber(file, 6, 2) + i) & 0xFFFF);
    }
    std::ifstream text(csv, std::ios::binary);
    const std::string lines(std::istreambuf_iterator<char>(text), {});
    EXPECT_EQ(static_cast<size_t>(std::count(lines.begin(), lines.end(), '\r')),
              (datagrams - 1) * 696);
    EXPECT_EQ(lines.find('\n'), std::string::npos);

    // No more keep-alives once stopped.
    const int requests = m_session.CountReceived(0x1002);
    testsupport::PumpFor(100);
    EXPECT_EQ(m_session.CountReceived(0x1002), requests);
    EXPECT_FALSE(m_session.Sim().Simulation().StreamActive(0));
}

TEST_F(DauChannelPage, StoppingWithoutConversionOrWhenItFailsSaysWhatHappened) {
    Open();
    Page().Click(IDC_DAU_CONVERT_CSV);  // off
    Page().Click(IDC_DAU_REQUEST_DATA);
    ASSERT_TRUE(PumpUntil([&] { return Page().Worker()->ReceivedBytes() >= 2 * 1416; }));
    Page().Click(IDC_DAU_REQUEST_DATA);
    const std::string path = Page().LastSamplingPath();
    EXPECT_TRUE(std::filesystem::exists(path));
    EXPECT_FALSE(std::filesystem::exists(dau::CsvPathOf(path)));
    EXPECT_TRUE(m_opened.empty());

    // The shell cannot open the file. A stream started again within the same second records
    // into a file of its own.
    Page().Click(IDC_DAU_CONVERT_CSV);
    m_openError = 2;
    Page().Click(IDC_DAU_REQUEST_DATA);
    EXPECT_NE(Page().LastSamplingPath(), path);
    EXPECT_TRUE(std::filesystem::exists(path));
    ASSERT_TRUE(PumpUntil([&] { return Page().Worker()->ReceivedBytes() >= 1416; }));
    Page().Click(IDC_DAU_REQUEST_DATA);
    ASSERT_EQ(m_boxes.Messages().size(), 1u);
    EXPECT_EQ(m_boxes.Messages()[0].text,
              "Cannot Open Report File for Editing, Error=2\r\r" +
                  dau::CsvPathOf(Page().LastSamplingPath()) +
                  " was written, but no program could be started to open it (xdg-open: No such "
                  "file or directory).");
    EXPECT_EQ(m_boxes.Messages()[0].title, "Edit File Error");
    EXPECT_TRUE(Page().IsEnabled(IDC_DAU_SAVE_BINARY));

    // The CSV cannot be created: a folder stands in its place.
    m_boxes.Clear();
    m_opened.clear();
    Page().Click(IDC_DAU_REQUEST_DATA);
    std::filesystem::create_directory(dau::CsvPathOf(Page().LastSamplingPath()));
    Page().Click(IDC_DAU_REQUEST_DATA);
    ASSERT_EQ(m_boxes.Messages().size(), 1u);
    EXPECT_EQ(m_boxes.Messages()[0].text.rfind(
                  "Cannot create " + dau::CsvPathOf(Page().LastSamplingPath()), 0),
              0u)
        << m_boxes.Messages()[0].text;
    EXPECT_TRUE(m_opened.empty());
    EXPECT_TRUE(Page().IsEnabled(IDC_DAU_SAVE_BINARY));
}

// A recording that cannot be made is said at once, while the stream itself goes on.
TEST_F(DauChannelPage, ARecordingThatStopsIsSaidAtOnce) {
    Open();
    Page().SetProgramFolder(m_dir.Path() + "/missing/");
    Page().Click(IDC_DAU_REQUEST_DATA);
    ASSERT_EQ(m_boxes.Messages().size(), 1u);
    EXPECT_EQ(m_boxes.Messages()[0].title, "Recording Stopped");
    EXPECT_EQ(m_boxes.Messages()[0].icon, ui::MessageIcon::Warning);
    EXPECT_EQ(m_boxes.Messages()[0].text.rfind(
                  "Recording stopped: cannot create " + m_dir.Path() + "/missing/CH1.", 0),
              0u)
        << m_boxes.Messages()[0].text;
    EXPECT_TRUE(Page().Streaming());
    ASSERT_TRUE(PumpUntil([&] { return Page().Worker()->ReceivedBytes() >= 2 * 1416; }));
    EXPECT_EQ(m_boxes.Messages().size(), 1u);
    Page().Click(IDC_DAU_REQUEST_DATA);
    EXPECT_FALSE(Page().Streaming());
    EXPECT_EQ(m_boxes.Messages().size(), 1u);  // nothing to convert
}

TEST_F(DauChannelPage, DestroyingThePageWhileStreamingStopsTheStreamAtOnce) {
    Open();
    Page().Click(IDC_DAU_REQUEST_DATA);
    ASSERT_TRUE(PumpUntil([&] { return m_session.Sim().Simulation().StreamActive(0); }));
    m_session.Sim().Device().ClearReceivedFrames();
    QElapsedTimer timer;
    timer.start();
    m_page.reset();
    EXPECT_LT(timer.elapsed(), 1000);
    EXPECT_EQ(m_session.CountReceived(0x1002), 1);
    EXPECT_EQ(m_session.LastPayload(0x1002).at(0), 0x09);  // stream 9, stop
    EXPECT_EQ(g_bDauRequestDataThreadRun, 0);
    EXPECT_EQ(g_bDauStreamActive[9], 0);
}
