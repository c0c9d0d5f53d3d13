// The console's start, from the start of main (the device already listening on loopback TCP) to
// the first status poll shown on the main window's panel, against its floor: the same requests,
// recorded from that start, sent in a minimal loop over a raw socket to the same simulated
// device. It prints where the rest goes: Qt's own start, the console until its window's event
// loop runs (settings, link, the start-up reads, page creation, layout), and the wait for the
// status thread's first poll.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <optional>

#include "app/CKV90TApp.h"
#include "bench/bench_util.h"
#include "link/CNetworkDeviceComm.h"
#include "protocol/CKV90T1_Comm.h"
#include "platform/settings_store.h"
#include "resources/resource_ids.h"
#include "shell/CKV90TDlg.h"
#include "sim/Frame.h"
#include "sim/KV90TSimulation.h"
#include "sim/SimServer.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr uint16_t kStatusRead = 0x2100;
constexpr int kFloorRuns = 5;

double Ms(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

bool SaveLinkSettings() {
    platform::SettingsKey key;
    const uint32_t ethernet = 1;
    const std::string address = "127.0.0.1";
    return key.Create(CKV90TApp::kRegistryKey) == 0 &&
           key.SetValue("USE_ETHERNET", platform::REG_DWORD,
                        reinterpret_cast<const uint8_t*>(&ethernet), 4) == 0 &&
           key.SetValue("ETHERNET_IP_ADDR", platform::REG_SZ,
                        reinterpret_cast<const uint8_t*>(address.c_str()),
                        uint32_t(address.size() + 1)) == 0;
}

// Moments of the console's start, taken from its window's event loop.
struct Moments {
    std::optional<Clock::time_point> loopRunning;
    std::optional<Clock::time_point> pollShown;
};

// Watches the top-level windows until the main window shows its first status, then closes it.
void Watch(QTimer& timer, Moments& moments) {
    QObject::connect(&timer, &QTimer::timeout, [&moments] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* window = dynamic_cast<CKV90TDlg*>(widget);
            if (window == nullptr || !window->isVisible()) {
                continue;
            }
            if (!moments.loopRunning) {
                moments.loopRunning = Clock::now();
            }
            if (!window->Text(res::IDC_RSSI[0]).empty()) {
                moments.pollShown = Clock::now();
                window->close();
            }
        }
    });
    timer.start(1);
}

// The requests up to the first status read, sent and answered over a raw socket; ms, or a
// negative number when the device did not answer.
double Floor(uint16_t port, const std::vector<sim::Frame>& requests) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    const auto start = Clock::now();
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    sim::FrameReader reader;
    for (const sim::Frame& request : requests) {
        const std::vector<uint8_t> bytes = sim::EncodeFrame(request.code, request.payload);
        if (::send(fd, bytes.data(), bytes.size(), 0) != ssize_t(bytes.size())) {
            ::close(fd);
            return -1;
        }
        while (!reader.Next()) {
            uint8_t chunk[4096];
            const ssize_t got = ::recv(fd, chunk, sizeof chunk, 0);
            if (got <= 0) {
                ::close(fd);
                return -1;
            }
            reader.Feed(chunk, size_t(got));
        }
    }
    const double ms = Ms(start, Clock::now());
    ::close(fd);
    return ms;
}

// A second main window on the same device, its construction (the start-up reads, page creation)
// and its first show (layout, fonts, the first paint) timed apart.
void PrintWindowParts(uint16_t port) {
    CNetworkDeviceComm link("127.0.0.1", port);
    CKV90T1_Comm comm(&link);
    const auto start = Clock::now();
    CKV90TDlg window(&comm, 0);
    const auto built = Clock::now();
    window.show();
    QApplication::processEvents();
    const auto shown = Clock::now();
    std::printf("  of which, timed on a second window:\n");
    std::printf("    construction (start-up reads, pages)   %8.1f ms\n", Ms(start, built));
    std::printf("    first show (layout, fonts, paint)      %8.1f ms\n", Ms(built, shown));
}

}  // namespace

int main(int argc, char** argv) {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / "kv90t-bench-startup";
    std::filesystem::create_directories(folder);
    ::setenv("KV90T_SETTINGS", (folder / "kv90t.reg").c_str(), 1);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    sim::SimDevice device;
    sim::KV90TSimulation simulation(device, sim::DefaultProfile());
    sim::SimServer server(device);
    if (!server.ListenTcp(0) || !SaveLinkSettings()) {
        std::fprintf(stderr, "cannot listen or save the link settings\n");
        return 1;
    }
    server.Start();

    const auto start = Clock::now();
    QApplication application(argc, argv);
    const auto qtStarted = Clock::now();
    Moments moments;
    QTimer timer;
    Watch(timer, moments);
    CKV90TApp console({"kv90t"});
    console.m_nDevicePort = server.TcpPort();
    console.InitInstance();
    std::filesystem::remove_all(folder);
    if (!moments.pollShown) {
        std::fprintf(stderr, "the console showed no status\n");
        return 1;
    }

    std::vector<sim::Frame> requests;
    for (const sim::Frame& frame : device.ReceivedFrames()) {
        requests.push_back(frame);
        if (frame.code == kStatusRead) {
            break;
        }
    }
    std::vector<double> floors;
    for (int run = 0; run < kFloorRuns; ++run) {
        floors.push_back(Floor(server.TcpPort(), requests));
    }
    std::sort(floors.begin(), floors.end());
    const double floor = floors[kFloorRuns / 2];
    if (floors.front() < 0) {
        std::fprintf(stderr, "the floor's requests were not answered\n");
        return 1;
    }
    const double total = Ms(start, *moments.pollShown);
    std::printf("start-up, %zu requests to the first status shown\n", requests.size());
    std::printf("  Qt's start                               %8.1f ms\n", Ms(start, qtStarted));
    std::printf("  console until its window's loop runs     %8.1f ms\n",
                Ms(qtStarted, *moments.loopRunning));
    std::printf("  then to the first status poll shown      %8.1f ms\n",
                Ms(*moments.loopRunning, *moments.pollShown));
    PrintWindowParts(server.TcpPort());
    bench::PrintRatio("console to the first status shown", total * 1000,
                      "the same requests in a raw loop (median)", floor * 1000, 2.0);
    return 0;
}
