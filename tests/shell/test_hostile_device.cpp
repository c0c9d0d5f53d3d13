// A hostile device: a seeded peer that answers with random payloads, random lengths, random
// bytes, split and late replies, and no reply at all. Nothing may crash, no sanitizer may
// report, and no call may hold the window thread beyond its time-outs.

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <functional>
#include <numeric>
#include <random>
#include <thread>

#include "link/CNetworkDeviceComm.h"
#include "platform/beep.h"
#include "platform/clock.h"
#include "protocol/CKV90T1_Comm.h"
#include "resources/resource_ids.h"
#include "shell/CKV90TDlg.h"
#include "sim/Frame.h"
#include "sim/KV90TSimulation.h"
#include "sim/SimDevice.h"
#include "tests/support/Loopback.h"
#include "tests/support/PumpUntil.h"
#include "ui/MessageBoxes.h"

namespace {

constexpr int kTimeoutMs = 100;

// Answers each request with the simulated device's reply, spoilt at random.
class HostilePeer {
public:
    explicit HostilePeer(uint32_t seed, bool armed = true) : m_random(seed), m_armed(armed) {
        m_listener = testsupport::ListenOnLoopback(&m_port);
        m_thread = std::thread([this] { Run(); });
    }
    ~HostilePeer() {
        m_stop = true;
        m_thread.join();
        ::close(m_listener);
    }
    uint16_t Port() const { return m_port; }
    int Requests() const { return m_requests; }
    // Until armed it answers honestly, so that a start-up can find a working device.
    void Arm() { m_armed = true; }

private:
    bool Wait(int fd) const {
        pollfd pfd{fd, POLLIN, 0};
        while (!m_stop) {
            if (::poll(&pfd, 1, 20) > 0) {
                return true;
            }
        }
        return false;
    }
    void Run() {
        while (Wait(m_listener)) {
            const int client = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
            sim::FrameReader reader;
            uint8_t buffer[4096];
            while (client >= 0 && Wait(client)) {
                const ssize_t got = ::recv(client, buffer, sizeof buffer, 0);
                if (got <= 0) {
                    break;
                }
                reader.Feed(buffer, static_cast<size_t>(got));
                while (auto frame = reader.Next()) {
                    ++m_requests;
                    auto reply = m_device.Handle(*frame).bytes;
                    if (m_armed) {
                        Answer(client, std::move(reply));
                    } else {
                        Send(client, reply);
                    }
                }
            }
            if (client >= 0) {
                ::close(client);
            }
        }
    }
    int Roll(int below) { return std::uniform_int_distribution<int>(0, below - 1)(m_random); }
    uint8_t Byte() { return static_cast<uint8_t>(Roll(256)); }
    void Pause(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
    // Moves the console's clock past the longest time-out, as the simulated device does for a
    // request it leaves unanswered.
    static void SkipTheWait() { platform::AdvanceClockMs(60'000); }
    void Send(int fd, const std::vector<uint8_t>& bytes) {
        ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    }
    void Answer(int fd, std::vector<uint8_t> reply) {
        const int choice = Roll(100);
        if (choice < 50) {  // the right length, any values
            for (size_t i = 6; i < reply.size(); ++i) {
                reply[i] = Byte();
            }
        } else if (choice < 58) {  // short: the console can only wait out its time-out
            reply.resize(static_cast<size_t>(Roll(static_cast<int>(reply.size()) + 1)));
            Send(fd, reply);
            SkipTheWait();
            return;
        } else if (choice < 66) {  // long
            for (int extra = 1 + Roll(40); extra > 0; --extra) {
                reply.push_back(Byte());
            }
        } else if (choice < 72) {  // noise
            reply.assign(static_cast<size_t>(1 + Roll(64)), 0);
            for (uint8_t& byte : reply) {
                byte = Byte();
            }
        } else if (choice < 78) {  // split, with gaps
            for (size_t at = 0; at < reply.size();) {
                const size_t piece = std::min(reply.size() - at, size_t(1 + Roll(8)));
                Send(fd, {reply.begin() + at, reply.begin() + at + piece});
                at += piece;
                Pause(Roll(30));
            }
            return;
        } else if (choice < 84) {  // late
            Pause(kTimeoutMs + Roll(100));
        } else if (choice < 90) {  // dropped
            SkipTheWait();
            return;
        }
        Send(fd, reply);
    }

    sim::SimDevice m_device;
    sim::KV90TSimulation m_simulation{m_device, sim::DefaultProfile()};
    std::mt19937 m_random;
    int m_listener = -1;
    uint16_t m_port = 0;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_armed;
    std::atomic<int> m_requests{0};
    std::thread m_thread;
};

// Every read operation of the protocol object, on every path or channel it takes.
std::vector<std::function<void(CKV90T1_Comm&)>> ReadOperations() {
    std::vector<std::function<void(CKV90T1_Comm&)>> reads = {
        [](CKV90T1_Comm& c) { c.SendNullCommand(); },
        [](CKV90T1_Comm& c) { c.ReadDeviceIdentity(); },
        [](CKV90T1_Comm& c) { c.ReadDeviceId(); },
        [](CKV90T1_Comm& c) { c.ReadNetworkSettings(); },
        [](CKV90T1_Comm& c) { c.ReadNetworkPage(); },
        [](CKV90T1_Comm& c) { c.ReadOperationalMode(); },
        [](CKV90T1_Comm& c) { c.ReadSystemPages(); },
        [](CKV90T1_Comm& c) { c.ReadInstalledOptions(); },
        [](CKV90T1_Comm& c) { c.ReadDeviceConfiguration(); },
        [](CKV90T1_Comm& c) { c.QueryFPGA_ConfigEEPROM_BulkEraseDone(); },
        [](CKV90T1_Comm& c) { c.ReadPhysicalValues(); },
        [](CKV90T1_Comm& c) { c.ReadTimeStatus(); },
        [](CKV90T1_Comm& c) { c.ReadCombinerSetup(); },
        [](CKV90T1_Comm& c) { c.ReadTimeCodeSetup(); },
        [](CKV90T1_Comm& c) { c.ReadRecorderStatus(); },
        [](CKV90T1_Comm& c) { c.ReadRecorderInfo(); },
        [](CKV90T1_Comm& c) { c.ReadTapeIfOutputSetup(); },
    };
    for (uint8_t page = 0; page < 16; ++page) {
        reads.push_back([page](CKV90T1_Comm& c) { c.ReadParameterPage(page); });
    }
    for (uint8_t reg = 0; reg < 8; ++reg) {
        reads.push_back([reg](CKV90T1_Comm& c) {
            uint16_t value = 0;
            c.ReadHardwareRegister(reg, &value);
        });
    }
    for (uint32_t k = 0; k < 3; ++k) {
        reads.push_back([k](CKV90T1_Comm& c) { c.ReadChannelSetup(k); });
        reads.push_back([k](CKV90T1_Comm& c) { c.ReadChannelStatus(k); });
        reads.push_back([k](CKV90T1_Comm& c) { c.ReadFrameSyncStatus(k); });
        reads.push_back([k](CKV90T1_Comm& c) { c.ReadOutputSetup(k); });
        reads.push_back([k](CKV90T1_Comm& c) { c.ReadRecordingDirectory(k, 0); });
        reads.push_back([k](CKV90T1_Comm& c) { c.ReadTapeChannelSetup(k); });
        reads.push_back([k](CKV90T1_Comm& c) { c.ReadTapeOutputSetup(k); });
    }
    for (uint32_t k = 0; k < 2; ++k) {
        reads.push_back([k](CKV90T1_Comm& c) { c.ReadDauChannelSetup(k); });
        reads.push_back([k](CKV90T1_Comm& c) { c.ReadDauDacSetup(k); });
        reads.push_back([k](CKV90T1_Comm& c) { c.ReadDauAdcBins(k); });
    }
    for (uint32_t stream = 0; stream < 6; ++stream) {
        reads.push_back([stream](CKV90T1_Comm& c) { c.ReadBertStatus(stream / 2, stream % 2); });
    }
    return reads;
}

}  // namespace

TEST(HostileDeviceRealTime, EveryReadOperationSurvivesAndReturnsWithinItsTimeOuts) {
    for (const uint32_t seed : {1u, 2u}) {
        HostilePeer peer(seed);
        CNetworkDeviceComm link("127.0.0.1", peer.Port());
        CKV90T1_Comm comm(&link);
        comm.m_nDefaultTimeout = kTimeoutMs;
        const auto reads = ReadOperations();
        std::vector<size_t> order(reads.size());
        std::iota(order.begin(), order.end(), 0);
        std::shuffle(order.begin(), order.end(), std::mt19937(seed));
        for (const size_t read : order) {
            QElapsedTimer timer;
            timer.start();
            reads[read](comm);
            // The longest read makes a few dozen transactions, each within time-out and drain.
            EXPECT_LT(timer.elapsed(), 40 * 2 * kTimeoutMs) << "seed " << seed;
        }
        EXPECT_GT(peer.Requests(), static_cast<int>(reads.size()) / 2);  // some send nothing
    }
}

// The main window on a hostile device: start-up reads, status polling and every tab's reads.
// A timer on the window thread measures the longest time it was held.
TEST(HostileDeviceRealTime, TheMainWindowKeepsRunningAndIsNeverHeldBeyondItsTimeOuts) {
    platform::BeepRecorder beeps;
    ui::DialogInterceptor boxes;
    HostilePeer peer(7, false);
    CNetworkDeviceComm link("127.0.0.1", peer.Port());
    CKV90T1_Comm comm(&link);
    comm.m_nDefaultTimeout = kTimeoutMs;
    CKV90TDlg window(&comm, 0);
    window.show();
    peer.Arm();
    QElapsedTimer sinceTick;
    sinceTick.start();
    qint64 longest = 0;
    QTimer ticks;
    QObject::connect(&ticks, &QTimer::timeout,
                     [&] { longest = std::max(longest, sinceTick.restart()); });
    ticks.start(20);
    const int before = peer.Requests();
    for (int tab = 0; tab < 14; ++tab) {
        window.SetPos(res::IDC_TAB, tab % 7);
        window.Pages().SelectPage();
        testsupport::PumpFor(300);
    }
    EXPECT_GT(peer.Requests(), before);  // it kept polling
    EXPECT_LT(longest, 30 * 2 * kTimeoutMs);
}
