#include "tests/support/DeviceSession.h"

#include <algorithm>

namespace testsupport {

DeviceSession::DeviceSession(const sim::Profile& profile, bool manualClock)
    : m_sim(profile, manualClock) {
    m_link = std::make_unique<CNetworkDeviceComm>("127.0.0.1", m_sim.TcpPort());
    m_comm = std::make_unique<CKV90T1_Comm>(m_link.get());
    m_comm->m_nDefaultTimeout = 300;
}

std::vector<uint8_t> DeviceSession::LastPayload(uint16_t code) {
    const auto frames = m_sim.Device().ReceivedFrames();
    for (auto it = frames.rbegin(); it != frames.rend(); ++it) {
        if (it->code == code) {
            return it->payload;
        }
    }
    return {};
}

void DeviceSession::Answer(uint16_t code, std::vector<uint8_t> payload) {
    m_sim.Device().SetCommand(code, [payload](const sim::Frame&) { return payload; });
}

int DeviceSession::CountReceived(uint16_t code) {
    const auto frames = m_sim.Device().ReceivedFrames();
    return static_cast<int>(std::count_if(frames.begin(), frames.end(),
                                          [code](const sim::Frame& f) { return f.code == code; }));
}

}  // namespace testsupport
