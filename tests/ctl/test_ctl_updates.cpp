// New DSP programs and FPGA images from the command line, against the simulated device: the same
// blocks and pages the System page sends, and the same refusals of bad files.

#include <gtest/gtest.h>

#include <fstream>

#include "sim/KV90TSimulation.h"
#include "tests/ctl/ctl_run.h"
#include "tests/support/TempDir.h"
#include "transfer/firmware_update.h"

namespace {

int Count(testsupport::SimulatedDevice& sim, uint16_t code) {
    int count = 0;
    for (const auto& frame : sim.Device().ReceivedFrames()) {
        count += frame.code == code ? 1 : 0;
    }
    return count;
}

class CtlUpdate : public ::testing::Test {
protected:
    void SetUp() override { firmware::dspSettleMs = 20; }
    void TearDown() override { firmware::dspSettleMs = 60'000; }
    std::string Path(const std::string& name) const { return m_dir.Path() + "/" + name; }

    testsupport::SimulatedDevice m_sim;
    testsupport::TempDir m_dir;
};

}  // namespace

TEST_F(CtlUpdate, AnFpgaImageIsErasedProgrammedSelectedAndTheModeRestored) {
    const std::string path = Path("kv90T_demod.bin");
    std::vector<uint8_t> image = testsupport::WritePatternFile(path, 2000);
    m_sim.Simulation().SetErasePolls(3);
    const uint8_t mode = m_sim.Simulation().Mode();
    const CtlRun run = RunCtl(At(m_sim, {"fpga", "load", "--memory", "8", path}, true));
    ASSERT_EQ(run.status, 0) << run.err;
    image.resize(2048, 0xFF);  // padded to whole pages
    EXPECT_EQ(m_sim.Simulation().FpgaImage(8), image);
    EXPECT_EQ(m_sim.Simulation().SelectedFpgaMemory(), 8);
    EXPECT_EQ(m_sim.Simulation().Mode(), mode);
    EXPECT_EQ(Count(m_sim, 0x1021), 8);
    EXPECT_GE(Count(m_sim, 0x1023), 3);
    EXPECT_EQ(run.out, "{\"memory\":8,\"file\":\"" + path + "\",\"bytes\":2048,\"pages\":8}\n");
    EXPECT_NE(run.err.find("kv90t-ctl: fpga load: erasing configuration memory 8\n"),
              std::string::npos);
    EXPECT_NE(run.err.find("kv90t-ctl: fpga load: programmed 100%\n"), std::string::npos);
    EXPECT_NE(run.err.find(firmware::kFpgaCompletedText), std::string::npos) << run.err;
}

TEST_F(CtlUpdate, ADspProgramGoesInBlocksAndTheFlashIsEnded) {
    const std::string path = Path("KV90T1_DSP2_2026.bin");
    const std::vector<uint8_t> image = testsupport::WritePatternFile(path, 1000);
    const CtlRun run = RunCtl(At(m_sim, {"firmware", "load", "--dsp", "2", path}));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(m_sim.Simulation().DspImage(1), image);
    EXPECT_TRUE(m_sim.Simulation().DspFlashEnded(1));
    EXPECT_FALSE(m_sim.Simulation().DspFlashEnded(0));
    EXPECT_EQ(Count(m_sim, 0x1020), 8);
    EXPECT_NE(run.err.find("kv90t-ctl: firmware load: DSP2 sent 100%\n"), std::string::npos);
    EXPECT_NE(run.err.find(firmware::DspCompletedText(1)), std::string::npos);
}

// Each refusal is the page's own text, given before anything reaches the device.
TEST_F(CtlUpdate, BadFilesAreRefusedWithThePagesWordsAndSendNothing) {
    testsupport::WritePatternFile(Path("KV90T1_DSP1_big.bin"), firmware::kDspImageLimit + 1);
    testsupport::WritePatternFile(Path("kv90T_empty.bin"), 0);
    const struct {
        std::vector<std::string> command;
        std::string error;
    } cases[] = {
        {{"firmware", "load", "--dsp", "1", Path("KV90T1_DSP2_x.bin")},
         "firmware load: File chosen is not a valid file for DSP1"},
        {{"firmware", "load", "--dsp", "1", Path("KV90T1_DSP1_big.bin")},
         "firmware load: The File size exceeds the buffer size in the DSP."},
        {{"firmware", "load", "--dsp", "1", Path("KV90T1_DSP1_missing.bin")},
         "firmware load: CFileException.m_cause = fileNotFound.\r\n"},
        {{"fpga", "load", "--memory", "3", Path("demod.bin")},
         "fpga load: File chosen is not a valid file for the Dual Purpose FPGA"},
        {{"fpga", "load", "--memory", "3", Path("kv90T_empty.bin")},
         "fpga load: " + Path("kv90T_empty.bin") + " is empty: there is no image to load."},
        {{"fpga", "load", "--memory", "12", Path("kv90T_empty.bin")}, "--memory '12' is above 11"},
        {{"firmware", "load", "--dsp", "0", Path("KV90T1_DSP1_x.bin")}, "--dsp '0' is below 1"},
        {{"fpga", "load", Path("kv90T_empty.bin")}, "fpga needs load --memory N FILE"},
    };
    for (const auto& c : cases) {
        const CtlRun run = RunCtl(At(m_sim, c.command));
        EXPECT_EQ(run.status, 2) << c.error;
        EXPECT_EQ(run.err.rfind("kv90t-ctl: " + c.error, 0), 0u) << run.err;
    }
    EXPECT_TRUE(m_sim.Device().ReceivedFrames().empty());
}

TEST_F(CtlUpdate, APageTheDeviceNeverAnswersEndsTheUpdateAndSaysWhatIsLeft) {
    const std::string path = Path("kv90T_retry.bin");
    testsupport::WritePatternFile(path, 4 * 256);
    m_sim.Simulation().SetErasePolls(1);
    sim::Fault silent = sim::MakeFault(sim::FaultKind::NoReply);
    silent.code = 0x1021;
    silent.skip = 2;
    silent.count = -1;
    m_sim.Device().InjectFault(silent);
    const CtlRun run = RunCtl(At(m_sim, {"fpga", "load", "--memory", "2", path}));
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("kv90t-ctl: fpga load: page 2 went unanswered 5 times. The update was "
                           "cancelled: configuration memory 2 is only partly programmed"),
              std::string::npos)
        << run.err;
    EXPECT_EQ(Count(m_sim, 0x1021), 2 + 5);
    EXPECT_EQ(Count(m_sim, 0x1024), 0);  // never selected
    EXPECT_TRUE(run.out.empty());
}
