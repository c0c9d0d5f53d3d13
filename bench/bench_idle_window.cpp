// The console's CPU time per wall second over 20 s of status polling against a simulated
// device (in a child process, so that only the console is measured), and over 20 s with
// polling off; the baseline is a thread that sleeps blind in 1 ms steps for 5 s, as an idle
// page thread once did.

#include <QApplication>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>

#include "bench/bench_console.h"
#include "platform/clock.h"

namespace {

double BlindSleepShare(int seconds) {
    const double cpu = bench::CpuSeconds();
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
    return (bench::CpuSeconds() - cpu) / wall;
}

void Print(const char* name, double share, double baseline, double goalPercent) {
    std::printf("%-36s %6.2f%% of a core, %.2fx the blind 1 ms sleeper (goal: under %.1f%%) %s\n",
                name, share * 100, share / baseline, goalPercent,
                share * 100 < goalPercent ? "ok" : "MISSED");
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    std::vector<uint16_t> ports;
    const pid_t device = bench::StartDevices(1, &ports);
    const uint16_t port = ports.front();
    if (device <= 0) {
        std::fprintf(stderr, "cannot start the simulated device\n");
        return 1;
    }
    QApplication application(argc, argv);
    const double baseline = BlindSleepShare(5);
    std::printf("%-36s %6.2f%% of a core\n", "baseline: a thread sleeping 1 ms steps",
                baseline * 100);
    Print("console polling the device", bench::WindowShare(port, 0, 20), baseline, 1.5);
    Print("console with polling off", bench::WindowShare(port, 1, 20), baseline, 0.5);
    bench::StopDevices(device);
    return 0;
}
