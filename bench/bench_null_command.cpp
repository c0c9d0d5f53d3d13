// Null-command round trip over loopback TCP through the protocol object, against a raw socket
// that writes the same six bytes and reads the six-byte reply from the same simulated device.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>

#include "bench/bench_util.h"
#include "link/CNetworkDeviceComm.h"
#include "protocol/CKV90T1_Comm.h"
#include "sim/SimDevice.h"
#include "sim/SimServer.h"

namespace {

constexpr int kRuns = 2000;

int ConnectRaw(uint16_t port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

bool RawRoundTrip(int fd) {
    const uint8_t request[6] = {0x28, 0, 0, 0, 0, 0};
    uint8_t reply[6];
    if (::send(fd, request, sizeof request, 0) != 6) {
        return false;
    }
    size_t got = 0;
    while (got < sizeof reply) {
        const ssize_t n = ::recv(fd, reply + got, sizeof reply - got, 0);
        if (n <= 0) {
            return false;
        }
        got += static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

int main() {
    sim::SimDevice device;
    sim::SimServer server(device);
    if (!server.ListenTcp(0)) {
        std::fprintf(stderr, "cannot listen\n");
        return 1;
    }
    server.Start();

    const int raw = ConnectRaw(server.TcpPort());
    CNetworkDeviceComm link("127.0.0.1", server.TcpPort());
    CKV90T1_Comm comm(&link);
    if (raw < 0 || link.IsLinkGood() == 0) {
        std::fprintf(stderr, "cannot connect\n");
        return 1;
    }
    int failures = 0;
    const auto [measured, baseline] = bench::InterleavedMediansMicroseconds(
        kRuns, [&] { failures += comm.SendNullCommand() == 0 || comm.m_nLastStatus == 0; },
        [&] { failures += !RawRoundTrip(raw); });
    ::close(raw);
    if (failures != 0) {
        std::fprintf(stderr, "%d round trips failed\n", failures);
        return 1;
    }
    bench::PrintRatio("null command via CKV90T1_Comm (median)", measured,
                      "raw socket request/reply (median)", baseline, 1.05);
    return 0;
}
