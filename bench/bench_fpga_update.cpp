// The FPGA configuration memory update of a 256 KiB image over a pseudo-terminal opened at
// 115200 baud: the System page's whole transfer (erase, polls, rounds of 64 pages, selection,
// mode restore) against its floor, a minimal loop that runs the same transactions on the same
// simulated device with the same serial pacing and the page thread's 50 ms pauses.

#include <stdlib.h>
#include <unistd.h>

#include <QApplication>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

#include "link/CSerialCom.h"
#include "pages/maintenance/CKV90T_System.h"
#include "platform/serial_ports.h"
#include "protocol/CKV90T1_Comm.h"
#include "resources/resource_ids.h"
#include "sim/KV90TSimulation.h"
#include "sim/SimServer.h"
#include "ui/MessageBoxes.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr size_t kImage = 256 * 1024;
constexpr size_t kPadded = kImage + 256;
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
    const auto start = Clock::now();
    comm.BulkEraseFPGA_ConfigEEPROM(kMemory);
    link->ClosePort();
    link->OpenPort();
    link->ConfigurePort(comm.m_System.transferBaudRate, 8, platform::NOPARITY,
                        platform::ONESTOPBIT);
    link->SetCommunicationTimeouts(0, 1, 0, 0, 0);
    comm.m_System.bulkEraseDone = 0;
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
    comm.SetOperationalMode(3, 0);
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double Page(const std::string& path) {
    auto link = Open();
    CKV90T1_Comm comm(link.get());
    comm.m_nOperationalMode = 3;
    ui::DialogInterceptor boxes;
    CKV90T_System page(&comm, 1, nullptr);
    page.Click(res::IDC_SYS_MEMORY[kMemory]);
    page.SetText(res::IDC_SYS_FPGA_PATH, path);
    const auto start = Clock::now();
    page.Click(res::IDC_SYS_FPGA_LOAD);
    while (boxes.Messages().empty()) {
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return std::chrono::duration<double>(Clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication application(argc, argv);
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
    std::vector<uint8_t> image(kPadded, 0xFF);
    for (size_t i = 0; i < kImage; ++i) {
        image[i] = static_cast<uint8_t>(i * 13);
    }
    const std::string path = std::string(folder) + "/kv90T_bench.bin";
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(image.data()), std::streamsize(kImage));
    const double floor = Floor(image);
    const double page = Page(path);
    const bool whole = simulation.FpgaImage(kMemory) == image;
    std::printf("FPGA update of 256 KiB over a pty\n  page:  %6.2f s\n  floor: %6.2f s\n", page,
                floor);
    std::printf("  ratio %.2fx (goal: within 1.10x) %s; image %s\n", page / floor,
                page / floor <= 1.1 ? "ok" : "MISSED", whole ? "whole" : "NOT WHOLE");
    std::filesystem::remove_all(folder);
    return whole ? 0 : 1;
}
