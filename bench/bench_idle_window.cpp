// The console's CPU time per wall second over 20 s of status polling against a simulated
// device (in a child process, so that only the console is measured), and over 20 s with
// polling off; the baseline is a thread that sleeps blind in 1 ms steps for 5 s, as an idle
// page thread once did.

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>

#include "link/CNetworkDeviceComm.h"
#include "platform/clock.h"
#include "protocol/CKV90T1_Comm.h"
#include "shell/CKV90TDlg.h"
#include "sim/KV90TSimulation.h"
#include "sim/SimServer.h"

namespace {

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Runs the simulated device in a child process; returns its pid and TCP port.
pid_t StartDevice(uint16_t* port) {
    int pipeFds[2];
    if (::pipe(pipeFds) != 0) {
        return -1;
    }
    const pid_t child = ::fork();
    if (child == 0) {
        sim::SimDevice device;
        sim::KV90TSimulation simulation(device, sim::DefaultProfile());
        sim::SimServer server(device);
        server.ListenTcp(0);
        server.Start();
        const uint16_t listening = server.TcpPort();
        [[maybe_unused]] ssize_t written = ::write(pipeFds[1], &listening, sizeof listening);
        ::pause();
        ::_exit(0);
    }
    [[maybe_unused]] ssize_t got = ::read(pipeFds[0], port, sizeof *port);
    ::close(pipeFds[0]);
    ::close(pipeFds[1]);
    return child;
}

// The console's CPU share of one core while its window runs for `seconds`.
double WindowShare(uint16_t port, int skipInitialRead, int seconds) {
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

double BlindSleepShare(int seconds) {
    const double cpu = CpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    std::atomic<bool> run{true};
    std::thread sleeper([&run] {
        while (run) {
            platform::SleepMs(1);
        }
    });
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    run = false;
    sleeper.join();
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return (CpuSeconds() - cpu) / wall;
}

void Print(const char* name, double share, double baseline, double goalPercent) {
    std::printf("%-36s %6.2f%% of a core, %.2fx the blind 1 ms sleeper (goal: under %.1f%%) %s\n",
                name, share * 100, share / baseline, goalPercent,
                share * 100 < goalPercent ? "ok" : "MISSED");
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    uint16_t port = 0;
    const pid_t device = StartDevice(&port);
    if (device <= 0) {
        std::fprintf(stderr, "cannot start the simulated device\n");
        return 1;
    }
    QApplication application(argc, argv);
    const double baseline = BlindSleepShare(5);
    std::printf("%-36s %6.2f%% of a core\n", "baseline: a thread sleeping 1 ms steps",
                baseline * 100);
    Print("console polling the device", WindowShare(port, 0, 20), baseline, 1.5);
    Print("console with polling off", WindowShare(port, 1, 20), baseline, 0.5);
    ::kill(device, SIGTERM);
    ::waitpid(device, nullptr, 0);
    return 0;
}
