// kv90t-ctl serve polling 64 simulated receivers (in a child process of their own): its CPU
// share per receiver against the console's own polling of one receiver in the same run, the
// time a scrape of /metrics takes, and its resident memory.

#include <QApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "bench/bench_console.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/Http.h"

namespace {

constexpr int kReceivers = 64;
constexpr int kSeconds = 10;
constexpr int kScrapes = 21;

// User and system time of process `pid`, in seconds.
double ProcessCpuSeconds(pid_t pid) {
    std::ifstream file("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string field;
    double ticks = 0;
    for (int i = 3; fields >> field && i <= 15; ++i) {
        if (i == 14 || i == 15) {  // utime, stime
            ticks += std::stod(field);
        }
    }
    return ticks / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

double ResidentMegabytes(pid_t pid) {
    std::ifstream file("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(file, line);) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::stod(line.substr(6)) / 1024;
        }
    }
    return 0;
}

std::vector<std::string> ServeArguments(uint16_t metricsPort,
                                        const std::vector<uint16_t>& devicePorts) {
    std::vector<std::string> args = {KV90T_CTL, "serve", "--metrics", std::to_string(metricsPort)};
    for (size_t i = 0; i < devicePorts.size(); ++i) {
        args.push_back("rx" + std::to_string(i) +
                       "=tcp:127.0.0.1:" + std::to_string(devicePorts[i]));
    }
    return args;
}

double MedianScrapeMs(uint16_t port, size_t* bytes) {
    std::vector<double> samples;
    for (int i = 0; i < kScrapes; ++i) {
        const auto start = std::chrono::steady_clock::now();
        *bytes = testsupport::HttpGet(port, "/metrics").size();
        samples.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count());
    }
    std::nth_element(samples.begin(), samples.begin() + kScrapes / 2, samples.end());
    return samples[kScrapes / 2];
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    std::vector<uint16_t> ports;
    const pid_t devices = bench::StartDevices(kReceivers, &ports);
    if (devices <= 0) {
        std::fprintf(stderr, "cannot start the simulated devices\n");
        return 1;
    }
    QApplication application(argc, argv);
    const double console = bench::WindowShare(ports.front(), 0, kSeconds);

    const uint16_t metricsPort = testsupport::FreeTcpPort();
    testsupport::ChildProcess serving(ServeArguments(metricsPort, ports), "/dev/null");
    const pid_t serve = serving.Pid();
    const bool allUp = testsupport::WaitUntil(
        [&] {
            const std::string text = testsupport::HttpGet(metricsPort, "/metrics");
            return text.find("kv90t_up{receiver=\"rx" + std::to_string(kReceivers - 1) + "\"} 1") !=
                   std::string::npos;
        },
        30'000);
    std::this_thread::sleep_for(std::chrono::seconds(1));
    const double cpu = ProcessCpuSeconds(serve);
    const auto start = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(kSeconds));
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double perReceiver = (ProcessCpuSeconds(serve) - cpu) / wall / kReceivers;
    size_t bytes = 0;
    const double scrapeMs = MedianScrapeMs(metricsPort, &bytes);
    const double resident = ResidentMegabytes(serve);
    serving.Stop();
    bench::StopDevices(devices);

    if (!allUp) {
        std::printf("kv90t-ctl serve did not bring all %d receivers up\n", kReceivers);
    }
    const double ratio = perReceiver / console;
    std::printf("%-44s %6.3f%% of a core\n", "console polling one receiver", console * 100);
    std::printf("%-44s %6.3f%% of a core\nratio %.2fx (goal: at most 1.00x) %s\n",
                "serve polling 64, per receiver", perReceiver * 100, ratio,
                allUp && ratio <= 1.0 ? "ok" : "MISSED");
    std::printf("scrape of %d receivers (%zu bytes)       %6.2f ms (goal: under 10 ms) %s\n",
                kReceivers, bytes, scrapeMs, scrapeMs < 10 ? "ok" : "MISSED");
    std::printf("serve's resident memory                      %6.1f MB (goal: under 64 MB) %s\n",
                resident, resident < 64 ? "ok" : "MISSED");
    return 0;
}
