// The data acquisition unit: channel setup, DAC setup and ADC update.

#include <algorithm>

#include "protocol/CKV90T1_Comm.h"
#include "protocol/byte_order.h"

using namespace protocol;

namespace {

constexpr uint16_t kDauChannelSetup = 0x1500;
constexpr uint16_t kDauDacSetup = 0x1501;
constexpr uint16_t kReadDauChannelSetup = 0x4500;
constexpr uint16_t kReadDauDacSetup = 0x4501;
constexpr uint16_t kReadDauAdc = 0x1004;
constexpr uint16_t kDacMaximum = 0x3FFF;

uint16_t LimitedSamples(uint32_t samples) {
    return static_cast<uint16_t>(std::clamp<uint32_t>(samples, 10, 696));
}

}  // namespace

int32_t CKV90T1_Comm::SendDauChannel(uint32_t channel) {
    const DauChannel& d = m_Dau[channel];
    uint8_t request[kHeaderLength + 14] = {};
    uint8_t* p = request + kHeaderLength;
    p[0] = static_cast<uint8_t>(channel | (d.basebandInput & 3) << 1 | (d.impedance & 3) << 3 |
                                (d.singleEndedInput & 3) << 5);
    PutBigEndian(p + 1, 4, d.signalBandwidth);
    PutBigEndian(p + 5, 2, d.samplesPerDatagram);
    uint8_t reply[kHeaderLength + 9] = {};
    const int32_t result = SendCommand(kDauChannelSetup, request, 14, reply, 9);
    if (result != 0) {
        m_Dau[channel].sampleRate = GetU32(reply + kHeaderLength);
    }
    return result;
}

int32_t CKV90T1_Comm::SendDauChannelSetup(uint32_t channel, uint32_t bandwidth, uint32_t samples,
                                          uint32_t basebandInput, uint32_t singleEndedInput,
                                          uint32_t impedance) {
    if (channel > 1) {
        return 0;
    }
    DauChannel& d = m_Dau[channel];
    d.signalBandwidth = std::clamp<uint32_t>(bandwidth, 10'000, 50'000);
    d.samplesPerDatagram = LimitedSamples(samples & ~1u);
    d.basebandInput = static_cast<uint8_t>(basebandInput > 2 ? channel : basebandInput);
    d.singleEndedInput = static_cast<uint8_t>(singleEndedInput >= 3 ? 0 : singleEndedInput);
    d.impedance = static_cast<uint8_t>(impedance >= 3 ? 0 : impedance);
    return SendDauChannel(channel);
}

int32_t CKV90T1_Comm::SetDauSamplesPerDatagram(uint32_t channel, uint32_t samples) {
    if (channel > 1) {
        return 0;
    }
    m_Dau[channel].samplesPerDatagram = LimitedSamples(samples);
    return SendDauChannel(channel);
}

int32_t CKV90T1_Comm::ReadDauChannelSetup(uint32_t channel) {
    if (channel > 1) {
        return 0;
    }
    ReplyBuffer<23> reply;
    const int32_t result = ReadBack(kReadDauChannelSetup, static_cast<uint8_t>(channel), reply);
    if (result == 0) {
        return 0;
    }
    const uint8_t* p = reply.Payload();
    DauChannel& d = m_Dau[channel];
    const uint8_t baseband = (p[0] >> 1) & 3;
    const uint8_t impedance = (p[0] >> 3) & 3;
    const uint8_t singleEnded = (p[0] >> 5) & 3;
    d.basebandInput = baseband == 3 ? static_cast<uint8_t>(channel) : baseband;
    d.impedance = impedance == 3 ? 0 : impedance;
    d.singleEndedInput = singleEnded == 3 ? 0 : singleEnded;
    d.signalBandwidth = GetU32(p + 1);
    d.samplesPerDatagram = GetU16(p + 5) & ~1u;
    d.sampleRate = GetU32(p + 14);
    return result;
}

int32_t CKV90T1_Comm::SendDauDac(uint32_t channel) {
    const DauChannel& d = m_Dau[channel];
    uint8_t request[kHeaderLength + 9] = {};
    uint8_t* p = request + kHeaderLength;
    p[0] = static_cast<uint8_t>(channel);
    PutBigEndian(p + 1, 2, d.dacGain);
    PutBigEndian(p + 3, 2, d.dacBaseline);
    uint8_t reply[kHeaderLength];
    return SendCommand(kDauDacSetup, request, 9, reply, 0);
}

int32_t CKV90T1_Comm::SendDauDacSetup(uint32_t channel, uint32_t gain, uint32_t baseline) {
    if (channel > 1) {
        return 0;
    }
    m_Dau[channel].dacGain = static_cast<uint16_t>(std::min<uint32_t>(gain, kDacMaximum));
    m_Dau[channel].dacBaseline = static_cast<uint16_t>(std::min<uint32_t>(baseline, kDacMaximum));
    return SendDauDac(channel);
}

int32_t CKV90T1_Comm::SetDauDacGain(uint32_t channel, uint32_t value) {
    return channel > 1 ? 0 : SendDauDacSetup(channel, value, m_Dau[channel].dacBaseline);
}

int32_t CKV90T1_Comm::SetDauDacBaseline(uint32_t channel, uint32_t value) {
    return channel > 1 ? 0 : SendDauDacSetup(channel, m_Dau[channel].dacGain, value);
}

int32_t CKV90T1_Comm::ReadDauDacSetup(uint32_t channel) {
    if (channel > 1) {
        return 0;
    }
    ReplyBuffer<9> reply;
    const int32_t result = ReadBack(kReadDauDacSetup, static_cast<uint8_t>(channel), reply);
    if (result != 0) {
        m_Dau[channel].dacGain = GetU16(reply.Payload() + 1) & kDacMaximum;
        m_Dau[channel].dacBaseline = GetU16(reply.Payload() + 3) & kDacMaximum;
    }
    return result;
}

int32_t CKV90T1_Comm::ReadDauAdcBins(uint32_t channel) {
    if (channel > 1) {
        return 0;
    }
    ReplyBuffer<42> reply;
    const int32_t result = ReadBack(kReadDauAdc, static_cast<uint8_t>(channel + 2), reply);
    const uint8_t* p = reply.Payload();
    DauChannel& d = m_Dau[channel];
    for (int i = 0; i < 3; ++i) {
        d.adcValues[i] = p[i] & 0x3F;
    }
    d.overRangeCount = GetU32(p + 3);
    for (int i = 0; i < 8; ++i) {
        d.bins[i] = GetU32(p + 7 + 4 * i);
    }
    d.adcSignedValue = static_cast<int16_t>(GetU16(p + 39)) / 1000.0f;
    return result;
}
