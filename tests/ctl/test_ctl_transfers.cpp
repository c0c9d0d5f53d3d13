// The DAU stream and the recorder from the command line, against the simulated device, with the
// same files the console's pages write.

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <thread>

#include "sim/KV90TSimulation.h"
#include "tests/ctl/ctl_run.h"
#include "tests/support/FastForward.h"
#include "tests/support/TempDir.h"
#include "transfer/sampling_file.h"

namespace {

std::vector<uint8_t> ReadAll(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// Runs kv90t-ctl while the console's clock and the device's manual one run on together, five
// times as fast as real time, so that a stream of seconds takes a fraction of one.
CtlRun RunStreaming(testsupport::SimulatedDevice& sim, const std::vector<std::string>& args) {
    const testsupport::FastForward seconds(10, 2, testsupport::FastForward::BetweenTransactions,
                                           [&sim](uint32_t ms) { sim.Clock().Advance(ms); });
    return RunCtl(args);
}

}  // namespace

TEST(CtlDau, AStreamOfAFewSecondsIsRecordedAndConverted) {
    testsupport::SimulatedDevice sim(*sim::FindProfile("dau"), true);
    sim.Simulation().SetDauRate(50);
    testsupport::TempDir folder;
    const std::string out = folder.Path() + "/CH1.dau";
    const CtlRun run = RunStreaming(
        sim, At(sim, {"dau", "stream", "0", "--seconds", "2", "--out", out, "--csv"}, true));
    ASSERT_EQ(run.status, 0) << run.err;
    const std::vector<uint8_t> recording = ReadAll(out);
    const auto frames = sim.Device().ReceivedFrames();
    ASSERT_FALSE(recording.empty());
    // The samples per datagram the device was set to, and whole datagrams back to back with
    // their sequence counting up.
    const size_t samples = std::stoul(run.out.substr(run.out.find("\"samplesPerDatagram\":") + 21));
    const size_t size = dau::kHeaderBytes + 2 * samples;
    ASSERT_EQ(recording.size() % size, 0u);
    const size_t datagrams = recording.size() / size;
    EXPECT_GE(datagrams, 50u);
    auto sequence = [&](size_t d) {
        uint8_t header[dau::kHeaderBytes];
        std::copy_n(recording.begin() + static_cast<ptrdiff_t>(d * size), dau::kHeaderBytes,
                    header);
        return dau::DecodeHeader(header).sequence;
    };
    for (size_t k = 1; k < datagrams; ++k) {
        ASSERT_EQ((sequence(k - 1) + 1) & 0xFFFF, sequence(k)) << k;
    }
    // The CSV is the page's conversion of the same file.
    const std::string csv = dau::CsvPathOf(out);
    const std::string console = folder.Path() + "/console.csv";
    ASSERT_TRUE(dau::ConvertSamplingFile(out, console, static_cast<uint32_t>(samples)).ok);
    EXPECT_EQ(ReadAll(csv), ReadAll(console));
    EXPECT_NE(run.out.find("\"lines\":" + std::to_string((datagrams - 1) * samples)),
              std::string::npos)
        << run.out;
    // Started, then stopped: the stream destination with and without its enable bit.
    int starts = 0;
    int stops = 0;
    for (const auto& frame : frames) {
        if (frame.code == 0x1002 && frame.payload.size() == 7 && (frame.payload[0] & 0x7F) == 9) {
            (frame.payload[0] & 0x80 ? starts : stops) += 1;
        }
    }
    EXPECT_EQ(starts, 1);
    EXPECT_EQ(stops, 1);
}

TEST(CtlDau, OutsideDauModeNothingIsStreamed) {
    testsupport::SimulatedDevice sim;
    testsupport::TempDir folder;
    const CtlRun run =
        RunCtl(At(sim, {"dau", "stream", "0", "--seconds", "1", "--out", folder.Path() + "/x"}));
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err,
              "kv90t-ctl: dau stream: the device is not in DAU mode (or did not answer)\n");
}

// --out names a regular file or a new one; its CSV never takes the recording's own name, and a
// recording that cannot be written exits with one and says why.
TEST(CtlDau, TheOutputFileItsCsvAndAFailedRecording) {
    testsupport::SimulatedDevice sim(*sim::FindProfile("dau"), true);
    sim.Simulation().SetDauRate(50);
    const CtlRun device =
        RunCtl(At(sim, {"dau", "stream", "0", "--seconds", "1", "--out", "/dev/full"}));
    EXPECT_EQ(device.status, 2);
    EXPECT_EQ(device.err,
              "kv90t-ctl: dau stream: --out must name a regular file or a new one, "
              "not '/dev/full'; see --help\n");
    EXPECT_TRUE(sim.Device().ReceivedFrames().empty());
    EXPECT_EQ(dau::CsvPathOf("capture"), "capture.csv");
    EXPECT_EQ(dau::CsvPathOf("x.csv"), "x.csv.csv");
    EXPECT_EQ(dau::CsvPathOf("/d/CH1.dau"), "/d/CH1.csv");

    testsupport::TempDir folder;
    const std::string out = folder.Path() + "/x.csv";
    const CtlRun run = RunStreaming(
        sim, At(sim, {"dau", "stream", "0", "--seconds", "1", "--out", out, "--csv"}, true));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_FALSE(ReadAll(out).empty());
    EXPECT_NE(ReadAll(out + ".csv").size(), 0u);
    const size_t bytes = std::stoul(run.out.substr(run.out.find("\"bytes\":") + 8));
    EXPECT_EQ(bytes, ReadAll(out).size());

    const CtlRun nowhere = RunCtl(
        At(sim, {"dau", "stream", "0", "--seconds", "1", "--out", folder.Path() + "/no/x.dau"}));
    EXPECT_EQ(nowhere.status, 1);
    EXPECT_EQ(nowhere.err, "kv90t-ctl: dau stream: cannot create " + folder.Path() +
                               "/no/x.dau: No such file or directory\n");
}

TEST(CtlRecorder, ListDownloadAndRepair) {
    testsupport::SimulatedDevice sim;
    testsupport::TempDir folder;
    const CtlRun list = RunCtl(At(sim, {"recorder", "list", "1"}, true));
    ASSERT_EQ(list.status, 0) << list.err;
    EXPECT_NE(list.out.find("\"files\":[{\"index\":0,\"name\":\"CH2_REC0000.ark\",\"length\":4096},"
                            "{\"index\":1,\"name\":\"CH2_REC0001.ark\",\"length\":300000}]"),
              std::string::npos)
        << list.out;

    const CtlRun download =
        RunCtl(At(sim, {"recorder", "download", "1", "CH2_REC0001.ark", "--to", folder.Path()}));
    ASSERT_EQ(download.status, 0) << download.err;
    const std::string path = folder.Path() + "/CH2_REC0001.ark";  // one ".ark", not two
    const std::vector<uint8_t> file = ReadAll(path);
    ASSERT_EQ(file.size(), 300'000u);
    const auto recorded = sim.Simulation().RecordedFiles(1)[1];
    size_t wrong = 0;
    for (size_t i = 0; i < file.size(); ++i) {
        wrong += file[i] != sim::KV90TSimulation::RecordedByte(recorded, i);
    }
    EXPECT_EQ(wrong, 0u);
    EXPECT_FALSE(std::filesystem::exists(path + ".part"));
    EXPECT_EQ(download.out, "file: " + path + "\nreceived: 300000\nexpected: 300000\n");

    const CtlRun missing = RunCtl(At(sim, {"recorder", "download", "1", "NOPE.ark"}));
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err, "kv90t-ctl: recorder: channel 1 has no file 'NOPE.ark'\n");

    EXPECT_EQ(RunCtl(At(sim, {"recorder", "repair", "2"})).status, 0);
    const auto frames = sim.Device().ReceivedFrames();
    EXPECT_TRUE(std::any_of(frames.begin(), frames.end(), [](const sim::Frame& f) {
        return f.code == 0x1016 && f.payload == std::vector<uint8_t>{2};
    }));
}

// A folder that cannot take the file is named before the device is asked for it; a short
// transfer fails with what arrived and leaves the earlier file; Ctrl+C cancels a drip.
TEST(CtlRecorder, FailedDownloadsExitWithOneAndLoseNothing) {
    testsupport::SimulatedDevice sim;
    testsupport::TempDir folder;
    const std::string missing = folder.Path() + "/missing";
    const CtlRun nowhere =
        RunCtl(At(sim, {"recorder", "download", "1", "CH2_REC0001.ark", "--to", missing}));
    EXPECT_EQ(nowhere.status, 1);
    EXPECT_EQ(nowhere.err, "kv90t-ctl: recorder: cannot write into " + missing +
                               ": No such file or directory\n");
    EXPECT_TRUE(sim.Device().ReceivedFrames().empty());

    const std::string path = folder.Path() + "/CH2_REC0001.ark";
    std::ofstream(path) << "earlier";
    const std::vector<uint8_t> earlier = ReadAll(path);
    sim.Simulation().InjectDownloadFault({sim::DownloadFaultKind::DropAfter, 1000});
    const CtlRun cut =
        RunCtl(At(sim, {"recorder", "download", "1", "CH2_REC0001.ark", "--to", folder.Path()}));
    EXPECT_EQ(cut.status, 1);
    EXPECT_EQ(cut.err,
              "kv90t-ctl: recorder: the device closed the connection after 1000 of 300000 bytes\n");
    EXPECT_EQ(cut.out, "");
    EXPECT_EQ(ReadAll(path), earlier);
    EXPECT_EQ(ReadAll(path + ".part").size(), 1000u);

    sim::DownloadFault drip{sim::DownloadFaultKind::Drip, 1000};
    drip.stallMs = 200;
    sim.Simulation().InjectDownloadFault(drip);
    std::filesystem::remove(path + ".part");
    std::thread interrupter([&] {
        for (int i = 0; i < 500 && !std::filesystem::exists(path + ".part"); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        std::raise(SIGINT);  // the download's catcher is in place once its file exists
    });
    const CtlRun stopped =
        RunCtl(At(sim, {"recorder", "download", "1", "CH2_REC0001.ark", "--to", folder.Path()}));
    interrupter.join();
    EXPECT_EQ(stopped.status, 1);
    EXPECT_EQ(
        stopped.err.rfind("kv90t-ctl: recorder: the download of " + path + " was cancelled", 0), 0u)
        << stopped.err;
    EXPECT_EQ(ReadAll(path), earlier);
}

// The device's side decides with the page's rule: a select that is not answered names no
// endpoint and nothing is received; a device that stops answering its transfer status no longer
// holds the download, whose own outcome then decides.
TEST(CtlRecorder, TheDevicesSideEndsTheDownloadAsOnThePage) {
    testsupport::SimulatedDevice sim;
    testsupport::TempDir folder;
    sim::Fault silent = sim::MakeFault(sim::FaultKind::NoReply);
    silent.code = 0x1012;
    sim.Device().InjectFault(silent);
    const CtlRun unselected =
        RunCtl(At(sim, {"recorder", "download", "1", "CH2_REC0001.ark", "--to", folder.Path()}));
    EXPECT_EQ(unselected.status, 1);
    EXPECT_EQ(unselected.err,
              "kv90t-ctl: recorder: the device named no download endpoint for "
              "'CH2_REC0001.ark'\n");
    EXPECT_FALSE(std::filesystem::exists(folder.Path() + "/CH2_REC0001.ark.part"));

    sim::Fault noStatus = sim::MakeFault(sim::FaultKind::NoReply);
    noStatus.code = 0x1011;
    noStatus.count = -1;
    sim.Device().InjectFault(noStatus);
    const CtlRun run =
        RunCtl(At(sim, {"recorder", "download", "1", "CH2_REC0001.ark", "--to", folder.Path()}));
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(ReadAll(folder.Path() + "/CH2_REC0001.ark").size(), 300000u);
}
