#include "sim/DauStream.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>

#include "sim/Bytes.h"

namespace sim {
namespace {

constexpr int kMostPerRun = 10'000;  // datagrams one run sends at the most, to catch up

bool IsLoopback(uint32_t address) {
    return (address >> 24) == 127;
}

}  // namespace

DauStreams::DauStreams(const DeviceClock& clock) : m_clock(clock) {
    for (Channel& channel : m_channels) {
        channel.fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (channel.fd >= 0 &&
            ::bind(channel.fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
            ::getsockname(channel.fd, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
            channel.port = ntohs(address.sin_port);
            const int buffer = 4 << 20;
            ::setsockopt(channel.fd, SOL_SOCKET, SO_SNDBUF, &buffer, sizeof buffer);
        }
    }
}

DauStreams::~DauStreams() {
    for (const Channel& channel : m_channels) {
        if (channel.fd >= 0) {
            ::close(channel.fd);
        }
    }
}

void DauStreams::Request(int channel, bool start, uint32_t address, uint16_t port) {
    Channel& c = m_channels[channel];
    if (!start || !IsLoopback(address) || c.port == 0) {
        c.active = false;
        return;
    }
    const bool renewal = c.active && c.address == address && c.destinationPort == port;
    c.active = true;
    c.address = address;
    c.destinationPort = port;
    c.renewedMs = m_clock.NowMs();
    if (!renewal) {
        c.nextUs = c.renewedMs * 1000;
    }
}

void DauStreams::InjectFault(int channel, const StreamFault& fault) {
    m_channels[channel].faults.push_back(fault);
}

int64_t DauStreams::IntervalUs(const Channel& channel) const {
    const double perSecond = m_rateOverride > 0 ? m_rateOverride
                                                : double(channel.setup.sampleRate) /
                                                      std::max<uint16_t>(channel.setup.samples, 1);
    return std::max<int64_t>(1, std::llround(1e6 / std::max(perSecond, 1e-3)));
}

int64_t DauStreams::RunDue() {
    const int64_t nowMs = m_clock.NowMs();
    int64_t next = -1;
    for (Channel& c : m_channels) {
        if (c.active && nowMs - c.renewedMs > kRenewalTimeoutMs) {
            c.active = false;
        }
        if (!c.active) {
            continue;
        }
        int burst = 0;
        for (auto fault = c.faults.begin(); fault != c.faults.end();) {
            if (fault->kind == StreamFaultKind::Burst) {
                burst += fault->count;
                fault = c.faults.erase(fault);
            } else {
                ++fault;
            }
        }
        for (int i = 0; i < burst; ++i) {
            SendDatagram(c);
        }
        const int64_t interval = IntervalUs(c);
        for (int sent = 0; c.nextUs <= nowMs * 1000 && sent < kMostPerRun; ++sent) {
            SendDatagram(c);
            c.nextUs += interval;
        }
        if (c.nextUs < nowMs * 1000) {
            c.nextUs = nowMs * 1000;  // too far behind: the rest is dropped, not queued
        }
        const int64_t due = (c.nextUs + 999) / 1000;
        next = next < 0 ? due : std::min(next, due);
    }
    return next;
}

void DauStreams::SendDatagram(Channel& channel) {
    int sizeDelta = 0;
    for (auto fault = channel.faults.begin(); fault != channel.faults.end(); ++fault) {
        if (fault->kind == StreamFaultKind::Silence) {
            return;
        }
        if (fault->kind == StreamFaultKind::BadSize) {
            sizeDelta = fault->sizeDelta;
            if (--fault->count <= 0) {
                channel.faults.erase(fault);
            }
            break;
        }
    }
    const std::vector<uint8_t> datagram = MakeDatagram(channel, sizeDelta);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = htonl(channel.address);
    to.sin_port = htons(channel.destinationPort);
    ::sendto(channel.fd, datagram.data(), datagram.size(), 0, reinterpret_cast<sockaddr*>(&to),
             sizeof to);
}

// The 24-byte header the console decodes, then a sine with noise whose amplitude follows the
// gain.
std::vector<uint8_t> DauStreams::MakeDatagram(Channel& channel, int sizeDelta) {
    const StreamSetup& s = channel.setup;
    const size_t size = kHeaderLength + 2 * size_t(s.samples);
    std::vector<uint8_t> d(size, 0);
    const YearTime now = YearTimeOf(m_clock.UtcNs());
    auto noise = [this](int amplitude) {
        m_noise = m_noise * 1103515245 + 12345;
        return static_cast<int>((m_noise >> 16) % (2 * amplitude + 1)) - amplitude;
    };
    d[0] = static_cast<uint8_t>(std::min<int64_t>(7, m_clock.NowMs() / 1000));
    d[1] = 1;
    PutNumber(d, 2, 2, static_cast<uint16_t>(s.level + noise(20)));
    PutNumber(d, 6, 2, static_cast<uint16_t>(channel.sequence));
    PutNumber(d, 8, 2, 1);
    d[10] = 0x01;
    d[11] = 0x00;
    PutNumber(d, 12, 4, now.yearsSince2000 << 25 | (now.secondsOfYear & 0x1FFFFFF));
    PutNumber(d, 16, 4, now.nanoseconds);
    const double amplitude = std::min(32000.0, s.gain * 8.0);
    for (size_t i = 0; i < s.samples; ++i, ++channel.sampleIndex) {
        const double phase = 2 * M_PI * double(channel.sampleIndex % 64) / 64.0;
        const int value =
            std::clamp(static_cast<int>(amplitude * std::sin(phase)) + noise(40), -32768, 32767);
        PutNumber(d, kHeaderLength + 2 * i, 2, static_cast<uint16_t>(static_cast<int16_t>(value)));
    }
    ++channel.sequence;
    d.resize(static_cast<size_t>(std::max<int64_t>(0, static_cast<int64_t>(size) + sizeDelta)), 0);
    return d;
}

}  // namespace sim
