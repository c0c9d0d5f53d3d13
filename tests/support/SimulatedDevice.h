#pragma once
// The simulated device running on loopback TCP and on a pseudo-terminal registered as a COM
// port in a serial device folder of the test's own.

#include <memory>
#include <string>

#include "link/CBaseClass.h"
#include "sim/KV90TSimulation.h"
#include "sim/SimDevice.h"
#include "sim/SimServer.h"
#include "tests/support/TempDir.h"

namespace testsupport {

class SimulatedDevice {
public:
    static constexpr const char* kPortName = "COM5";

    // Points KV90T_SERIAL_DIR at a temporary folder and starts both endpoints. With
    // `manualClock` the device's time moves only when the test advances Clock().
    explicit SimulatedDevice(const sim::Profile& profile = sim::DefaultProfile(),
                             bool manualClock = false);
    ~SimulatedDevice();

    sim::SimDevice& Device() { return m_device; }
    sim::KV90TSimulation& Simulation() { return m_simulation; }
    sim::SimServer& Server() { return m_server; }
    // Whether a request the device leaves unanswered moves the console's clock past any time-out
    // at once (on unless a test times the console's waits itself).
    void SkipSilence(bool skip);
    // The manual clock (only with `manualClock`).
    sim::ManualClock& Clock() { return *m_clock; }
    uint16_t TcpPort() const { return m_server.TcpPort(); }
    const std::string& SerialFolder() const { return m_serialFolder.Path(); }

private:
    TempDir m_serialFolder;
    std::unique_ptr<sim::ManualClock> m_clock;
    sim::SimDevice m_device;
    sim::KV90TSimulation m_simulation;
    sim::SimServer m_server;
};

// A port settings record as the console builds it: 8 data bits, no parity, one stop bit.
SerialPortSettings MakePortSettings(const char* portName, uint32_t baudRate = 57600);

}  // namespace testsupport
