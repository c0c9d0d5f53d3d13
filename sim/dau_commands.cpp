// The data acquisition unit: channel and DAC setups, ADC updates and the sampling streams.

#include "sim/Bytes.h"
#include "sim/KV90TSimulation.h"

namespace sim {

KV90TSimulation::Reply KV90TSimulation::DauChannelSetup(const Frame& request) {
    const Bytes& p = request.payload;
    if (p.size() != 14) {
        return std::nullopt;
    }
    m_stored[0x1500][p[0] & 1] = p;
    Bytes reply(9, 0);
    PutNumber(reply, 0, 4, static_cast<uint32_t>(GetNumber(p, 1, 4) * 5 / 2));  // 2.5 x bandwidth
    return reply;
}

KV90TSimulation::Reply KV90TSimulation::DauChannelReadBack(const Frame& request) {
    if (request.payload.size() != 1 || request.payload[0] > 1) {
        return std::nullopt;
    }
    const Bytes& setup = m_stored[0x1500][request.payload[0]];
    Bytes reply(setup.begin(), setup.begin() + 7);
    reply[0] = static_cast<uint8_t>((setup[0] & 0xFE) | request.payload[0]);
    reply.resize(23, 0);
    PutNumber(reply, 14, 4, static_cast<uint32_t>(GetNumber(setup, 1, 4) * 5 / 2));
    return reply;
}

KV90TSimulation::Reply KV90TSimulation::DauAdc(const Frame& request) {
    if (request.payload.size() != 1 || (request.payload[0] != 2 && request.payload[0] != 3)) {
        return std::nullopt;
    }
    Bytes p(42, 0);
    p[0] = static_cast<uint8_t>(32 + Noise(4)) & 0x3F;
    p[1] = static_cast<uint8_t>(16 + Noise(4)) & 0x3F;
    p[2] = static_cast<uint8_t>(8 + Noise(4)) & 0x3F;
    PutNumber(p, 3, 4, static_cast<uint32_t>(Noise(2) + 2));
    // A bell around the middle bins.
    constexpr uint32_t kBins[8] = {1200, 5400, 21000, 32000, 30000, 20000, 5100, 1100};
    for (int i = 0; i < 8; ++i) {
        PutNumber(p, 7 + 4 * i, 4, static_cast<uint32_t>(kBins[i] + Noise(kBins[i] / 20.0)));
    }
    PutNumber(p, 39, 2, static_cast<uint16_t>(static_cast<int16_t>(-250 + Noise(20))));
    return p;
}

void KV90TSimulation::InstallDauCommands() {
    for (int channel = 0; channel < 2; ++channel) {
        Bytes setup(14, 0);
        setup[0] = static_cast<uint8_t>(channel | channel << 1);
        PutNumber(setup, 1, 4, 25'000);
        PutNumber(setup, 5, 2, 696);
        m_stored[0x1500][channel] = setup;
    }
    Install(0x1500, &KV90TSimulation::DauChannelSetup);
    Install(0x4500, &KV90TSimulation::DauChannelReadBack);
    InstallStored(0x1501, 9, 0, 0x4501, 9, true);
    for (int channel = 0; channel < 2; ++channel) {
        m_stored[0x1501][channel][0] = static_cast<uint8_t>(channel);
        PutNumber(m_stored[0x1501][channel], 1, 2, 2048);  // the gain DAC's middle
    }
    Install(0x1004, &KV90TSimulation::DauAdc);
}

// The stream follows the channel's setup: the sample rate is 2.5 x the signal bandwidth.
StreamSetup KV90TSimulation::DauStreamSetup(int channel) const {
    const Bytes& setup = m_stored.at(0x1500)[channel];
    StreamSetup s;
    s.sampleRate = static_cast<uint32_t>(GetNumber(setup, 1, 4) * 5 / 2);
    s.samples = static_cast<uint16_t>(GetNumber(setup, 5, 2));
    s.gain = static_cast<uint16_t>(GetNumber(m_stored.at(0x1501)[channel], 1, 2));
    s.level = 2000;
    return s;
}

// Runs on every turn of the server loop: with no stream requested it does nothing else.
int KV90TSimulation::RunStreams() {
    std::lock_guard lock(m_mutex);
    if (!m_streams.Active(0) && !m_streams.Active(1)) {
        return -1;
    }
    for (int channel = 0; channel < 2; ++channel) {
        m_streams.SetSetup(channel, DauStreamSetup(channel));
    }
    const int64_t due = m_streams.RunDue();
    return due < 0 ? -1 : m_clock.WaitHintMs(due);
}

uint16_t KV90TSimulation::DauDataPort(int channel) const {
    return m_streams.Port(channel);
}

uint64_t KV90TSimulation::DatagramsSent(int channel) const {
    std::lock_guard lock(m_mutex);
    return m_streams.Sent(channel);
}

bool KV90TSimulation::StreamActive(int channel) const {
    std::lock_guard lock(m_mutex);
    return m_streams.Active(channel);
}

void KV90TSimulation::SetDauRate(double datagramsPerSecond) {
    std::lock_guard lock(m_mutex);
    m_streams.SetRateOverride(datagramsPerSecond);
}

void KV90TSimulation::InjectStreamFault(int channel, const StreamFault& fault) {
    std::lock_guard lock(m_mutex);
    m_streams.InjectFault(channel, fault);
}

}  // namespace sim
