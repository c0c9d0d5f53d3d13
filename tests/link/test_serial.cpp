#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <vector>

#include "link/CSerialCom.h"
#include "platform/clock.h"
#include "platform/debug_output.h"
#include "platform/serial_ports.h"
#include "protocol/CKV90T1_Comm.h"
#include "tests/support/LinkReads.h"
#include "tests/support/SimulatedDevice.h"
#include "tests/support/TempDir.h"

using testsupport::MakePortSettings;
using testsupport::SimulatedDevice;

namespace {

// Opens the simulated device's port as the console does at start-up.
std::unique_ptr<CSerialCom> OpenConfigured(uint32_t baudRate = 57600) {
    auto link =
        std::make_unique<CSerialCom>(MakePortSettings(SimulatedDevice::kPortName, baudRate));
    EXPECT_NE(link->IsLinkGood(), 0);
    EXPECT_NE(link->ConfigurePort(), 0);
    EXPECT_NE(link->SetCommunicationTimeouts(0, 200, 0, 0, 0), 0);
    return link;
}

// A pseudo-terminal of the test's own, registered as `port`; returns its master side.
int OpenPtyAs(const char* port) {
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    EXPECT_GE(master, 0);
    EXPECT_EQ(::grantpt(master), 0);
    EXPECT_EQ(::unlockpt(master), 0);
    EXPECT_TRUE(platform::RegisterSerialPort(port, ::ptsname(master)));
    return master;
}

// Counts the 1 ms pauses taken while it lives.
class PauseCounter {
public:
    PauseCounter() {
        platform::SetSleepObserver([this](uint32_t ms) {
            if (ms == 1) {
                ++m_count;
            }
        });
    }
    ~PauseCounter() { platform::SetSleepObserver(nullptr); }
    int Count() const { return m_count; }

private:
    std::atomic<int> m_count{0};
};

}  // namespace

class SerialLink : public ::testing::Test {
protected:
    SimulatedDevice m_sim;
};

TEST_F(SerialLink, NullCommandIsAnsweredOverThePseudoTerminal) {
    auto link = OpenConfigured();
    EXPECT_EQ(link->GetLinkType(), 1);
    EXPECT_STREQ(link->GetLocalAddress(), "0.0.0.0");
    EXPECT_EQ(link->GetOptionValue(), 2);
    CKV90T1_Comm comm(link.get());
    EXPECT_NE(comm.SendNullCommand(), 0);
    EXPECT_NE(comm.m_nLastStatus, 0);
    const auto frames = m_sim.Device().ReceivedFrames();
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].code, 0);
}

TEST_F(SerialLink, DrainInputCountsStaleBytesAndWaitsTheReadTimeoutWhenIdle) {
    auto link = OpenConfigured();
    CKV90T1_Comm comm(link.get());
    m_sim.Device().InjectFault(sim::MakeFault(sim::FaultKind::ExtraBytes, 5));
    ASSERT_NE(comm.SendNullCommand(), 0);
    // One drain takes what it can read within about a millisecond; on a slow machine (a
    // sanitizer build) the rest waits for the next.
    int drained = 0;
    while (const uint16_t got = link->DrainInput()) {
        drained += got;
    }
    EXPECT_EQ(drained, 5);

    const uint32_t start = platform::ProcessClockMs();
    EXPECT_EQ(link->DrainInput(), 0);
    const uint32_t elapsed = platform::ProcessClockMs() - start;
    EXPECT_GE(elapsed, 190u);
    EXPECT_LT(elapsed, 2000u);
}

TEST_F(SerialLink, MissingPortFailsToOpenAndRefusesConfiguration) {
    ASSERT_TRUE(platform::RegisterSerialPort("COM9", m_sim.SerialFolder() + "/gone"));
    platform::DebugCapture capture;
    CSerialCom link(MakePortSettings("COM9"));
    EXPECT_EQ(capture.Text(), "::CreateFile() error: 2\r\n");
    EXPECT_EQ(link.IsLinkGood(), 0);
    EXPECT_EQ(link.ConfigurePort(), 0);
    EXPECT_EQ(link.ConfigurePort(57600, 8, 0, 0), 0);
    EXPECT_EQ(link.SetCommunicationTimeouts(0, 200, 0, 0, 0), 0);
    EXPECT_EQ(capture.Text(), "::CreateFile() error: 2\r\n");

    uint8_t byte = 0;
    capture.Clear();
    EXPECT_EQ(link.ReadByte(&byte), 0);
    EXPECT_EQ(capture.Text().rfind("::ReadFile() error: 9, ", 0), 0u);
}

TEST_F(SerialLink, WritesPauseAfterEverySixteenthByteFromTheFifteenth) {
    auto link = OpenConfigured();
    const std::vector<uint8_t> bytes(265, 0x55);
    struct Case {
        uint32_t count;
        int pauses;
    };
    for (const Case c :
         {Case{6, 0}, Case{15, 1}, Case{16, 1}, Case{30, 1}, Case{31, 2}, Case{265, 16}}) {
        PauseCounter pauses;
        EXPECT_NE(link->Write(bytes.data(), c.count), 0);
        EXPECT_EQ(pauses.Count(), c.pauses) << c.count << " bytes";
    }
    PauseCounter pauses;
    EXPECT_NE(link->WriteHeader(bytes.data()), 0);
    EXPECT_NE(link->WriteByte(1), 0);
    EXPECT_EQ(pauses.Count(), 0);
}

TEST_F(SerialLink, EveryTableRateAndLineSettingReachesThePort) {
    auto link = OpenConfigured();
    for (uint32_t rate : {110u,    300u,    600u,     1200u,    2400u,    4800u,   9600u,
                          14400u,  19200u,  38400u,   56000u,   57600u,   115200u, 230400u,
                          921600u, 937500u, 1171875u, 2343750u, 2457600u, 2500000u}) {
        ASSERT_NE(link->ConfigurePort(rate, 8, platform::NOPARITY, platform::ONESTOPBIT), 0);
        platform::DeviceControlBlock applied;
        ASSERT_TRUE(m_sim.Server().PtyLineState(&applied));
        EXPECT_EQ(applied.BaudRate, rate);
        EXPECT_EQ(link->GetPortSettings()->defaultConfig.dcb.BaudRate, rate);
    }
    EXPECT_EQ(link->GetPortSettings()->requestedBaudRate, 57600u);

    // A pseudo-terminal always carries 8 bits without parity, so only the stop bits and the
    // parity checking flag can be seen at the device end.
    ASSERT_NE(link->ConfigurePort(9600, 7, platform::EVENPARITY, platform::TWOSTOPBITS), 0);
    platform::DeviceControlBlock applied;
    ASSERT_TRUE(m_sim.Server().PtyLineState(&applied));
    EXPECT_EQ(applied.StopBits, platform::TWOSTOPBITS);
    EXPECT_EQ(applied.fParity, 1u);
    EXPECT_EQ(applied.fOutX, 0u);
    EXPECT_EQ(link->GetPortSettings()->defaultConfig.dcb.fParity, 1u);

    ASSERT_NE(link->ConfigurePort(57600, 8, platform::NOPARITY, platform::ONESTOPBIT), 0);
    ASSERT_TRUE(m_sim.Server().PtyLineState(&applied));
    EXPECT_EQ(applied.fParity, 0u);
    EXPECT_EQ(link->GetPortSettings()->defaultConfig.dcb.fParity, 0u);
    EXPECT_EQ(link->GetPortSettings()->defaultConfig.dcb.fAbortOnError, 1u);
}

TEST_F(SerialLink, ReopensAfterCloseAndKeepsTalking) {
    auto link = OpenConfigured();
    link->ClosePort();
    uint8_t byte = 0;
    EXPECT_EQ(link->ReadByte(&byte), 0);
    EXPECT_EQ(link->IsLinkGood(), 0);
    ASSERT_NE(link->OpenPort(), 0);
    ASSERT_NE(link->ConfigurePort(115200, 8, 0, 0), 0);
    ASSERT_NE(link->SetCommunicationTimeouts(0, 1, 0, 0, 0), 0);
    CKV90T1_Comm comm(link.get());
    EXPECT_NE(comm.SendNullCommand(), 0);
    EXPECT_NE(comm.m_nLastStatus, 0);
}

TEST_F(SerialLink, ShortReadTimeoutReturnsWithinAboutAMillisecond) {
    auto link = OpenConfigured();
    ASSERT_NE(link->SetCommunicationTimeouts(0, 1, 0, 0, 0), 0);
    uint8_t byte = 0;
    const uint32_t start = platform::ProcessClockMs();
    for (int i = 0; i < 20; ++i) {
        EXPECT_EQ(link->ReadByte(&byte), 0);
    }
    EXPECT_LT(platform::ProcessClockMs() - start, 200u);
}

// A pseudo-terminal whose far end never reads: once its buffer is full, a write fails after the
// write time-out instead of blocking for good.
TEST_F(SerialLink, AWriteToALineThatTakesNothingFailsWithinItsBound) {
    const int master = OpenPtyAs("COM8");
    ASSERT_GE(master, 0);
    {
        CSerialCom link(MakePortSettings("COM8"));
        ASSERT_NE(link.ConfigurePort(), 0);
        link.SetWriteTimeout(200);
        platform::DebugCapture capture;
        int32_t written = 1;
        uint32_t last = 0;
        for (int i = 0; i < (1 << 22) && written != 0; ++i) {
            const uint32_t start = platform::ProcessClockMs();
            written = link.WriteByte(0x55);
            last = platform::ProcessClockMs() - start;
        }
        EXPECT_EQ(written, 0);
        EXPECT_GE(last, 190u);
        EXPECT_LT(last, 2000u);
        EXPECT_EQ(capture.Text(), "::WriteFile() error: 110\r\n");
    }
    ::close(master);
}

// One read takes what the line has delivered and ReadByte hands it out in order; a drain
// counts what was taken but not handed out with what still waits in the port.
TEST_F(SerialLink, BytesTakenTogetherAreHandedOutInOrderAndDrainedWhole) {
    const int master = OpenPtyAs("COM8");
    ASSERT_GE(master, 0);
    {
        CSerialCom link(MakePortSettings("COM8"));
        ASSERT_NE(link.ConfigurePort(), 0);
        ASSERT_NE(link.SetCommunicationTimeouts(0, 0, 50, 0, 0), 0);
        auto readBytes = [&link](size_t count) { return testsupport::ReadBytes(link, count, 40); };
        const std::vector<uint8_t> sent = testsupport::SteppedBytes(3000, 13);
        ASSERT_EQ(::write(master, sent.data(), sent.size()), ssize_t(sent.size()));
        EXPECT_EQ(readBytes(sent.size()), sent);

        const uint8_t stale[10] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
        ASSERT_EQ(::write(master, stale, sizeof stale), ssize_t(sizeof stale));
        EXPECT_EQ(readBytes(3), (std::vector<uint8_t>{1, 2, 3}));
        int drained = 0;
        while (const uint16_t got = link.DrainInput()) {
            drained += got;
        }
        EXPECT_EQ(drained, 7);
    }
    ::close(master);
}

namespace {

// What opening USB0 gave: the failure text of a refusal for lack of permission, or a note that
// it was something else.
std::string PermissionFailure() {
    CSerialCom link(MakePortSettings("USB0", 57600));
    if (link.IsLinkGood() != 0 || !link.PermissionDenied()) {
        return "not a permission refusal: " + link.FailureText();
    }
    return link.FailureText();
}

// The same, as the user nobody: a child process gives up root first, since root opens anything.
std::string PermissionFailureAsNobody() {
    int pipe[2];
    EXPECT_EQ(::pipe(pipe), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipe[0]);
        if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0) {
            ::_exit(2);
        }
        const std::string text = PermissionFailure();
        const ssize_t written = ::write(pipe[1], text.data(), text.size());
        ::_exit(written == ssize_t(text.size()) ? 0 : 3);
    }
    ::close(pipe[1]);
    std::string text;
    char chunk[256];
    for (ssize_t got; (got = ::read(pipe[0], chunk, sizeof chunk)) > 0;) {
        text.append(chunk, size_t(got));
    }
    ::close(pipe[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    return text;
}

}  // namespace

// A port this user may not open: the failure says so, names the group that owns the port and
// how to join it, instead of the bare system error.
TEST(SerialPermission, APortThatCannotBeOpenedNamesItsGroup) {
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(master, 0);
    ASSERT_EQ(::grantpt(master), 0);
    ASSERT_EQ(::unlockpt(master), 0);
    const std::string slave = ::ptsname(master);
    testsupport::TempDir devices;
    ASSERT_EQ(::chmod(devices.Path().c_str(), 0755), 0);
    ASSERT_EQ(::symlink(slave.c_str(), (devices.Path() + "/ttyUSB0").c_str()), 0);
    ::setenv("KV90T_DEV_ROOT", devices.Path().c_str(), 1);
    struct stat info {};
    ASSERT_EQ(::stat(slave.c_str(), &info), 0);
    const group* owner = ::getgrgid(info.st_gid);
    ASSERT_NE(owner, nullptr);
    const std::string groupName = owner->gr_name;
    std::string text;
    if (::geteuid() == 0) {
        text = PermissionFailureAsNobody();
    } else {
        ASSERT_EQ(::chmod(slave.c_str(), 0), 0);
        text = PermissionFailure();
    }
    ::unsetenv("KV90T_DEV_ROOT");
    ::close(master);
    EXPECT_EQ(text.rfind(devices.Path() + "/ttyUSB0: permission denied. ", 0), 0u) << text;
    EXPECT_NE(text.find("'" + groupName + "'"), std::string::npos) << text;
    if (::geteuid() == 0) {  // nobody is in no group but its own
        EXPECT_NE(text.find("Join it with: sudo usermod -aG " + groupName + " nobody"),
                  std::string::npos)
            << text;
    }
}
