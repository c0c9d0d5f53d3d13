#pragma once
// The DAU sampling streams as the device sends them: per channel, once the console named a
// destination with command 0x1002 (stream index 9 or 10, bit 7 set), datagrams of a 24-byte
// header and N big-endian samples go out over UDP at the channel's sample rate divided by N,
// from a socket whose port is the channel's DAU data port. A stream not renewed for 65 s stops.

#include <array>
#include <cstdint>
#include <vector>

#include "sim/DeviceClock.h"

namespace sim {

enum class StreamFaultKind {
    BadSize,  // the next `count` datagrams are `sizeDelta` bytes off their size
    Burst,    // `count` datagrams at once, on top of the rate
    Silence,  // the stream goes quiet though it stays requested
};

struct StreamFault {
    StreamFaultKind kind = StreamFaultKind::BadSize;
    int count = 1;
    int sizeDelta = -2;
};

// What a channel's setup asks of its stream.
struct StreamSetup {
    uint32_t sampleRate = 62'500;  // samples per second
    uint16_t samples = 696;        // per datagram
    uint16_t gain = 2048;          // the gain DAC: the sine's amplitude follows it
    uint16_t level = 2000;         // the raw RSSI the header reports
};

class DauStreams {
public:
    static constexpr int64_t kRenewalTimeoutMs = 65'000;
    static constexpr size_t kHeaderLength = 24;

    explicit DauStreams(const DeviceClock& clock);
    ~DauStreams();
    DauStreams(const DauStreams&) = delete;
    DauStreams& operator=(const DauStreams&) = delete;

    // The port each channel sends from (0 when no socket could be opened).
    uint16_t Port(int channel) const { return m_channels[channel].port; }
    // Starts or renews (start) or stops a channel's stream. Only loopback destinations are
    // served: the simulated device lives on this machine.
    void Request(int channel, bool start, uint32_t address, uint16_t port);
    bool Active(int channel) const { return m_channels[channel].active; }
    void SetSetup(int channel, const StreamSetup& setup) { m_channels[channel].setup = setup; }
    // Datagrams per second instead of the sample rate's (0: the sample rate's).
    void SetRateOverride(double datagramsPerSecond) { m_rateOverride = datagramsPerSecond; }
    void InjectFault(int channel, const StreamFault& fault);
    uint64_t Sent(int channel) const { return m_channels[channel].sequence; }

    // Sends what is due; returns the clock time of the next datagram, or -1 when none runs.
    int64_t RunDue();

private:
    struct Channel {
        int fd = -1;
        uint16_t port = 0;
        bool active = false;
        uint32_t address = 0;
        uint16_t destinationPort = 0;
        int64_t renewedMs = 0;
        int64_t nextUs = 0;
        uint64_t sequence = 0;
        uint64_t sampleIndex = 0;
        StreamSetup setup;
        std::vector<StreamFault> faults;
    };

    int64_t IntervalUs(const Channel& channel) const;
    void SendDatagram(Channel& channel);
    std::vector<uint8_t> MakeDatagram(Channel& channel, int sizeDelta);

    const DeviceClock& m_clock;
    std::array<Channel, 2> m_channels;
    double m_rateOverride = 0;
    uint32_t m_noise = 12345;
};

}  // namespace sim
