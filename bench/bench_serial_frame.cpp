// A 265-byte frame (the largest regular request) over a pseudo-terminal through the serial
// link and the protocol object, against the 16 ms that its sixteen 1 ms pacing pauses take.

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "bench/bench_util.h"
#include "link/CSerialCom.h"
#include "platform/serial_ports.h"
#include "protocol/CKV90T1_Comm.h"
#include "sim/SimDevice.h"
#include "sim/SimServer.h"

int main() {
    const auto folder = std::filesystem::temp_directory_path() / "kv90t-bench-serial";
    std::filesystem::create_directories(folder);
    ::setenv("KV90T_SERIAL_DIR", folder.c_str(), 1);

    sim::SimDevice device;
    device.SetCommand(0x1020, [](const sim::Frame&) { return std::vector<uint8_t>{}; });
    sim::SimServer server(device);
    if (!server.OpenPty() || !platform::RegisterSerialPort("COM5", server.PtyPath())) {
        std::fprintf(stderr, "cannot open the pseudo-terminal\n");
        return 1;
    }
    server.Start();

    SerialPortSettings settings;
    std::snprintf(settings.portName, sizeof settings.portName, "COM5");
    settings.requestedBaudRate = 115200;
    CSerialCom link(settings);
    if (link.ConfigurePort() == 0 || link.SetCommunicationTimeouts(0, 200, 0, 0, 0) == 0) {
        std::fprintf(stderr, "cannot configure the port\n");
        return 1;
    }
    CKV90T1_Comm comm(&link);
    std::vector<uint8_t> request(6 + 259, 0x5A);
    uint8_t reply[6];
    int failures = 0;
    const double measured = bench::MedianMicroseconds(
        50, [&] { failures += comm.SendCommand(0x1020, request.data(), 259, reply, 0) == 0; });
    std::filesystem::remove_all(folder);
    if (failures != 0) {
        std::fprintf(stderr, "%d transactions failed\n", failures);
        return 1;
    }
    bench::PrintRatio("265-byte frame and reply over a pty", measured, "pacing floor (16 x 1 ms)",
                      16000.0, 1.05);
    return 0;
}
