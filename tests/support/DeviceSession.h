#pragma once
// The simulated device with the protocol object connected to it over loopback TCP, and the
// shared channel setup records back at their defaults.

#include <memory>

#include "link/CNetworkDeviceComm.h"
#include "protocol/CKV90T1_Comm.h"
#include "tests/support/SimulatedDevice.h"

namespace testsupport {

class DeviceSession {
public:
    explicit DeviceSession(const sim::Profile& profile = sim::DefaultProfile(),
                           bool manualClock = false);

    SimulatedDevice& Sim() { return m_sim; }
    CKV90T1_Comm& Comm() { return *m_comm; }
    // The payload of the last request the device received with that code.
    std::vector<uint8_t> LastPayload(uint16_t code);
    // Makes the device answer a command with a fixed payload.
    void Answer(uint16_t code, std::vector<uint8_t> payload);
    int CountReceived(uint16_t code);

private:
    SimulatedDevice m_sim;
    std::unique_ptr<CNetworkDeviceComm> m_link;
    std::unique_ptr<CKV90T1_Comm> m_comm;
};

}  // namespace testsupport
