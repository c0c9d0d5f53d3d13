#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <future>
#include <thread>

#include "platform/clock.h"
#include "platform/debug_output.h"
#include "platform/serial_ports.h"
#include "platform/system_error.h"
#include "tests/support/TempDir.h"

using namespace platform;

TEST(DebugOutput, CaptureCollectsFormattedLinesInOrder) {
    DebugCapture capture;
    DebugOutput("*****\r\n");
    DebugPrintf("::CreateFile() error: %u\r\n", 2u);
    EXPECT_EQ(capture.Text(), "*****\r\n::CreateFile() error: 2\r\n");
    capture.Clear();
    DebugOutput("next");
    EXPECT_EQ(capture.Text(), "next");
}

TEST(Clock, SleepAdvancesTheProcessClockAndIsObserved) {
    int observed = 0;
    SetSleepObserver([&](uint32_t ms) { observed += static_cast<int>(ms); });
    const uint32_t start = ProcessClockMs();
    SleepMs(3);
    SetSleepObserver(nullptr);
    EXPECT_GE(ProcessClockMs() - start, 3u);
    EXPECT_EQ(observed, 3);
}

// A moved clock is seen by every reader and ends a sleep under way, which would otherwise
// hold its thread for a minute.
TEST(Clock, AMoveEndsASleepAtOnceAndCountsAsTimePassed) {
    const uint64_t before = TickCount64();
    const uint64_t advanced = AdvancedMs();
    std::promise<void> slept;
    std::future<void> woke = slept.get_future();
    std::thread sleeper([&] {
        SleepMs(60'000);
        slept.set_value();
    });
    EXPECT_EQ(woke.wait_for(std::chrono::milliseconds(20)), std::future_status::timeout);
    AdvanceClockMs(60'000);
    EXPECT_EQ(woke.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    sleeper.join();
    EXPECT_GE(TickCount64() - before, 60'000u);
    EXPECT_EQ(AdvancedMs() - advanced, 60'000u);
}

TEST(SystemError, TextForCodes) {
    EXPECT_EQ(SystemErrorText(ENOENT), "No such file or directory");
    errno = EACCES;
    EXPECT_EQ(LastError(), static_cast<uint32_t>(EACCES));
}

class SerialPortNames : public ::testing::Test {
protected:
    void SetUp() override { ::setenv("KV90T_SERIAL_DIR", m_folder.Path().c_str(), 1); }
    void TearDown() override { ::unsetenv("KV90T_SERIAL_DIR"); }

    testsupport::TempDir m_folder;
};

TEST_F(SerialPortNames, MapToDevicePaths) {
    EXPECT_EQ(SerialDeviceFolder(), m_folder.Path());
    EXPECT_EQ(SerialDevicePath("COM1"), "/dev/ttyS0");
    EXPECT_EQ(SerialDevicePath("COM12"), "/dev/ttyS11");
    EXPECT_EQ(SerialDevicePath("com2"), "/dev/ttyS1");
    EXPECT_EQ(SerialDevicePath("USB0"), "/dev/ttyUSB0");
    EXPECT_EQ(SerialDevicePath("ACM3"), "/dev/ttyACM3");
    for (const char* bad : {"", "COM", "COM0", "COM1000", "LPT1", "COM1x", "../etc"}) {
        EXPECT_EQ(SerialDevicePath(bad), "") << bad;
    }
}

TEST_F(SerialPortNames, FolderEntryWins) {
    ASSERT_TRUE(RegisterSerialPort("COM3", "/dev/null"));
    EXPECT_EQ(SerialDevicePath("COM3"), m_folder.Path() + "/com3");
    ASSERT_TRUE(UnregisterSerialPort("COM3"));
    EXPECT_EQ(SerialDevicePath("COM3"), "/dev/ttyS2");
    EXPECT_FALSE(RegisterSerialPort("USB0", "/dev/null"));
}

TEST_F(SerialPortNames, EnumerationListsFolderDevicesInOrderAndSkipsOthers) {
    ASSERT_TRUE(RegisterSerialPort("COM12", "/dev/null"));
    ASSERT_TRUE(RegisterSerialPort("COM7", "/dev/null"));
    ASSERT_TRUE(RegisterSerialPort("COM8", m_folder.Path() + "/missing"));
    std::ofstream(m_folder.Path() + "/plainfile") << "x";
    ASSERT_TRUE(RegisterSerialPort("COM9", m_folder.Path() + "/plainfile"));

    const auto ports = EnumerateSerialPorts();
    auto position = [&](const std::string& name) {
        return std::find(ports.begin(), ports.end(), name) - ports.begin();
    };
    EXPECT_LT(position("COM7"), position("COM12"));
    EXPECT_LT(position("COM12"), static_cast<long>(ports.size()));
    EXPECT_EQ(position("COM8"), static_cast<long>(ports.size()));
    EXPECT_EQ(position("COM9"), static_cast<long>(ports.size()));
    for (const auto& name : ports) {
        EXPECT_LE(name.size(), 6u);
    }
    EXPECT_TRUE(std::is_sorted(ports.begin(), ports.end(), [](auto& a, auto& b) {
        auto rank = [](const std::string& n) {
            return std::pair(n[0] == 'C' ? 0 : n[0] == 'A' ? 1 : 2, std::stoi(n.substr(3)));
        };
        return rank(a) < rank(b);
    }));
}
