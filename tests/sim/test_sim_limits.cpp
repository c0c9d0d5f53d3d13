// The simulated device as a server under attack: clients that never read, more connections
// than descriptors, floods of recorder selections, and a stop with a download held open.

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <set>
#include <thread>

#include "link/CNetworkDeviceComm.h"
#include "protocol/CKV90T1_Comm.h"
#include "sim/FileServer.h"
#include "tests/sim/sim_program.h"
#include "tests/support/DeviceSession.h"

namespace {

using Clock = std::chrono::steady_clock;

int Connect(uint16_t port, int timeoutMs = 2000) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    target.sin_port = htons(port);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&target), sizeof target) != 0 &&
        errno == EINPROGRESS) {
        pollfd pfd{fd, POLLOUT, 0};
        ::poll(&pfd, 1, timeoutMs);
    }
    return fd;
}

// A field of /proc/PID/status in kB (VmRSS) or as counted (Threads).
long StatusField(pid_t pid, const std::string& name) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind(name + ":", 0) == 0) {
            return std::stol(line.substr(name.size() + 1));
        }
    }
    return -1;
}

// The CPU time the process has used, in clock ticks.
long CpuTicks(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string field;
    long ticks = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i) {
        if (i == 14 || i == 15) {
            ticks += std::stol(field);
        }
    }
    return ticks;
}

bool AnswersANullCommand(uint16_t port) {
    CNetworkDeviceComm link("127.0.0.1", port, 2000);
    CKV90T1_Comm comm(&link);
    return comm.SendNullCommand() != 0 && comm.m_nLastStatus != 0;
}

}  // namespace

// A client that sends requests and never reads their answers: the server stops reading from it
// (the client's sends stall) while its memory stays bounded and an honest client is served.
TEST(SimLimitsRealTime, AClientThatNeverReadsCannotExhaustTheServer) {
    SimProgram program({"--tcp", "0"});
    const uint16_t port = program.ReadPort();
    ASSERT_NE(port, 0);
    const int hog = Connect(port);
    std::vector<uint8_t> requests(6 * 10'000);
    for (size_t i = 0; i < requests.size(); i += 6) {
        requests[i] = 0x28;  // null commands
    }
    size_t sent = 0;
    constexpr size_t kGiveUp = 512u << 20;
    while (sent < kGiveUp) {
        const ssize_t n = ::send(hog, requests.data(), requests.size(), MSG_DONTWAIT);
        if (n > 0) {
            sent += static_cast<size_t>(n) / 6 * 6;
            continue;
        }
        pollfd pfd{hog, POLLOUT, 0};
        if (::poll(&pfd, 1, 1000) == 0) {
            break;  // the server no longer reads
        }
    }
    EXPECT_LT(sent, kGiveUp);
    EXPECT_LT(StatusField(program.Pid(), "VmRSS"), 200 * 1024);
    // With the answers it cannot send waiting, the server waits for room rather than spins: once
    // it has worked through the requests it took (slowly under the sanitizers), a second of
    // wall time costs it well under half a second of CPU.
    bool idle = false;
    for (int second = 0; second < 30 && !idle; ++second) {
        const long ticksBefore = CpuTicks(program.Pid());
        const auto start = Clock::now();
        std::this_thread::sleep_for(std::chrono::milliseconds(1000));
        const double wallTicks =
            std::chrono::duration<double>(Clock::now() - start).count() * ::sysconf(_SC_CLK_TCK);
        idle = CpuTicks(program.Pid()) - ticksBefore < wallTicks * 0.5;
    }
    EXPECT_TRUE(idle);
    EXPECT_TRUE(AnswersANullCommand(port));
    ::close(hog);
}

// More connections than the program has descriptors: it does not spin on the failed accept,
// and a new client is still answered once the longest idle ones are closed.
TEST(SimLimitsRealTime, RunningOutOfDescriptorsBacksOffAndKeepsServing) {
    SimProgram program({"--tcp", "0"}, 16);
    const uint16_t port = program.ReadPort();
    ASSERT_NE(port, 0);
    const long ticksBefore = CpuTicks(program.Pid());
    const auto start = Clock::now();
    std::vector<int> idle;
    for (int i = 0; i < 30; ++i) {
        idle.push_back(Connect(port, 200));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    const double wallTicks =
        std::chrono::duration<double>(Clock::now() - start).count() * ::sysconf(_SC_CLK_TCK);
    EXPECT_LT(CpuTicks(program.Pid()) - ticksBefore, wallTicks * 0.5);
    EXPECT_TRUE(AnswersANullCommand(port));
    for (int fd : idle) {
        ::close(fd);
    }
}

// Every selection of a file makes no new endpoint while that file's endpoint waits, and no
// more than a bounded number of endpoints (each a thread) run at once.
TEST(SimLimits, AFloodOfRecorderSelectionsIsBounded) {
    testsupport::DeviceSession session;
    CKV90T1_Comm& comm = session.Comm();
    auto& simulation = session.Sim().Simulation();
    simulation.SetRecordings(0, {{"A.ark", 1000}, {"B.ark", 1000}});
    std::vector<std::pair<std::string, uint64_t>> many;
    for (int i = 0; i < 40; ++i) {
        many.push_back({"F" + std::to_string(i) + ".ark", 1000});
    }
    simulation.SetRecordings(1, many);

    ASSERT_NE(comm.SelectRecordingFile(0, 0), 0);
    const uint16_t first = comm.m_nDownloadPort;
    std::set<uint16_t> ports;
    for (int i = 0; i < 1500; ++i) {
        ASSERT_NE(comm.SelectRecordingFile(0, 0), 0);
        ports.insert(comm.m_nDownloadPort);
        ASSERT_NE(comm.SelectRecordingFile(1, i % 40), 0);
        ports.insert(comm.m_nDownloadPort);
    }
    EXPECT_EQ(simulation.LiveDownloads(), sim::FileServer::kMaxEndpoints);
    EXPECT_EQ(ports.count(first), 1u);
    EXPECT_EQ(ports.size(), sim::FileServer::kMaxEndpoints + 1);  // and 0 for the refused ones
    EXPECT_EQ(ports.count(0), 1u);
    EXPECT_LT(StatusField(::getpid(), "Threads"), 64);
}

// A server stopping while a client holds a download open without reading ends at once.
TEST(SimLimits, StoppingWithADownloadNobodyReadsEndsPromptly) {
    auto server = std::make_unique<sim::FileServer>();
    const uint16_t port = server->Serve(
        1, 256u << 20,
        [](uint64_t, uint8_t* bytes, size_t length) { std::fill_n(bytes, length, 7); },
        std::nullopt, [] {});
    ASSERT_NE(port, 0);
    const int reader = Connect(port);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));  // the buffers fill
    const auto start = Clock::now();
    server.reset();
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(1));
    ::close(reader);
}
