#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include "link/CNetworkDeviceComm.h"
#include "link/CSerialCom.h"
#include "platform/clock.h"
#include "platform/debug_output.h"
#include "protocol/CKV90T1_Comm.h"
#include "tests/support/SimulatedDevice.h"

using sim::Fault;
using sim::FaultKind;

class Transaction : public ::testing::Test {
protected:
    void SetUp() override {
        m_sim.Device().SetCommand(0x2001, [](const sim::Frame&) {
            return std::vector<uint8_t>{0xDE, 0xAD, 0xBE, 0xEF};
        });
        m_link = std::make_unique<CNetworkDeviceComm>("127.0.0.1", m_sim.TcpPort());
        m_comm = std::make_unique<CKV90T1_Comm>(m_link.get());
        m_comm->m_nDefaultTimeout = 200;
    }

    // Sends 0x2001 with a 3-byte payload, expecting 4 reply payload bytes.
    int32_t SendStatusRead(int32_t longTimeoutMs = 0) {
        m_request = {0, 0, 0, 0, 0, 0, 0x01, 0x02, 0x03};
        m_reply.assign(16, 0);
        if (longTimeoutMs > 0) {
            return m_comm->SendCommandLongTimeout(longTimeoutMs, 0x2001, m_request.data(), 3,
                                                  m_reply.data(), 4);
        }
        return m_comm->SendCommand(0x2001, m_request.data(), 3, m_reply.data(), 4);
    }

    testsupport::SimulatedDevice m_sim;
    std::unique_ptr<CNetworkDeviceComm> m_link;
    std::unique_ptr<CKV90T1_Comm> m_comm;
    std::vector<uint8_t> m_request;
    std::vector<uint8_t> m_reply;
};

TEST_F(Transaction, FrameHeaderIsLittleEndianAndTheReplyFollowsItsHeader) {
    EXPECT_EQ(m_comm->m_nDefaultTimeout, 200);
    ASSERT_NE(SendStatusRead(), 0);
    EXPECT_EQ(m_request, (std::vector<uint8_t>{0x28, 0x00, 0x01, 0x20, 0x03, 0x00, 1, 2, 3}));
    const auto frames = m_sim.Device().ReceivedFrames();
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].code, 0x2001);
    EXPECT_EQ(frames[0].payload, (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_EQ(
        std::vector<uint8_t>(m_reply.begin(), m_reply.begin() + 11),
        (std::vector<uint8_t>{0x28, 0x00, 0x01, 0x20, 0x04, 0x00, 0xDE, 0xAD, 0xBE, 0xEF, 0}));
    EXPECT_NE(m_comm->m_nLastStatus, 0);
}

TEST_F(Transaction, LargestRequestCarriesItsLengthInTwoBytes) {
    std::vector<uint8_t> request(6 + 259, 0x5A);
    std::vector<uint8_t> reply(6);
    m_sim.Device().SetCommand(0x1020, [](const sim::Frame&) { return std::vector<uint8_t>{}; });
    ASSERT_NE(m_comm->SendCommand(0x1020, request.data(), 259, reply.data(), 0), 0);
    EXPECT_EQ(request[4], 0x03);
    EXPECT_EQ(request[5], 0x01);
    EXPECT_EQ(m_sim.Device().ReceivedFrames().back().payload.size(), 259u);
}

TEST_F(Transaction, ReplyWithoutPayloadReadsExactlySixBytes) {
    ASSERT_NE(m_comm->SendNullCommand(), 0);
    EXPECT_EQ(m_link->DrainInput(), 0);
    ASSERT_NE(SendStatusRead(), 0);
    EXPECT_EQ(m_reply[6], 0xDE);
}

TEST_F(Transaction, ReplyOneByteShortFailsAfterTheTimeOut) {
    ASSERT_NE(SendStatusRead(), 0);
    m_sim.Device().InjectFault(sim::MakeFault(sim::FaultKind::ShortReply));
    platform::DebugCapture capture;
    const uint32_t start = platform::ProcessClockMs();
    EXPECT_EQ(SendStatusRead(), 0);
    const uint32_t elapsed = platform::ProcessClockMs() - start;
    EXPECT_GE(elapsed, 200u);
    EXPECT_LT(elapsed, 1000u);
    EXPECT_EQ(m_comm->m_nLastStatus, 0);
    EXPECT_EQ(capture.Text(), "");
}

TEST_F(Transaction, LongTimeoutFailureLogsCodeLengthsAndReceivedBytes) {
    m_sim.Device().InjectFault(sim::MakeFault(sim::FaultKind::ShortReply));
    platform::DebugCapture capture;
    EXPECT_EQ(SendStatusRead(300), 0);
    EXPECT_EQ(capture.Text(),
              "***** CKV90T1_Comm::SendCommandLongTimeout(0x2001, 3, 4) failed.\r\n"
              "***** Number of Bytes Received: 9.\r\n"
              "***** Values: 0x28 0x00 0x01 0x20 0x04 0x00 0xDE 0xAD 0xBE\r\n");
}

TEST_F(Transaction, LongTimeoutWaitsItsFullTimeForASilentDevice) {
    m_sim.Device().InjectFault(sim::MakeFault(sim::FaultKind::NoReply));
    platform::DebugCapture capture;
    const uint32_t start = platform::ProcessClockMs();
    EXPECT_EQ(SendStatusRead(400), 0);
    EXPECT_GE(platform::ProcessClockMs() - start, 400u);
    EXPECT_EQ(capture.Text(),
              "***** CKV90T1_Comm::SendCommandLongTimeout(0x2001, 3, 4) failed.\r\n"
              "***** Number of Bytes Received: 0.\r\n"
              "***** Values:\r\n");
}

// The time-out runs on the process clock: a minute's wait ends as soon as the clock is moved
// on, and a clock moved while the request was going out counts towards it.
TEST_F(Transaction, TheTimeOutIsMeasuredOnTheProcessClock) {
    m_sim.SkipSilence(false);
    m_sim.Device().InjectFault(sim::MakeFault(sim::FaultKind::NoReply));
    m_comm->m_nDefaultTimeout = 60'000;
    const auto start = std::chrono::steady_clock::now();
    std::atomic<bool> returned{false};
    std::thread mover([&returned] {
        while (!returned) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            platform::AdvanceClockMs(60'000);
        }
    });
    EXPECT_EQ(SendStatusRead(), 0);
    returned = true;
    mover.join();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    EXPECT_EQ(m_comm->LastFailedCode(), 0x2001);

    m_sim.SkipSilence(true);  // the device moves the clock as it drops the request
    m_sim.Device().InjectFault(sim::MakeFault(sim::FaultKind::NoReply));
    const auto again = std::chrono::steady_clock::now();
    EXPECT_EQ(SendStatusRead(), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - again, std::chrono::seconds(10));
    EXPECT_NE(SendStatusRead(), 0);
}

TEST_F(Transaction, LastByteAfterTheDeadlineFailsAlthoughTheReplyIsComplete) {
    m_sim.Device().InjectFault(sim::MakeFault(sim::FaultKind::LateLastByte, 350));
    EXPECT_EQ(SendStatusRead(), 0);
    EXPECT_EQ(m_comm->m_nLastStatus, 0);
    platform::SleepMs(200);
    EXPECT_EQ(m_link->DrainInput(), 1);

    m_sim.Device().InjectFault(sim::MakeFault(sim::FaultKind::LateLastByte, 50));
    EXPECT_NE(SendStatusRead(), 0);
    EXPECT_EQ(m_reply[9], 0xEF);
}

TEST_F(Transaction, WrongNullReplySucceedsButLeavesTheLastStatusZero) {
    m_sim.Device().InjectFault(sim::MakeFault(sim::FaultKind::WrongNullReply));
    EXPECT_NE(m_comm->SendNullCommand(), 0);
    EXPECT_EQ(m_comm->m_nLastStatus, 0);
    const uint8_t expected[6] = {0x28, 0x00, 0x00, 0x00, 0x00, 0x01};
    EXPECT_TRUE(std::equal(expected, expected + 6, m_comm->m_NullReply));

    EXPECT_NE(m_comm->SendNullCommand(), 0);
    EXPECT_NE(m_comm->m_nLastStatus, 0);
}

TEST_F(Transaction, ExtraBytesAfterAReplyStayInTheLink) {
    m_sim.Device().InjectFault(sim::MakeFault(sim::FaultKind::ExtraBytes, 3));
    ASSERT_NE(SendStatusRead(), 0);
    EXPECT_EQ(m_link->DrainInput(), 3);
}

// A transaction started while another waits (from a message handled during the wait) is
// refused before anything is written, so the first one still reads its own reply.
TEST_F(Transaction, ATransactionInsideAnotherIsRefusedAndCounted) {
    m_sim.Device().InjectFault(sim::MakeFault(sim::FaultKind::LateLastByte, 150));
    int32_t nested = -1;
    platform::DebugCapture capture;
    {
        const CKV90T1_Comm::WaitReport waits(*m_comm, [&](uint32_t) {
            if (nested == -1) {
                nested = m_comm->SendNullCommand();
            }
        });
        ASSERT_NE(SendStatusRead(), 0);
    }
    EXPECT_EQ(nested, 0);
    EXPECT_EQ(m_reply[9], 0xEF);
    EXPECT_EQ(m_comm->NestedTransactions(), 1u);
    EXPECT_EQ(m_sim.Device().ReceivedFrames().size(), 1u);
    EXPECT_EQ(capture.Text(),
              "***** CKV90T1_Comm: 0x0000 was not sent: another transaction is in progress.\r\n");
    EXPECT_FALSE(m_comm->InTransaction());
    EXPECT_NE(m_comm->SendNullCommand(), 0);
}

// Line noise on the serial line before a status reply: that poll fails with one debug line and
// the rest is discarded, and the next poll reads the status exactly.
TEST(TransactionAlignment, NoiseOnTheLineIsDiscardedAndTheNextReplyIsRead) {
    testsupport::SimulatedDevice sim;
    sim.Device().SetCommand(0x2001, [](const sim::Frame&) {
        return std::vector<uint8_t>{0xDE, 0xAD, 0xBE, 0xEF};
    });
    CSerialCom link(testsupport::MakePortSettings(testsupport::SimulatedDevice::kPortName));
    ASSERT_NE(link.ConfigurePort(), 0);
    ASSERT_NE(link.SetCommunicationTimeouts(0, 200, 0, 0, 0), 0);
    CKV90T1_Comm comm(&link);
    sim.Device().InjectFault(sim::MakeFault(sim::FaultKind::LeadingNoise, 37));
    uint8_t request[9] = {};
    uint8_t reply[10] = {};
    platform::DebugCapture capture;
    EXPECT_EQ(comm.SendCommand(0x2001, request, 3, reply, 4), 0);
    EXPECT_EQ(comm.m_nLastStatus, 0);
    EXPECT_EQ(capture.Text(),
              "***** CKV90T1_Comm: the reply to 0x2001 began 0x5A 0x5B, not the header word; the "
              "waiting input is discarded.\r\n");
    ASSERT_NE(comm.SendCommand(0x2001, request, 3, reply, 4), 0);
    EXPECT_EQ(std::vector<uint8_t>(reply, reply + 10),
              (std::vector<uint8_t>{0x28, 0x00, 0x01, 0x20, 0x04, 0x00, 0xDE, 0xAD, 0xBE, 0xEF}));
    EXPECT_NE(comm.m_nLastStatus, 0);
}

TEST(TransactionWriteFailure, KeepsTheLastStatusAndReadsNothing) {
    testsupport::SimulatedDevice sim;
    CSerialCom link(testsupport::MakePortSettings(testsupport::SimulatedDevice::kPortName));
    ASSERT_NE(link.ConfigurePort(), 0);
    ASSERT_NE(link.SetCommunicationTimeouts(0, 200, 0, 0, 0), 0);
    CKV90T1_Comm comm(&link);
    ASSERT_NE(comm.SendNullCommand(), 0);
    const int32_t before = comm.m_nLastStatus;
    ASSERT_NE(before, 0);

    link.ClosePort();
    uint8_t request[6];
    uint8_t reply[6];
    const uint32_t start = platform::ProcessClockMs();
    EXPECT_EQ(comm.SendCommand(0x0000, request, 0, reply, 0), 0);
    EXPECT_LT(platform::ProcessClockMs() - start, 100u);
    EXPECT_EQ(comm.m_nLastStatus, before);
    EXPECT_EQ(comm.GetDeviceLink(), &link);
}
