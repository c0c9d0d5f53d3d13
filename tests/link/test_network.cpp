#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <vector>

#include "link/CNetworkDeviceComm.h"
#include "platform/clock.h"
#include "platform/debug_output.h"
#include "protocol/CKV90T1_Comm.h"
#include "tests/support/LinkReads.h"
#include "tests/support/Loopback.h"
#include "tests/support/SimulatedDevice.h"

namespace {

// A loopback port that nothing listens on: bound, then closed.
uint16_t ClosedPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(fd);
    return ntohs(address.sin_port);
}

size_t Count(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

// A loopback peer that accepts one connection and never reads from it.
class DeafPeer {
public:
    DeafPeer() : m_listener(testsupport::ListenOnLoopback(&m_port, 4096)) {}
    ~DeafPeer() { ::close(m_listener); }
    uint16_t Port() const { return m_port; }

private:
    uint16_t m_port = 0;
    int m_listener = -1;
};

}  // namespace

class NetworkLink : public ::testing::Test {
protected:
    testsupport::SimulatedDevice m_sim;
};

TEST_F(NetworkLink, ConnectsReportsEachStepAndFillsTheLocalAddress) {
    platform::DebugCapture capture;
    CNetworkDeviceComm link("127.0.0.1", m_sim.TcpPort());
    ASSERT_NE(link.IsLinkGood(), 0);
    EXPECT_EQ(link.GetLinkType(), 2);
    EXPECT_STREQ(link.GetRemoteAddress(), "127.0.0.1");
    EXPECT_EQ(link.GetRemotePort(), m_sim.TcpPort());
    EXPECT_STREQ(link.GetLocalAddress(), "127.0.0.1");
    EXPECT_NE(link.GetLocalPort(), 0);
    const std::string expected =
        "***** CSocket::Create() in CNetworkDeviceComm() ctor succeeded.\r\n"
        "***** CSocket::SetSockOpt() in CNetworkDeviceComm() ctor succeeded.\r\n"
        "***** CSocket::Connect() in CNetworkDeviceComm() ctor succeeded.\r\n"
        "***** CSocket::GetSockName() in CNetworkDeviceComm() ctor succeeded.\r\n"
        "***** CNetworkDeviceComm() ctor Local IP Addr and Port Num: 127.0.0.1:" +
        std::to_string(link.GetLocalPort()) + ".\r\n";
    EXPECT_EQ(capture.Text(), expected);
    EXPECT_EQ(link.OpenPort(), 0);
    EXPECT_EQ(link.ConfigurePort(), 0);
}

TEST_F(NetworkLink, NullCommandIsAnsweredAndShutDownIsReported) {
    platform::DebugCapture capture;
    {
        CNetworkDeviceComm link("localhost", m_sim.TcpPort());
        CKV90T1_Comm comm(&link);
        EXPECT_NE(comm.SendNullCommand(), 0);
        EXPECT_NE(comm.m_nLastStatus, 0);
        capture.Clear();
    }
    EXPECT_EQ(capture.Text(),
              "***** CSocket::ShutDown() in ~CNetworkDeviceComm() dtor succeeded.\r\n");
}

TEST_F(NetworkLink, ClosedPortFailsAtTheConnectStepWithTheRefusedText) {
    platform::DebugCapture capture;
    CNetworkDeviceComm link("127.0.0.1", ClosedPort());
    EXPECT_EQ(link.IsLinkGood(), 0);
    EXPECT_STREQ(link.GetLocalAddress(), "localhost");
    EXPECT_NE(capture.Text().find("*****\r\n***** CSocket::Connect() failed.\r\n"
                                  "WSAECONNREFUSED: The attempt to connect was rejected.\r\n"
                                  "*****\r\n"),
              std::string::npos);
    EXPECT_EQ(capture.Text().find("GetSockName"), std::string::npos);

    CKV90T1_Comm comm(&link);
    comm.m_nDefaultTimeout = 50;
    EXPECT_EQ(comm.SendNullCommand(), 0);
    EXPECT_EQ(comm.m_nLastStatus, 0);
}

TEST_F(NetworkLink, UnresolvableHostFailsAtTheConnectStep) {
    platform::DebugCapture capture;
    CNetworkDeviceComm link("no-such-host.invalid", 5000);
    EXPECT_EQ(link.IsLinkGood(), 0);
    EXPECT_NE(capture.Text().find("***** CSocket::Connect() failed.\r\n"), std::string::npos);
}

TEST_F(NetworkLink, DroppedConnectionMakesEveryLaterTransactionTimeOut) {
    CNetworkDeviceComm link("127.0.0.1", m_sim.TcpPort());
    CKV90T1_Comm comm(&link);
    comm.m_nDefaultTimeout = 100;
    m_sim.Device().InjectFault(sim::MakeFault(sim::FaultKind::DropConnection));
    for (int i = 0; i < 3; ++i) {
        const uint32_t start = platform::ProcessClockMs();
        EXPECT_EQ(comm.SendNullCommand(), 0);
        EXPECT_EQ(comm.m_nLastStatus, 0);
        EXPECT_GE(platform::ProcessClockMs() - start, 100u);
    }
    uint8_t byte = 0;
    EXPECT_EQ(link.ReadByte(&byte), 0);
}

TEST_F(NetworkLink, DrainInputTakesAboutAHundredMillisecondsAndCountsStaleBytes) {
    CNetworkDeviceComm link("127.0.0.1", m_sim.TcpPort());
    CKV90T1_Comm comm(&link);
    m_sim.Device().InjectFault(sim::MakeFault(sim::FaultKind::ExtraBytes, 7));
    ASSERT_NE(comm.SendNullCommand(), 0);
    uint32_t start = platform::ProcessClockMs();
    EXPECT_EQ(link.DrainInput(), 7);
    EXPECT_GE(platform::ProcessClockMs() - start, 100u);

    start = platform::ProcessClockMs();
    EXPECT_EQ(link.DrainInput(), 0);
    const uint32_t elapsed = platform::ProcessClockMs() - start;
    EXPECT_GE(elapsed, 100u);
    EXPECT_LT(elapsed, 1000u);
}

TEST_F(NetworkLink, IdleReadReturnsWithinAboutAMillisecond) {
    CNetworkDeviceComm link("127.0.0.1", m_sim.TcpPort());
    uint8_t byte = 0;
    const uint32_t start = platform::ProcessClockMs();
    for (int i = 0; i < 20; ++i) {
        EXPECT_EQ(link.ReadByte(&byte), 0);
    }
    EXPECT_LT(platform::ProcessClockMs() - start, 500u);
}

// A link that never connected reports the failed receive once per transaction, not once per
// millisecond of waiting (about 280 reports in 300 ms).
TEST_F(NetworkLink, ADeadLinkReportsItsFailureOncePerTransaction) {
    CNetworkDeviceComm link("no-such-host.invalid", 5000);
    CKV90T1_Comm comm(&link);
    comm.m_nDefaultTimeout = 300;
    platform::DebugCapture capture;
    EXPECT_EQ(comm.SendNullCommand(), 0);
    EXPECT_EQ(comm.SendNullCommand(), 0);
    EXPECT_EQ(Count(capture.Text(), "***** CAsyncSocket::Receive() failed.\r\n"), 2u);
}

// A device that stops reading: once the socket buffers are full a write gives up after the
// transaction's time-out instead of blocking the window thread for good.
TEST_F(NetworkLink, AWriteToAPeerThatStopsReadingFailsWithinItsBound) {
    DeafPeer peer;
    CNetworkDeviceComm link("127.0.0.1", peer.Port());
    ASSERT_NE(link.IsLinkGood(), 0);
    link.SetWriteTimeout(200);
    const std::vector<uint8_t> flood(64 << 20, 0x55);
    platform::DebugCapture capture;
    uint32_t start = platform::ProcessClockMs();
    EXPECT_EQ(link.Write(flood.data(), static_cast<uint32_t>(flood.size())), 0);
    EXPECT_LT(platform::ProcessClockMs() - start, 5000u);
    EXPECT_NE(capture.Text().find("***** CNetworkDeviceComm: the device took no data for 200 ms;"),
              std::string::npos);

    CKV90T1_Comm comm(&link);
    comm.m_nDefaultTimeout = 300;
    start = platform::ProcessClockMs();
    EXPECT_EQ(comm.SendNullCommand(), 0);
    const uint32_t elapsed = platform::ProcessClockMs() - start;
    EXPECT_GE(elapsed, 290u);
    EXPECT_LT(elapsed, 1500u);
}

// The link takes what has arrived with one receive and hands it out a byte at a time: nothing
// the peer sent is lost or reordered, whether it is read on, drained (and counted) or waits
// across a new connection.
TEST(NetworkLinkBuffer, BytesArriveInOrderAcrossDrainsAndReconnects) {
    uint16_t port = 0;
    const int listener = testsupport::ListenOnLoopback(&port);
    CNetworkDeviceComm link("127.0.0.1", port);
    int peer = ::accept(listener, nullptr, nullptr);
    ASSERT_GE(peer, 0);
    auto readBytes = [&link](size_t count) { return testsupport::ReadBytes(link, count, 2000); };
    const std::vector<uint8_t> sent = testsupport::SteppedBytes(6000, 7);
    ASSERT_EQ(::send(peer, sent.data(), sent.size(), 0), ssize_t(sent.size()));
    EXPECT_EQ(readBytes(sent.size()), sent);  // more than one receive's worth, in order

    const uint8_t stale[10] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    ASSERT_EQ(::send(peer, stale, sizeof stale, 0), ssize_t(sizeof stale));
    EXPECT_EQ(readBytes(3), (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_EQ(link.DrainInput(), 7);  // the taken and the waiting alike
    uint8_t byte = 0;
    EXPECT_EQ(link.ReadByte(&byte), 0);

    ASSERT_EQ(::send(peer, stale, 5, 0), 5);
    EXPECT_EQ(readBytes(1), (std::vector<uint8_t>{1}));
    ::close(peer);
    ASSERT_TRUE(link.Reconnect(1000));
    peer = ::accept(listener, nullptr, nullptr);
    ASSERT_GE(peer, 0);
    const uint8_t fresh[2] = {0xA0, 0xA1};
    ASSERT_EQ(::send(peer, fresh, sizeof fresh, 0), 2);
    EXPECT_EQ(readBytes(6), (std::vector<uint8_t>{2, 3, 4, 5, 0xA0, 0xA1}));
    ::close(peer);
    ::close(listener);
}
