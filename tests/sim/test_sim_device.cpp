// The simulated device's own activity and its faults on the new channels: the device clock,
// the DAU sampling streams over UDP, generated recorder downloads, and the firmware targets.

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <ctime>
#include <filesystem>

#include "sim/Bytes.h"
#include "sim/KV90TSimulation.h"
#include "tests/support/DeviceSession.h"
#include "tests/support/Download.h"

using sim::Frame;
using testsupport::DeviceSession;
using Bytes = std::vector<uint8_t>;

namespace {

// A UDP socket on loopback that takes datagrams only from the device's data port.
class Receiver {
public:
    explicit Receiver(uint16_t from) : m_fd(::socket(AF_INET, SOCK_DGRAM, 0)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        ::bind(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&address), &length);
        m_port = ntohs(address.sin_port);
        const int buffer = 8 << 20;
        ::setsockopt(m_fd, SOL_SOCKET, SO_RCVBUF, &buffer, sizeof buffer);
        sockaddr_in device{};
        device.sin_family = AF_INET;
        device.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        device.sin_port = htons(from);
        ::connect(m_fd, reinterpret_cast<sockaddr*>(&device), sizeof device);
    }
    ~Receiver() { ::close(m_fd); }
    uint16_t Port() const { return m_port; }
    // Every datagram waiting now (the device sends them before Advance returns).
    std::vector<Bytes> Take() {
        std::vector<Bytes> datagrams;
        uint8_t buffer[2048];
        for (;;) {
            const ssize_t n = ::recv(m_fd, buffer, sizeof buffer, MSG_DONTWAIT);
            if (n < 0) {
                return datagrams;
            }
            datagrams.emplace_back(buffer, buffer + n);
        }
    }

private:
    int m_fd;
    uint16_t m_port = 0;
};

Bytes StreamRequest(uint8_t index, bool start, uint16_t port) {
    Bytes p(7, 0);
    p[0] = static_cast<uint8_t>(index | (start ? 0x80 : 0));
    sim::PutNumber(p, 1, 4, 0x7F000001);
    sim::PutNumber(p, 5, 2, port);
    return p;
}

// A device with a manual clock and no server: commands go straight to its table.
class Device : public ::testing::Test {
protected:
    Bytes Send(uint16_t code, const Bytes& payload) {
        const sim::Response response = m_device.Handle(Frame{code, payload});
        return response.bytes.size() < 6 ? Bytes{}
                                         : Bytes(response.bytes.begin() + 6, response.bytes.end());
    }
    bool Answered(uint16_t code, const Bytes& payload) {
        return !m_device.Handle(Frame{code, payload}).bytes.empty();
    }

    sim::ManualClock m_clock;
    sim::SimDevice m_device;
    sim::KV90TSimulation m_sim{m_device, *sim::FindProfile("dau"), &m_clock};
};

}  // namespace

TEST_F(Device, StreamsDatagramsAtTheSampleRateWithTheirHeader) {
    Receiver receiver(m_sim.DauDataPort(0));
    ASSERT_NE(m_sim.DauDataPort(0), 0);
    EXPECT_EQ(m_sim.PageWords(0)[46], m_sim.DauDataPort(0));
    EXPECT_EQ(m_sim.PageWords(0)[47], m_sim.DauDataPort(1));
    m_clock.Advance(3000);
    Send(0x1002, StreamRequest(9, true, receiver.Port()));
    EXPECT_TRUE(m_sim.StreamActive(0));
    m_clock.Advance(1000);  // 62,500 samples/s in 696 a datagram: one every 11.136 ms
    const auto datagrams = receiver.Take();
    ASSERT_EQ(datagrams.size(), 90u);
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    for (size_t i = 0; i < datagrams.size(); ++i) {
        const Bytes& d = datagrams[i];
        ASSERT_EQ(d.size(), 24u + 2 * 696) << i;
        EXPECT_EQ(d[0], 4);  // GPS initialisation four seconds after the device started
        EXPECT_EQ(d[1], 1);
        EXPECT_NEAR(double(sim::GetNumber(d, 2, 2)), 2000, 25);
        EXPECT_EQ(sim::GetNumber(d, 6, 2), i);
        EXPECT_EQ(d[10] & 1, 1);
        EXPECT_EQ(d[11] & 0x80, 0);
        EXPECT_EQ(sim::GetNumber(d, 12, 4) >> 25, uint64_t(utc.tm_year - 100));
        EXPECT_LT(sim::GetNumber(d, 16, 4), 1'000'000'000u);
    }
    int peak = 0;
    for (size_t k = 0; k < 696; ++k) {
        peak = std::max(peak, std::abs(int16_t(sim::GetNumber(datagrams[0], 24 + 2 * k, 2))));
    }
    EXPECT_GT(peak, 10000);  // a sine that the gain DAC's middle makes large

    Bytes setup(14, 0);  // 10,000 Hz (25,000 samples/s) in 100-sample datagrams
    sim::PutNumber(setup, 1, 4, 10'000);
    sim::PutNumber(setup, 5, 2, 100);
    Send(0x1500, setup);
    m_clock.Advance(100);
    const auto smaller = receiver.Take();
    ASSERT_EQ(smaller.size(), 25u);
    EXPECT_EQ(smaller[0].size(), 224u);
    m_clock.Advance(3000);
    EXPECT_EQ(receiver.Take().back()[0], 7);  // "Normal Running" from the seventh second

    Send(0x1002, StreamRequest(9, false, receiver.Port()));
    m_clock.Advance(1000);
    EXPECT_TRUE(receiver.Take().empty());
    EXPECT_FALSE(m_sim.StreamActive(0));
}

TEST_F(Device, AStreamLivesSixtyFiveSecondsAfterItsLastRenewal) {
    Receiver receiver(m_sim.DauDataPort(1));
    m_sim.SetDauRate(2);
    Send(0x1002, StreamRequest(10, true, receiver.Port()));
    m_clock.Advance(60'000);
    Send(0x1002, StreamRequest(10, true, receiver.Port()));  // the keep-alive renews it
    m_clock.Advance(60'000);
    EXPECT_TRUE(m_sim.StreamActive(1));
    EXPECT_EQ(receiver.Take().size(), 241u);  // two a second for 120 s, and the first at once
    m_clock.Advance(5'001);
    EXPECT_FALSE(m_sim.StreamActive(1));
    m_clock.Advance(10'000);
    EXPECT_LE(receiver.Take().size(), 10u);  // up to the 65 s, nothing after

    Bytes elsewhere = StreamRequest(10, true, receiver.Port());
    sim::PutNumber(elsewhere, 1, 4, 0xC0A80164);  // 192.168.1.100: not on this machine
    Send(0x1002, elsewhere);
    EXPECT_FALSE(m_sim.StreamActive(1));
}

TEST_F(Device, StreamFaultsArriveAsChosen) {
    Receiver receiver(m_sim.DauDataPort(0));
    m_sim.SetDauRate(10);
    Send(0x1002, StreamRequest(9, true, receiver.Port()));
    m_clock.Advance(0);
    ASSERT_EQ(receiver.Take().size(), 1u);
    m_sim.InjectStreamFault(0, {sim::StreamFaultKind::BadSize, 3, -2});
    m_sim.InjectStreamFault(0, {sim::StreamFaultKind::Burst, 5, 0});
    m_clock.Advance(500);
    const auto datagrams = receiver.Take();
    ASSERT_EQ(datagrams.size(), 10u);  // five of the burst, five of the rate
    std::vector<size_t> sizes;
    for (const Bytes& d : datagrams) {
        sizes.push_back(d.size());
    }
    EXPECT_EQ(sizes,
              (std::vector<size_t>{1414, 1414, 1414, 1416, 1416, 1416, 1416, 1416, 1416, 1416}));
    m_sim.InjectStreamFault(0, {sim::StreamFaultKind::Silence, 1, 0});
    m_clock.Advance(1000);
    EXPECT_TRUE(receiver.Take().empty());
    EXPECT_TRUE(m_sim.StreamActive(0));
}

TEST_F(Device, HandlersRunOutsideTheLockAndFaultsCanWaitTheirTurn) {
    m_device.SetCommand(0x7777, [this](const Frame&) {
        sim::Fault silent = sim::MakeFault(sim::FaultKind::NoReply);  // the device's lock
        silent.code = 0x0000;
        m_device.InjectFault(silent);
        return Bytes{};
    });
    EXPECT_TRUE(Answered(0x7777, {}));
    EXPECT_FALSE(Answered(0x0000, {}));

    sim::Fault late = sim::MakeFault(sim::FaultKind::NoReply);
    late.code = 0x1021;
    late.skip = 2;
    late.count = -1;
    m_device.InjectFault(late);
    Bytes page(259, 0x5A);
    page[0] = 0x10;
    page[1] = 0;
    page[2] = 0;
    EXPECT_TRUE(Answered(0x1021, page));
    page[2] = 1;
    EXPECT_TRUE(Answered(0x1021, page));
    page[2] = 2;
    EXPECT_FALSE(Answered(0x1021, page));  // the device stops answering after two pages
    EXPECT_FALSE(Answered(0x1021, page));
    EXPECT_EQ(m_sim.FpgaImage(0).size(), 3u * 256);  // what it received, it kept
}

TEST_F(Device, DspFlashKeepsTheImageOfEachDsp) {
    Send(0x1001, {0x13, 0x01, 0, 0, 0, 0});
    Send(0x1020, {1, 10, 20, 30});
    Send(0x1020, {1, 40});
    Send(0x1020, {0, 99});
    EXPECT_FALSE(m_sim.DspFlashEnded(1));
    Send(0x1001, {0x13, 0xFF, 1, 0, 0, 0});
    EXPECT_EQ(m_sim.DspImage(1), (Bytes{10, 20, 30, 40}));
    EXPECT_EQ(m_sim.DspImage(0), Bytes{99});
    EXPECT_TRUE(m_sim.DspFlashEnded(1));
    EXPECT_FALSE(m_sim.DspFlashEnded(0));
}

namespace {

Bytes Download(uint16_t port, int quietMs = 10000) {
    return testsupport::Download(0x7F000001, port, quietMs);
}

bool TransferFlag(CKV90T1_Comm& comm, int channel) {
    return comm.ReadRecorderStatus() != 0 && comm.m_Recorder[channel].transferInProgress != 0;
}

// Polls the recorder status until the channel's transfer flag is clear (bounded).
bool TransferEnds(CKV90T1_Comm& comm, int channel) {
    for (int i = 0; i < 500; ++i) {
        if (!TransferFlag(comm, channel)) {
            return true;
        }
        ::usleep(10'000);
    }
    return false;
}

}  // namespace

TEST(Downloads, AGeneratedFileOfSixtyFourMebibytesArrivesByteForByte) {
    DeviceSession session;
    auto& sim = session.Sim().Simulation();
    CKV90T1_Comm& comm = session.Comm();
    sim.SetRecordings(1, {{"BIG.ark", 64ull << 20}});
    ASSERT_NE(comm.SelectRecordingFile(1, 0), 0);
    const Bytes file = Download(comm.m_nDownloadPort);
    ASSERT_EQ(file.size(), 64ull << 20);
    const auto recorded = sim.RecordedFiles(1)[0];
    size_t wrong = 0;
    for (size_t i = 0; i < file.size(); ++i) {
        wrong += file[i] != sim::KV90TSimulation::RecordedByte(recorded, i);
    }
    EXPECT_EQ(wrong, 0u);
    EXPECT_TRUE(TransferEnds(comm, 1));
}

TEST(Downloads, DroppedRefusedStalledAndStuckTransfers) {
    DeviceSession session;
    auto& sim = session.Sim().Simulation();
    CKV90T1_Comm& comm = session.Comm();
    sim.InjectDownloadFault({sim::DownloadFaultKind::DropAfter, 1000});
    ASSERT_NE(comm.SelectRecordingFile(0, 2), 0);
    const Bytes dropped = Download(comm.m_nDownloadPort);
    ASSERT_EQ(dropped.size(), 1000u);
    EXPECT_EQ(dropped[999], sim::KV90TSimulation::RecordedByte(sim.RecordedFiles(0)[2], 999));
    EXPECT_TRUE(TransferEnds(comm, 0));

    sim.InjectDownloadFault({sim::DownloadFaultKind::Refuse, 0});
    ASSERT_NE(comm.SelectRecordingFile(0, 1), 0);
    EXPECT_NE(comm.m_nDownloadPort, 0);
    EXPECT_TRUE(Download(comm.m_nDownloadPort).empty());

    sim.InjectDownloadFault({sim::DownloadFaultKind::Stall, 300});
    ASSERT_NE(comm.SelectRecordingFile(0, 1), 0);
    {
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in target{};
        target.sin_family = AF_INET;
        target.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        target.sin_port = htons(comm.m_nDownloadPort);
        ASSERT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&target), sizeof target), 0);
        size_t received = 0;
        uint8_t buffer[1024];
        pollfd pfd{fd, POLLIN, 0};
        while (::poll(&pfd, 1, 300) > 0) {
            const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
            ASSERT_GT(n, 0) << "the stalled connection closed";
            received += static_cast<size_t>(n);
        }
        EXPECT_EQ(received, 300u);  // then nothing, and the connection stays open
        EXPECT_TRUE(TransferFlag(comm, 0));
        ::close(fd);
    }
    EXPECT_TRUE(TransferEnds(comm, 0));

    sim.InjectDownloadFault({sim::DownloadFaultKind::StuckTransfer, 0});
    ASSERT_NE(comm.SelectRecordingFile(2, 0), 0);
    EXPECT_EQ(Download(comm.m_nDownloadPort).size(), 1'234'567u);
    for (int i = 0; i < 20; ++i) {
        EXPECT_TRUE(TransferFlag(comm, 2));
    }
}

TEST(Downloads, EndpointThreadsAreReapedAfterEachDownload) {
    DeviceSession session;
    auto& sim = session.Sim().Simulation();
    CKV90T1_Comm& comm = session.Comm();
    auto threads = [] {
        size_t count = 0;
        std::error_code ec;
        for (auto it = std::filesystem::directory_iterator("/proc/self/task", ec);
             it != std::filesystem::directory_iterator(); ++it) {
            ++count;
        }
        return count;
    };
    auto reaped = [&sim] {
        for (int i = 0; i < 500 && sim.LiveDownloads() != 0; ++i) {
            ::usleep(10'000);
        }
        return sim.LiveDownloads() == 0;
    };
    const size_t before = threads();
    for (int i = 0; i < 100; ++i) {
        ASSERT_NE(comm.SelectRecordingFile(1, 0), 0);
        ASSERT_EQ(Download(comm.m_nDownloadPort).size(), 4096u);
        ASSERT_TRUE(reaped()) << "download " << i;
    }
    EXPECT_EQ(threads(), before);
}
