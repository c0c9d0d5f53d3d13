#include "sim/KV90TSimulation.h"

#include <algorithm>
#include <cstring>

#include "sim/Bytes.h"

namespace sim {
namespace {

struct SetupFamily {
    uint16_t writeCode;
    size_t requestLength;
    size_t replyLength;
    uint16_t readBackCode;
    size_t readBackLength;
};

constexpr SetupFamily kFamilies[] = {
    {0x1100, 44, 25, 0x4100, 44},
    {0x1200, 40, 20, 0x4200, 41},
    {0x1300, 40, 20, 0x4300, 41},
    {0x1400, 14, 9, 0x4400, 14},
};

const SetupFamily* FamilyOf(uint16_t code) {
    for (const auto& family : kFamilies) {
        if (family.writeCode == code || family.readBackCode == code) {
            return &family;
        }
    }
    return nullptr;
}

// What each setup command holds before the console sends one: 2.3 GHz, 2 Mbit/s NRZ-L,
// 70 MHz IF, normal AGC, the widest AM filter.
std::vector<uint8_t> DefaultSetup(const SetupFamily& family, int path) {
    std::vector<uint8_t> p(family.requestLength, 0);
    p[0] = static_cast<uint8_t>(path);
    if (family.writeCode == 0x1400) {
        p[3] = 10;
        PutNumber(p, 4, 4, 2'000'000);
        p[10] = 100;
        p[12] = 20;
        return p;
    }
    p[2] = 3;
    PutNumber(p, 3, 5, 2'300'000'000);
    p[8] = 10;
    p[11] = 31;
    p[12] = 0x20;
    PutNumber(p, 15, 4, 2'000'000);
    p[21] = 100;
    if (family.writeCode == 0x1100) {
        PutNumber(p, 23, 4, 2'000'000);
        p[29] = 100;
        p[31] = 3;
        p[32] = 20;
        p[33] = 100;
        p[34] = 20;
        PutNumber(p, 35, 4, 70'000'000);
        PutNumber(p, 39, 4, 200'000);
    } else {
        PutNumber(p, 24, 2, 100);
        PutNumber(p, 26, 4, 70'000'000);
        PutNumber(p, 30, 4, 200'000);
        if (family.writeCode == 0x1200) {
            p[35] = 24;
            p[36] = 44;
            p[37] = 34;
            p[38] = 0x80;
        }
    }
    return p;
}

uint32_t Applied(uint64_t value, uint32_t low, uint32_t high) {
    return static_cast<uint32_t>(std::clamp<uint64_t>(value, low, high));
}

}  // namespace

KV90TSimulation::KV90TSimulation(SimDevice& device, const Profile& profile, DeviceClock* clock)
    : m_device(device),
      m_profile(profile),
      m_ownClock(clock == nullptr ? std::make_unique<WallClock>() : nullptr),
      m_clock(clock == nullptr ? *m_ownClock : *clock),
      m_mode(profile.startMode) {
    m_pages = MakePages(profile);
    for (int channel = 0; channel < 2; ++channel) {
        if (m_streams.Port(channel) != 0) {
            m_pages[0][46 + channel] = m_streams.Port(channel);
        }
    }
    for (const auto& family : kFamilies) {
        for (int path = 0; path < 3; ++path) {
            m_setups[family.writeCode][path] = DefaultSetup(family, path);
        }
    }
    InstallIdentityCommands();
    InstallSetupCommands();
    InstallStatusCommands();
    InstallSystemCommands();
    InstallOutputCommands();
    InstallTestCommands();
    InstallDauCommands();
    InstallRecorderCommands();
    InstallTapeCommands();
    MakeRecordings();
    SetPersonalityLoadTime(kDefaultLoadTimeMs);
    m_device.SetActivity([this] { return RunStreams(); });
    m_clock.SetOnAdvance([this] { RunStreams(); });
}

KV90TSimulation::~KV90TSimulation() {
    m_clock.SetOnAdvance({});
    m_device.SetActivity({});
}

void KV90TSimulation::Install(uint16_t code, Reply (KV90TSimulation::*handler)(const Frame&)) {
    m_device.SetCommand(code, [this, handler](const Frame& request) {
        std::lock_guard lock(m_mutex);
        return (this->*handler)(request);
    });
}

void KV90TSimulation::InstallIdentityCommands() {
    Install(0x2003, &KV90TSimulation::Identity);
    Install(0x1003, &KV90TSimulation::DeviceId);
    Install(0x2002, &KV90TSimulation::NetworkSettings);
    Install(0x2009, &KV90TSimulation::ParameterPage);
    Install(0x2000, &KV90TSimulation::OperationalMode);
    Install(0x1008, &KV90TSimulation::InstalledOptions);
    Install(0x100A, &KV90TSimulation::LevelSettings);
}

void KV90TSimulation::InstallSetupCommands() {
    Install(0x1000, &KV90TSimulation::SetMode);
    for (const auto& family : kFamilies) {
        Install(family.writeCode, &KV90TSimulation::ChannelSetup);
        Install(family.readBackCode, &KV90TSimulation::ChannelReadBack);
    }
}

void KV90TSimulation::SetPersonalityLoadTime(uint32_t milliseconds) {
    m_device.SetReplyDelay(0x1000, milliseconds);
    m_device.SetReplyDelay(0x1024, milliseconds);
}

void KV90TSimulation::InstallStored(uint16_t code, size_t length, size_t replyLength,
                                    uint16_t readCode, size_t readLength, bool perPath) {
    m_stored[code].fill(Bytes(length, 0));
    m_device.SetCommand(code, [this, code, length, replyLength, perPath](const Frame& request) {
        std::lock_guard lock(m_mutex);
        const size_t index = perPath && !request.payload.empty() ? request.payload[0] & 3 : 0;
        if (request.payload.size() != length || index > 2) {
            return Reply{};
        }
        m_stored[code][index] = request.payload;
        return Reply{Bytes(replyLength, 0)};
    });
    if (readCode == 0) {
        return;
    }
    m_device.SetCommand(readCode, [this, code, readLength, perPath](const Frame& request) {
        std::lock_guard lock(m_mutex);
        const size_t index = perPath && !request.payload.empty() ? request.payload[0] : 0;
        if (index > 2) {
            return Reply{};
        }
        Bytes reply = m_stored[code][index];
        reply.resize(readLength, 0);
        return Reply{reply};
    });
}

double KV90TSimulation::Noise(double amplitude) {
    m_randomState = m_randomState * 1664525u + 1013904223u;
    return amplitude * ((m_randomState >> 8) / double(1 << 24) * 2.0 - 1.0);
}

void KV90TSimulation::SetBitErrorRate(double rate) {
    std::lock_guard lock(m_mutex);
    m_bitErrorRate = rate;
}

void KV90TSimulation::SetAcquisitionTime(uint32_t milliseconds) {
    std::lock_guard lock(m_mutex);
    m_acquisitionMs = milliseconds;
}

void KV90TSimulation::SetErasePolls(int polls) {
    std::lock_guard lock(m_mutex);
    m_erasePollsNeeded = polls;
}

std::vector<uint8_t> KV90TSimulation::FpgaImage(uint32_t memory) const {
    std::lock_guard lock(m_mutex);
    const uint8_t slot = static_cast<uint8_t>(memory < 8 ? 0x10 + memory : 0x30 + memory - 8);
    const auto image = m_fpgaImages.find(slot);
    return image == m_fpgaImages.end() ? Bytes{} : image->second;
}

std::vector<uint8_t> KV90TSimulation::DspImage(int dsp) const {
    std::lock_guard lock(m_mutex);
    return m_dspImages.at(dsp);
}

uint8_t KV90TSimulation::SelectedFpgaMemory() const {
    std::lock_guard lock(m_mutex);
    return static_cast<uint8_t>(m_selectedFpgaSlot < 0x30 ? m_selectedFpgaSlot - 0x10
                                                          : m_selectedFpgaSlot - 0x30 + 8);
}

KV90TSimulation::StreamDestination KV90TSimulation::Destination(int index) const {
    std::lock_guard lock(m_mutex);
    return m_destinations.at(index);
}

std::vector<KV90TSimulation::RecordedFile> KV90TSimulation::RecordedFiles(int channel) const {
    std::lock_guard lock(m_mutex);
    return m_recordings.at(channel);
}

bool KV90TSimulation::DspFlashEnded(int dsp) const {
    std::lock_guard lock(m_mutex);
    return m_dspFlashEnded.at(dsp);
}

uint8_t KV90TSimulation::Mode() const {
    std::lock_guard lock(m_mutex);
    return m_mode;
}

Page KV90TSimulation::PageWords(int page) const {
    std::lock_guard lock(m_mutex);
    return m_pages.at(page);
}

void KV90TSimulation::SetPageWord(int page, int word, uint16_t value) {
    std::lock_guard lock(m_mutex);
    m_pages.at(page).at(word) = value;
}

void KV90TSimulation::SetLevelSettings(uint8_t channel1, uint8_t channel2) {
    std::lock_guard lock(m_mutex);
    m_levels[0] = channel1;
    m_levels[1] = channel2;
}

std::vector<uint8_t> KV90TSimulation::StoredSetup(uint16_t writeCode, int path) const {
    std::lock_guard lock(m_mutex);
    return m_setups.at(writeCode).at(path);
}

uint8_t KV90TSimulation::PersonalityCode() const {
    switch (m_mode) {
        case 1:
            return 2;
        case 2:
        case 4:
            return 3;
        case 3:
            return 1;
        case 6:
            return 4;
        case 7:
            return 5;
        case 8:
        case 12:
            return 6;
        case 9:
        case 13:
            return 7;
        case 10:
        case 14:
            return 8;
        default:
            return 0;
    }
}

KV90TSimulation::Reply KV90TSimulation::Identity(const Frame&) {
    Bytes p(48, 0);
    std::memcpy(p.data(), "KV90", 4);
    PutNumber(p, 4, 2, 0x1A2B);  // serial number 1A2B-007
    PutNumber(p, 6, 2, 7);
    PutNumber(p, 8, 4, 0x20250312);   // DSP1
    PutNumber(p, 12, 4, 0x20250312);  // DSP2
    PutNumber(p, 16, 4, 0x20241105);  // FIO FPGA
    PutNumber(p, 20, 4, 0x20240901);  // Bridge FPGA
    PutNumber(p, 24, 4, 0x20250115);  // Demod FPGA
    p[29] = 3;
    PutNumber(p, 30, 2, 2);
    PutNumber(p, 32, 2, 4);
    PutNumber(p, 34, 2, 5);
    p[36] = PersonalityCode();
    return p;
}

KV90TSimulation::Reply KV90TSimulation::DeviceId(const Frame& request) {
    if (request.payload.size() != 17) {
        return {};
    }
    const char id[] = "KV90T-SIM-000001";
    return Bytes(id, id + 16);
}

KV90TSimulation::Reply KV90TSimulation::NetworkSettings(const Frame&) {
    const Page& page = m_pages[0];
    Bytes p(5, 0);
    p[0] = (page[34] >> 1) & 1;
    PutNumber(p, 1, 2, page[38]);
    PutNumber(p, 3, 2, page[39]);
    return p;
}

KV90TSimulation::Reply KV90TSimulation::ParameterPage(const Frame& request) {
    if (request.payload.size() != 1 || request.payload[0] >= kPageCount) {
        return {};
    }
    Bytes p(2 * kPageWords);
    const Page& page = m_pages[request.payload[0]];
    for (int word = 0; word < kPageWords; ++word) {
        PutNumber(p, 2 * word, 2, page[word]);
    }
    return p;
}

KV90TSimulation::Reply KV90TSimulation::OperationalMode(const Frame&) {
    Bytes p(23, 0);
    PutNumber(p, 0, 2, m_profile.hardwareConfigurationId);
    p[2] = static_cast<uint8_t>(m_mode | (m_modeOption << 7));
    // The device lists its modes last first.
    std::reverse_copy(m_profile.modes.begin(), m_profile.modes.end(), p.begin() + 3);
    return p;
}

KV90TSimulation::Reply KV90TSimulation::InstalledOptions(const Frame&) {
    Bytes p(256, 0);
    PutNumber(p, 0, 2, 0x0001);
    p[5] = static_cast<uint8_t>((m_profile.channel1 ? 1 : 0) | (m_profile.channel2 ? 2 : 0));
    if (m_profile.combinerKind != 0) {
        p[5] |= m_profile.combinerKind == 2 ? 0x0C : 0x04;
    }
    for (int submode = 0; submode < 9; ++submode) {
        p[13 + 2 * submode] = 1;
    }
    p[7] = m_profile.recorder ? 1 : 0;
    p[11] = 1;  // PCM/FM
    p[33] = 1;  // GMSK
    return p;
}

KV90TSimulation::Reply KV90TSimulation::LevelSettings(const Frame&) {
    return Bytes{0, static_cast<uint8_t>(99 - m_levels[0]), 0,
                 static_cast<uint8_t>(99 - m_levels[1])};
}

KV90TSimulation::Reply KV90TSimulation::SetMode(const Frame& request) {
    if (request.payload.size() != 1) {
        return {};
    }
    const uint8_t mode = request.payload[0] & 0x7F;
    if (mode >= 1 && mode <= 14) {
        m_mode = mode;
        m_modeOption = request.payload[0] >> 7;
        m_setupTime.fill(m_clock.NowMs());
    }
    return Bytes{};
}

std::optional<uint8_t> KV90TSimulation::FindBand(int path, uint64_t frequencyHz) const {
    const Page& page = m_pages[7];
    const int channel = path == 1 ? 1 : 0;
    for (uint8_t band = 0; band < 10; ++band) {
        const uint64_t low = uint64_t(page[32 * channel + 2 * band]) * 1'000'000;
        const uint64_t high = uint64_t(page[32 * channel + 2 * band + 1]) * 1'000'000;
        if (high != 0 && frequencyHz >= low && frequencyHz <= high) {
            return band;
        }
    }
    return std::nullopt;
}

// Stores the setup as the device applies it and answers with the applied values.
KV90TSimulation::Reply KV90TSimulation::ChannelSetup(const Frame& request) {
    const SetupFamily* family = FamilyOf(request.code);
    const Bytes& p = request.payload;
    if (family == nullptr || p.size() != family->requestLength || p[0] > 2) {
        return {};
    }
    Bytes stored = p;
    Bytes reply(family->replyLength, 0);
    if (request.code == 0x1400) {
        const uint32_t bitRate = Applied(GetNumber(p, 4, 4), 100, 30'000'000);
        PutNumber(stored, 4, 4, bitRate);
        PutNumber(reply, 0, 4, bitRate);
    } else {
        const uint8_t band = FindBand(p[0], GetNumber(p, 3, 5)).value_or(0);
        const uint32_t bitRate = Applied(GetNumber(p, 15, 4), 100, 60'000'000);
        const size_t ifOffset = request.code == 0x1100 ? 35 : 26;
        const uint32_t ifFrequency = Applied(GetNumber(p, ifOffset, 4), 0, 100'000'000);
        stored[2] = band;
        PutNumber(stored, 15, 4, bitRate);
        PutNumber(stored, ifOffset, 4, ifFrequency);
        reply[0] = band;
        PutNumber(reply, 1, 4, bitRate);
        if (request.code == 0x1100) {
            PutNumber(reply, 5, 4, GetNumber(p, 23, 4));
            PutNumber(reply, 9, 4, ifFrequency);
        } else {
            PutNumber(reply, 5, 4, ifFrequency);
        }
    }
    m_setups[family->writeCode][p[0]] = stored;
    m_setupTime[p[0]] = m_clock.NowMs();
    return reply;
}

KV90TSimulation::Reply KV90TSimulation::ChannelReadBack(const Frame& request) {
    const SetupFamily* family = FamilyOf(request.code);
    if (family == nullptr || request.payload.size() != 1 || request.payload[0] > 2) {
        return {};
    }
    Bytes reply = m_setups[family->writeCode][request.payload[0]];
    reply.resize(family->readBackLength, 0);
    return reply;
}

}  // namespace sim
