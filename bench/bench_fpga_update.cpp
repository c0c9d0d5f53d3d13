// The FPGA configuration memory update of a 256 KiB image over a pseudo-terminal opened at
// 115200 baud: the whole update through transfer/ (the image file read and padded, erase, polls,
// rounds of 64 pages, selection, mode restore), paced as the System page's thread paces it,
// against its floor, a minimal loop that runs the same transactions on the same simulated device
// with the same serial pacing and 50 ms pauses.

#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

#include "link/CSerialCom.h"
#include "platform/serial_ports.h"
#include "protocol/CKV90T1_Comm.h"
#include "sim/KV90TSimulation.h"
#include "sim/SimServer.h"
#include "transfer/firmware_update.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr size_t kImage = 256 * 1024;
constexpr uint32_t kMemory = 2;

SerialPortSettings Settings() {
    SerialPortSettings s;
    std::snprintf(s.portName, sizeof s.portName, "COM7");
    s.requestedBaudRate = 115200;
    return s;
}

std::unique_ptr<CSerialCom> Open() {
    auto link = std::make_unique<CSerialCom>(Settings());
    link->ConfigurePort();
    link->SetCommunicationTimeouts(0, 200, 0, 0, 0);
    return link;
}

void Pause(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// The same conversation with nothing around it: erase, the polls and the rounds with their
// 50 + 50 ms pauses, selection, system pages, mode.
double Floor(const std::vector<uint8_t>& image) {
    auto link = Open();
    CKV90T1_Comm comm(link.get());
    comm.ReadOperationalMode();
    const auto start = Clock::now();
    comm.BulkEraseFPGA_ConfigEEPROM(kMemory);
    link->ClosePort();
    link->OpenPort();
    link->ConfigurePort(comm.m_System.transferBaudRate, 8, platform::NOPARITY,
                        platform::ONESTOPBIT);
    link->SetCommunicationTimeouts(0, 1, 0, 0, 0);
    while (comm.m_System.bulkEraseDone == 0) {
        Pause(50);
        comm.QueryFPGA_ConfigEEPROM_BulkEraseDone();
        Pause(50);
    }
    for (size_t done = 0; done < image.size();) {
        Pause(50);
        for (int i = 0; i < 64 && done < image.size(); ++i) {
            if (comm.ProgramFPGA_ConfigEEPROMPage(kMemory, static_cast<uint32_t>(done),
                                                  image.data() + done) != 0) {
                done += 256;
            }
        }
        Pause(50);
    }
    comm.SelectFPGA_Personality(kMemory);
    comm.ReadSystemPages();
    comm.SetOperationalMode(comm.m_nOperationalMode, comm.m_bModeOption);
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double Transfer(const std::string& path) {
    auto link = Open();
    CKV90T1_Comm comm(link.get());
    comm.ReadOperationalMode();
    const auto start = Clock::now();
    firmware::FpgaUpdate update(comm, kMemory, firmware::ReadFpgaImage(path).bytes);
    update.Start();
    for (bool erased = false; !erased;) {
        Pause(50);
        erased = update.PollErase();
        Pause(50);
    }
    while (!update.Programmed()) {
        Pause(50);
        update.ProgramRound();
        Pause(50);
    }
    update.Finish();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

}  // namespace

int main() {
    char folder[] = "/tmp/kv90t-bench-XXXXXX";
    if (::mkdtemp(folder) == nullptr) {
        return 1;
    }
    ::setenv("KV90T_SERIAL_DIR", folder, 1);
    sim::SimDevice device;
    sim::KV90TSimulation simulation(device, sim::DefaultProfile());
    simulation.SetErasePolls(3);
    sim::SimServer server(device);
    if (!server.OpenPty() || !platform::RegisterSerialPort("COM7", server.PtyPath())) {
        std::printf("no pseudo-terminal\n");
        return 1;
    }
    server.Start();
    std::vector<uint8_t> image(kImage);
    for (size_t i = 0; i < kImage; ++i) {
        image[i] = static_cast<uint8_t>(i * 13);
    }
    const std::string path = std::string(folder) + "/kv90T_bench.bin";
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(image.data()), std::streamsize(kImage));
    const double floor = Floor(image);
    const double transfer = Transfer(path);
    const bool whole = simulation.FpgaImage(kMemory) == image;
    std::printf("FPGA update of 256 KiB over a pty\n  transfer: %6.2f s\n  floor:    %6.2f s\n",
                transfer, floor);
    std::printf("  ratio %.2fx (goal: within 1.10x) %s; image %s\n", transfer / floor,
                transfer / floor <= 1.1 ? "ok" : "MISSED", whole ? "whole" : "NOT WHOLE");
    std::filesystem::remove_all(folder);
    return whole ? 0 : 1;
}
