// Downloading a 1 GiB recording from the simulated device's recorder: the console's download
// worker against a minimal blocking recv-to-file loop from the same server, alternately, three
// times each; the faster run of each counts.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

#include "sim/KV90TSimulation.h"
#include "sim/SimDevice.h"
#include "transfer/recorder_download.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr uint64_t kSize = 1ull << 30;

struct Endpoint {
    uint32_t address = 0;
    uint16_t port = 0;
};

// Asks the device to serve file 0 of channel 1, as the page does.
Endpoint Select(sim::SimDevice& device) {
    const sim::Response response = device.Handle({0x1012, {0, 0}});
    const std::vector<uint8_t>& b = response.bytes;
    Endpoint e;
    e.address = uint32_t(b[6]) << 24 | uint32_t(b[7]) << 16 | uint32_t(b[8]) << 8 | b[9];
    e.port = static_cast<uint16_t>(b[10] << 8 | b[11]);
    return e;
}

double Baseline(sim::SimDevice& device, const char* path) {
    const Endpoint e = Select(device);
    const auto start = Clock::now();
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = htonl(e.address);
    to.sin_port = htons(e.port);
    ::connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to);
    std::FILE* file = std::fopen(path, "wb");
    std::vector<char> buffer(1 << 20);
    uint64_t received = 0;
    while (received < kSize) {
        const ssize_t n = ::recv(fd, buffer.data(), buffer.size(), 0);
        if (n <= 0) {
            break;
        }
        std::fwrite(buffer.data(), 1, size_t(n), file);
        received += uint64_t(n);
    }
    std::fclose(file);
    ::close(fd);
    if (received != kSize) {
        std::printf("baseline received %llu of %llu bytes\n",
                    static_cast<unsigned long long>(received),
                    static_cast<unsigned long long>(kSize));
    }
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double Worker(sim::SimDevice& device, const char* path) {
    const Endpoint e = Select(device);
    const auto start = Clock::now();
    recorder::Download download;
    download.Start(e.address, e.port, kSize, path, 0);
    while (!download.Ended()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    if (download.Received() != kSize) {
        std::printf("worker received %llu of %llu bytes\n",
                    static_cast<unsigned long long>(download.Received()),
                    static_cast<unsigned long long>(kSize));
    }
    return seconds;
}

}  // namespace

int main() {
    sim::SimDevice device;
    sim::KV90TSimulation simulation(device, sim::DefaultProfile());
    simulation.SetRecordings(0, {{"BIG", kSize}});
    const char* path = "/tmp/kv90t-bench-download.ark";
    double ours = 1e9;
    double theirs = 1e9;
    for (int round = 0; round < 3; ++round) {
        // Each run writes a new file: freeing the last one's pages is not the run's cost.
        ::unlink(path);
        theirs = std::min(theirs, Baseline(device, path));
        ::unlink(path);
        ours = std::min(ours, Worker(device, path));
    }
    ::unlink(path);
    const double ratio = theirs / ours;
    std::printf("recorder download of 1 GiB\n  worker:   %7.1f MB/s\n  baseline: %7.1f MB/s\n",
                kSize / ours / 1e6, kSize / theirs / 1e6);
    std::printf("  throughput ratio %.2fx (goal: at least 0.90x) %s\n", ratio,
                ratio >= 0.9 ? "ok" : "MISSED");
    return 0;
}
