// The DAU sampling socket worker over real loopback datagrams: what it accepts, records and
// posts, the ring it fills, and closing and stopping while datagrams arrive.

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <thread>

#include "link/CUDP_DAU_SamplingDataSocketThread.h"
#include "link/TcpSocket.h"
#include "platform/debug_output.h"
#include "platform/window_messages.h"
#include "tests/support/TempDir.h"

namespace {

using Bytes = std::vector<uint8_t>;
constexpr uint32_t kDatagram = 0x611;
constexpr uint32_t kBadSize = 0x613;

// A datagram sender bound to a loopback port of its own.
class Sender {
public:
    Sender() {
        m_fd = ::socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
        socklen_t length = sizeof address;
        ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&address), &length);
        m_port = ntohs(address.sin_port);
    }
    ~Sender() { ::close(m_fd); }
    uint16_t Port() const { return m_port; }
    void Send(uint16_t port, const Bytes& datagram) {
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        to.sin_port = htons(port);
        ::sendto(m_fd, datagram.data(), datagram.size(), 0, reinterpret_cast<sockaddr*>(&to),
                 sizeof to);
    }

private:
    int m_fd = -1;
    uint16_t m_port = 0;
};

Bytes Datagram(size_t size, uint8_t seed) {
    Bytes d(size);
    for (size_t i = 0; i < size; ++i) {
        d[i] = static_cast<uint8_t>(seed + i * 3);
    }
    return d;
}

struct Posted {
    uint32_t message;
    uintptr_t wParam;
    intptr_t lParam;
};

class SamplingSocket : public ::testing::Test {
protected:
    void SetUp() override {
        m_window = platform::RegisterWindow(
            [this](uint32_t message, uintptr_t wParam, intptr_t lParam) {
                m_posted.push_back({message, wParam, lParam});
                return intptr_t{0};
            },
            m_queue);
        m_worker.Resume();
    }
    void TearDown() override { platform::UnregisterWindow(m_window); }
    void Open(const std::string& path) {
        m_worker.OpenReceiveSocket("127.0.0.1", m_sender.Port(), path.c_str());
        UdpReceiveSocket* socket = m_worker.Socket();
        ASSERT_NE(socket, nullptr);
        socket->m_hNotifyWindow = m_window;
        socket->m_nDatagramMessage = kDatagram;
        socket->m_nBadSizeMessage = kBadSize;
    }
    void Send(const Bytes& datagram) { m_sender.Send(m_worker.Socket()->GetLocalPort(), datagram); }
    // Waits until the worker has taken `bytes` in all.
    bool Received(uint64_t bytes) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (m_worker.ReceivedBytes() < bytes) {
            if (std::chrono::steady_clock::now() > deadline) {
                return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return true;
    }

    std::shared_ptr<platform::MessageQueue> m_queue = std::make_shared<platform::MessageQueue>();
    platform::WindowHandle m_window = 0;
    std::vector<Posted> m_posted;
    Sender m_sender;
    CUDP_DAU_SamplingDataSocketThread m_worker;
    testsupport::TempDir m_dir;
};

Bytes FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

TEST_F(SamplingSocket, OpensConnectedToTheDeviceAndSaysSo) {
    platform::DebugCapture debug;
    Open(m_dir.Path() + "/a.dau");
    UdpReceiveSocket& socket = *m_worker.Socket();
    EXPECT_NE(socket.IsLinkGood(), 0);
    EXPECT_STREQ(socket.GetLocalAddress(), "127.0.0.1");
    EXPECT_NE(socket.GetLocalPort(), 0);
    EXPECT_STREQ(socket.GetRemoteAddress(), "127.0.0.1");
    EXPECT_EQ(socket.GetRemotePort(), m_sender.Port());
    EXPECT_EQ(debug.Text(),
              "***** CAsyncSocket::Create() in UdpReceiveSocket() ctor succeeded.\r\n"
              "***** CAsyncSocket::Connect() in UdpReceiveSocket() ctor succeeded.\r\n"
              "***** CAsyncSocket::GetSockName() in UdpReceiveSocket() ctor succeeded.\r\n"
              "***** UdpReceiveSocket() ctor Local IP Addr and Port Num: 127.0.0.1:" +
                  std::to_string(socket.GetLocalPort()) + ".\r\n");
    debug.Clear();
    m_worker.CloseReceiveSocket();
    EXPECT_EQ(debug.Text(),
              "***** CAsyncSocket::ShutDown() in ~UdpReceiveSocket() dtor succeeded.\r\n");
    EXPECT_EQ(m_worker.Socket(), nullptr);
}

// Only datagrams of the stream's own length are recorded: a longer one (the largest the ring
// holds, or one the receive had to cut) or a shorter one is dropped with the bad-size message,
// so the file stays aligned to whole datagrams.
TEST_F(SamplingSocket, AcceptsRecordsAndPostsOneDatagramInThirtyTwo) {
    const std::string path = m_dir.Path() + "/CH1.dau";
    Open(path);
    m_worker.SetExpectedLength(224);
    platform::DebugCapture debug;
    for (size_t wrong : {1416, 300, 2000}) {
        Send(Datagram(wrong, 1));
    }
    Bytes expected;
    for (int i = 0; i < 33; ++i) {
        const Bytes small = Datagram(224, static_cast<uint8_t>(10 + i));
        Send(small);
        expected.insert(expected.end(), small.begin(), small.end());
    }
    ASSERT_TRUE(Received(expected.size()));
    m_queue->ProcessMessages(50);
    ASSERT_EQ(m_posted.size(), 5u);
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(m_posted[k].message, kBadSize) << k;
        EXPECT_EQ(m_posted[k].wParam, 0u);  // the slot the next accepted one takes
    }
    EXPECT_EQ(m_posted[0].lParam, 1416);
    EXPECT_EQ(m_posted[1].lParam, 300);
    EXPECT_EQ(m_posted[2].lParam, 2000);        // its whole length, though the receive cut it
    EXPECT_EQ(m_posted[3].message, kDatagram);  // slot 0: the first datagram
    EXPECT_EQ(m_posted[3].lParam, 224);
    EXPECT_EQ(m_posted[4].message, kDatagram);  // the 33rd, in slot 0 again
    EXPECT_EQ(debug.Text(),
              "Invalid Datagram size: 1416.\r\nInvalid Datagram size: 300.\r\n"
              "Invalid Datagram size: 2000.\r\n");
    uint8_t header[24];
    ASSERT_TRUE(m_worker.CopySlot(0, header, 24));
    EXPECT_EQ(Bytes(header, header + 24), Bytes(expected.end() - 224, expected.end() - 200));
    ASSERT_TRUE(m_worker.CopySlot(1, header, 24));
    EXPECT_EQ(header[0], 11);  // the second good datagram
    EXPECT_FALSE(m_worker.CopySlot(32, header, 24));
    m_worker.CloseReceiveSocket();
    EXPECT_EQ(FileBytes(path), expected);
    EXPECT_EQ(m_worker.RecordingFile().Written(), expected.size());
}

// A full disk stops the recording at the first failed write, says so to the window, and
// leaves the datagrams written before.
TEST_F(SamplingSocket, AFullDiskStopsTheRecordingAndSaysSo) {
    Open("/dev/full");
    m_worker.Socket()->m_nRecordingStoppedMessage = 0x614;
    m_worker.SetExpectedLength(1416);
    const uint64_t enough = DatagramFile::kBufferBytes / 1416 + 2;  // past one buffer
    for (uint64_t i = 0; i < enough; ++i) {
        Send(Datagram(1416, static_cast<uint8_t>(i)));
        if (i % 64 == 63) {
            ASSERT_TRUE(Received((i + 1) * 1416));
        }
    }
    ASSERT_TRUE(Received(enough * 1416));
    m_queue->ProcessMessages(50);
    EXPECT_TRUE(m_worker.RecordingFile().Failed());
    EXPECT_EQ(m_worker.RecordingFile().Error(), "cannot write /dev/full: No space left on device");
    EXPECT_EQ(m_worker.RecordingFile().Written(), 0u);
    EXPECT_EQ(std::count_if(m_posted.begin(), m_posted.end(),
                            [](const Posted& p) { return p.message == 0x614; }),
              1);
}

TEST_F(SamplingSocket, AFileThatCannotBeCreatedLeavesTheStreamUnrecorded) {
    platform::DebugCapture debug;
    Open(m_dir.Path() + "/missing/folder/x.dau");
    EXPECT_FALSE(m_worker.Recording());
    EXPECT_NE(
        debug.Text().find("CFileException Caught\r\nCFileException.m_cause = fileNotFound.\r\n"),
        std::string::npos)
        << debug.Text();
    Send(Datagram(1416, 5));
    EXPECT_TRUE(Received(1416));
}

TEST_F(SamplingSocket, ReopeningStartsAtSlotZeroAndClosingWhileFloodedIsSafe) {
    for (int round = 0; round < 20; ++round) {
        Open(m_dir.Path() + "/flood.dau");
        for (int i = 0; i < 50; ++i) {
            Send(Datagram(1416, static_cast<uint8_t>(i)));
        }
        m_worker.CloseReceiveSocket();
    }
    m_posted.clear();
    m_queue->ProcessMessages(0);
    m_posted.clear();
    Open(m_dir.Path() + "/last.dau");
    Send(Datagram(1416, 9));
    ASSERT_TRUE(Received(1416));
    m_queue->ProcessMessages(50);
    ASSERT_EQ(m_posted.size(), 1u);
    EXPECT_EQ(m_posted[0].wParam, 0u);
}

TEST(SamplingSocketThread, StopRunningWithoutASocketEndsAtOnce) {
    CUDP_DAU_SamplingDataSocketThread worker;
    worker.Resume();
    platform::DebugCapture debug;
    const auto start = std::chrono::steady_clock::now();
    worker.StopRunning();
    while (!worker.Exited() && std::chrono::steady_clock::now() - start < std::chrono::seconds(5)) {
        std::this_thread::yield();
    }
    EXPECT_TRUE(worker.Exited());
    EXPECT_EQ(debug.Text().rfind(
                  "CUDP_DAU_SamplingDataSocketThread::StopRunning() Now exiting Thread ID: ", 0),
              0u);
}

TEST(SamplingSocketThread, AnUnknownDeviceAddressLeavesTheLinkBad) {
    CUDP_DAU_SamplingDataSocketThread worker;
    platform::DebugCapture debug;
    worker.OpenReceiveSocket("no-such-host.invalid", 5000);
    ASSERT_NE(worker.Socket(), nullptr);
    EXPECT_EQ(worker.Socket()->IsLinkGood(), 0);
    EXPECT_NE(debug.Text().find("CAsyncSocket::Connect()"), std::string::npos);
    worker.CloseReceiveSocket();
}

TEST(NandFlashSocketThread, CreatesItsSocketAndStopsItOnTheMessage) {
    platform::DebugCapture debug;
    {
        CNAND_FlashFileSocketThread thread;
        EXPECT_TRUE(thread.WaitSocketCreated());
        thread.PostThreadMessage(CNAND_FlashFileSocketThread::kStopSocketMessage);
        const auto start = std::chrono::steady_clock::now();
        while (thread.StopsHandled() < 1 &&
               std::chrono::steady_clock::now() - start < std::chrono::seconds(5)) {
            std::this_thread::yield();
        }
        EXPECT_EQ(thread.StopsHandled(), 1);
    }
    EXPECT_EQ(debug.Text(),
              "***** CAsyncSocket::Create() in CNAND_FlashFileSocketThread::InitInstance() "
              "succeeded.\r\n");
}
