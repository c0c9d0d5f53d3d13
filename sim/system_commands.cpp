// System control, stream destinations, saved setups, DSP flash and FPGA configuration memories,
// physical values and hardware registers.

#include <algorithm>

#include "sim/Bytes.h"
#include "sim/KV90TSimulation.h"

namespace sim {
namespace {

constexpr size_t kFpgaImageLimit = 16 * 1024 * 1024;

bool ValidSlot(uint8_t slot) {
    return (slot >= 0x10 && slot <= 0x17) || (slot >= 0x30 && slot <= 0x33);
}

}  // namespace

KV90TSimulation::Reply KV90TSimulation::SystemControl(const Frame& request) {
    const Bytes& p = request.payload;
    if (p.size() != 6) {
        return std::nullopt;
    }
    Bytes reply(4, 0);
    switch (p[0]) {
        case 0x0F:
            if (p[1] >= 4) {
                m_referenceClock = (p[1] - 4) & 1;
            }
            reply[0] = m_referenceClock;
            break;
        case 0x10:
            if (p[1] == 0x80) {
                m_pages[0][45] = static_cast<uint16_t>((m_pages[0][45] & 0xFF00) | p[2]);
            }
            reply[0] = static_cast<uint8_t>(m_pages[0][45]);
            break;
        case 0x13:
            if (p[1] == 0x01) {
                m_dspImages = {};
                m_dspFlashEnded = {};
            } else if (p[1] == 0xFF) {
                m_dspFlashEnded[p[2] == 1 ? 1 : 0] = true;
            }
            break;
        default:
            break;
    }
    return reply;
}

KV90TSimulation::Reply KV90TSimulation::DataStreamDestination(const Frame& request) {
    const Bytes& p = request.payload;
    if (p.size() != 7 || (p[0] & 0x7F) >= 12) {
        return std::nullopt;
    }
    StreamDestination& destination = m_destinations[p[0] & 0x7F];
    destination.enabled = (p[0] & 0x80) != 0;
    destination.address = static_cast<uint32_t>(GetNumber(p, 1, 4));
    destination.port = static_cast<uint16_t>(GetNumber(p, 5, 2));
    const int index = p[0] & 0x7F;
    if (index == 9 || index == 10) {
        m_streams.SetSetup(index - 9, DauStreamSetup(index - 9));
        m_streams.Request(index - 9, destination.enabled, destination.address, destination.port);
    }
    return Bytes{};
}

KV90TSimulation::Reply KV90TSimulation::SetupsOptions(const Frame& request) {
    if (request.payload.size() != 1) {
        return std::nullopt;
    }
    // The options word of page 2 keeps the boot and path flags; bit 0 only saves.
    m_pages[2][61] = request.payload[0] & 0xFE;
    return Bytes{};
}

KV90TSimulation::Reply KV90TSimulation::DspFlashBlock(const Frame& request) {
    const Bytes& p = request.payload;
    if (p.size() < 2 || p.size() > 129 || p[0] > 1) {
        return std::nullopt;
    }
    m_dspImages[p[0]].insert(m_dspImages[p[0]].end(), p.begin() + 1, p.end());
    return Bytes{};
}

KV90TSimulation::Reply KV90TSimulation::ProgramFpgaPage(const Frame& request) {
    const Bytes& p = request.payload;
    if (p.size() != 259 || !ValidSlot(p[0])) {
        return std::nullopt;
    }
    const size_t offset = size_t(p[1]) << 16 | size_t(p[2]) << 8;
    Bytes& image = m_fpgaImages[p[0]];
    if (offset + 256 <= kFpgaImageLimit) {
        image.resize(std::max(image.size(), offset + 256), 0xFF);
        std::copy(p.begin() + 3, p.end(), image.begin() + static_cast<ptrdiff_t>(offset));
    }
    return Bytes{};
}

KV90TSimulation::Reply KV90TSimulation::BulkEraseFpga(const Frame& request) {
    if (request.payload.size() != 1 || !ValidSlot(request.payload[0])) {
        return std::nullopt;
    }
    m_fpgaImages[request.payload[0]].clear();
    m_erasePolls = 0;
    Bytes reply(4, 0);
    PutNumber(reply, 0, 4, m_transferBaudRate);
    return reply;
}

KV90TSimulation::Reply KV90TSimulation::BulkEraseDone(const Frame& request) {
    if (!request.payload.empty()) {
        return std::nullopt;
    }
    ++m_erasePolls;
    return Bytes{static_cast<uint8_t>(m_erasePolls >= m_erasePollsNeeded ? 1 : 0)};
}

KV90TSimulation::Reply KV90TSimulation::SelectFpgaPersonality(const Frame& request) {
    if (request.payload.size() != 1 || !ValidSlot(request.payload[0])) {
        return std::nullopt;
    }
    m_selectedFpgaSlot = request.payload[0];
    return Bytes{};
}

// The rails (digital 5.0 and 3.3 V, the channels' analog 5.5, 5.0 and -5.0 V) in tenths of a
// volt, a rail a test set in place of its own; the temperature and the 28 V supply with noise.
KV90TSimulation::Reply KV90TSimulation::PhysicalValues(const Frame& request) {
    if (!request.payload.empty()) {
        return std::nullopt;
    }
    Bytes p = {50, 33, 55, 56, 50, 49, 0xCE, 0xCF, 41, 0, 0, 15};
    for (const auto& [rail, value] : m_railOverrides) {
        p[static_cast<size_t>(rail)] = value;
    }
    if (const std::optional<uint8_t> rail =
            m_scenario.Rail(ScenarioScript::kRail, m_clock.NowMs())) {
        p[ScenarioScript::kRail] = *rail;
    }
    p[8] = static_cast<uint8_t>(41 + Noise(1.5));
    PutNumber(p, 9, 2, static_cast<uint16_t>(280 + Noise(2)));
    return p;
}

void KV90TSimulation::SetScenario(Scenario scenario) {
    std::lock_guard lock(m_mutex);
    m_scenario = ScenarioScript(scenario, m_clock.NowMs());
}

void KV90TSimulation::SetRail(int rail, uint8_t tenthsOfVolt) {
    std::lock_guard lock(m_mutex);
    if (rail >= 0 && rail < 8) {
        m_railOverrides[rail] = tenthsOfVolt;
    }
}

KV90TSimulation::Reply KV90TSimulation::HardwareRegister(const Frame& request) {
    const Bytes& p = request.payload;
    if (p.size() != 2 || p[0] != 0x04) {
        return std::nullopt;
    }
    const auto uptime = static_cast<uint32_t>(m_clock.NowMs() / 1000);
    const uint32_t runtime = 3'600'000 + uptime;
    uint16_t value = 0;
    switch (p[1]) {
        case 10:  // the supply's highest and lowest, mV
            value = 32000;
            break;
        case 11:
            value = 18000;
            break;
        case 12:  // the highest and lowest temperature, C
            value = 71;
            break;
        case 13:
            value = static_cast<uint16_t>(-12);
            break;
        case 20:
            value = static_cast<uint16_t>(runtime >> 16);
            break;
        case 21:
            value = static_cast<uint16_t>(runtime);
            break;
        default:
            break;
    }
    Bytes reply(2, 0);
    PutNumber(reply, 0, 2, value);
    return reply;
}

void KV90TSimulation::InstallSystemCommands() {
    Install(0x1001, &KV90TSimulation::SystemControl);
    Install(0x1002, &KV90TSimulation::DataStreamDestination);
    Install(0x100E, &KV90TSimulation::SetupsOptions);
    Install(0x1020, &KV90TSimulation::DspFlashBlock);
    Install(0x1021, &KV90TSimulation::ProgramFpgaPage);
    Install(0x1022, &KV90TSimulation::BulkEraseFpga);
    Install(0x1023, &KV90TSimulation::BulkEraseDone);
    Install(0x1024, &KV90TSimulation::SelectFpgaPersonality);
    Install(0x2001, &KV90TSimulation::PhysicalValues);
    Install(0x2006, &KV90TSimulation::HardwareRegister);
}

}  // namespace sim
