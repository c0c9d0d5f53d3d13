#pragma once
// What the console-against-a-device benchmarks share: a simulated device in this process, the
// process's CPU time, simulated devices in a child process (so that only the program measured
// runs in this one), and the console window's CPU share while it polls one of them.

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QEventLoop>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <memory>
#include <vector>

#include "link/CNetworkDeviceComm.h"
#include "protocol/CKV90T1_Comm.h"
#include "shell/CKV90TDlg.h"
#include "sim/KV90TSimulation.h"
#include "sim/SimServer.h"

namespace bench {

// A simulated device in this process on loopback TCP, and a protocol object linked to it.
struct LocalDevice {
    LocalDevice() : simulation(device, sim::DefaultProfile()), server(device) {
        if (server.ListenTcp(0)) {
            server.Start();
            link = std::make_unique<CNetworkDeviceComm>("127.0.0.1", server.TcpPort());
            comm = std::make_unique<CKV90T1_Comm>(link.get());
        }
    }
    // Whether the device listens; says so on standard error when not.
    bool Listening() const {
        if (comm == nullptr) {
            std::fprintf(stderr, "cannot listen\n");
        }
        return comm != nullptr;
    }

    sim::SimDevice device;
    sim::KV90TSimulation simulation;
    sim::SimServer server;
    std::unique_ptr<CNetworkDeviceComm> link;
    std::unique_ptr<CKV90T1_Comm> comm;
};

inline double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Runs `count` simulated devices in a child process; returns its pid (-1 on failure) and fills
// `ports` with their TCP ports.
inline pid_t StartDevices(int count, std::vector<uint16_t>* ports) {
    int pipeFds[2];
    if (::pipe(pipeFds) != 0) {
        return -1;
    }
    const pid_t child = ::fork();
    if (child == 0) {
        struct Device {
            Device() : simulation(device, sim::DefaultProfile()), server(device) {}
            sim::SimDevice device;
            sim::KV90TSimulation simulation;
            sim::SimServer server;
        };
        std::vector<std::unique_ptr<Device>> devices;
        for (int i = 0; i < count; ++i) {
            devices.push_back(std::make_unique<Device>());
            devices.back()->server.ListenTcp(0);
            devices.back()->server.Start();
            const uint16_t listening = devices.back()->server.TcpPort();
            [[maybe_unused]] ssize_t written = ::write(pipeFds[1], &listening, sizeof listening);
        }
        ::pause();
        ::_exit(0);
    }
    ports->resize(static_cast<size_t>(count));
    for (uint16_t& port : *ports) {
        [[maybe_unused]] ssize_t got = ::read(pipeFds[0], &port, sizeof port);
    }
    ::close(pipeFds[0]);
    ::close(pipeFds[1]);
    return child;
}

inline void StopDevices(pid_t devices) {
    ::kill(devices, SIGTERM);
    ::waitpid(devices, nullptr, 0);
}

// The console's CPU share of one core while its window runs for `seconds`, after a second to
// settle.
inline double WindowShare(uint16_t port, int skipInitialRead, int seconds) {
    CNetworkDeviceComm link("127.0.0.1", port);
    CKV90T1_Comm comm(&link);
    CKV90TDlg window(&comm, skipInitialRead);
    window.show();
    QEventLoop settle;
    QTimer::singleShot(1000, &settle, &QEventLoop::quit);
    settle.exec();
    const double cpu = CpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    QEventLoop run;
    QTimer::singleShot(seconds * 1000, &run, &QEventLoop::quit);
    run.exec();
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double share = (CpuSeconds() - cpu) / wall;
    window.close();
    return share;
}

}  // namespace bench
