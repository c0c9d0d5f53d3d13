#include "tests/support/SimulatedDevice.h"

#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include "platform/clock.h"
#include "platform/serial_ports.h"

namespace testsupport {
namespace {

// Longer than the longest time-out of any transaction.
constexpr uint32_t kSilenceSkipMs = 60'000;

}  // namespace

SimulatedDevice::SimulatedDevice(const sim::Profile& profile, bool manualClock)
    : m_clock(manualClock ? std::make_unique<sim::ManualClock>() : nullptr),
      m_simulation(m_device, profile, m_clock.get()),
      m_server(m_device) {
    ::setenv("KV90T_SERIAL_DIR", m_serialFolder.Path().c_str(), 1);
    std::string error;
    if (!m_server.ListenTcp(0, &error) || !m_server.OpenPty(&error) ||
        !platform::RegisterSerialPort(kPortName, m_server.PtyPath())) {
        throw std::runtime_error("simulated device: " + error);
    }
    SkipSilence(true);
    // A personality loads at once unless a test gives it a load time.
    m_simulation.SetPersonalityLoadTime(0);
    m_server.Start();
}

void SimulatedDevice::SkipSilence(bool skip) {
    m_device.SetOnSilence(skip ? [] { platform::AdvanceClockMs(kSilenceSkipMs); }
                               : std::function<void()>{});
}

SimulatedDevice::~SimulatedDevice() {
    m_server.Stop();
    ::unsetenv("KV90T_SERIAL_DIR");
}

SerialPortSettings MakePortSettings(const char* portName, uint32_t baudRate) {
    SerialPortSettings settings;
    std::snprintf(settings.portName, sizeof settings.portName, "%.6s", portName);
    settings.requestedBaudRate = baudRate;
    return settings;
}

}  // namespace testsupport
