#pragma once
// The behaviour of a KV90T: the state its commands set and the answers it gives, installed
// into a SimDevice's command table. Its handlers run on the server thread; the accessors for
// tests and for the program lock the same state.

#include <array>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <vector>

#include "sim/Profile.h"
#include "sim/SimDevice.h"

namespace sim {

constexpr int kPageCount = 32;
constexpr int kPageWords = 64;
using Page = std::array<uint16_t, kPageWords>;

class KV90TSimulation {
public:
    static constexpr uint32_t kDefaultLoadTimeMs = 50;

    // Installs the command handlers into `device`, which must not outlive this object's use.
    KV90TSimulation(SimDevice& device, const Profile& profile);
    KV90TSimulation(const KV90TSimulation&) = delete;
    KV90TSimulation& operator=(const KV90TSimulation&) = delete;

    // How long the mode command takes to load a personality before it answers.
    void SetPersonalityLoadTime(uint32_t milliseconds);

    uint8_t Mode() const;
    Page PageWords(int page) const;
    void SetPageWord(int page, int word, uint16_t value);
    // The level settings (0 to 99) that command 0x100A reports for channels 1 and 2.
    void SetLevelSettings(uint8_t channel1, uint8_t channel2);
    // The setup payload a channel setup command last stored for a path (byte 0 is the path).
    std::vector<uint8_t> StoredSetup(uint16_t writeCode, int path) const;

private:
    using Bytes = std::vector<uint8_t>;
    using Reply = std::optional<Bytes>;  // nothing: the request is ignored

    void InstallIdentityCommands();
    void InstallSetupCommands();
    void Install(uint16_t code, Reply (KV90TSimulation::*handler)(const Frame&));

    Reply Identity(const Frame&);
    Reply DeviceId(const Frame&);
    Reply NetworkSettings(const Frame&);
    Reply ParameterPage(const Frame&);
    Reply OperationalMode(const Frame&);
    Reply InstalledOptions(const Frame&);
    Reply LevelSettings(const Frame&);
    Reply SetMode(const Frame&);
    Reply ChannelSetup(const Frame&);
    Reply ChannelReadBack(const Frame&);
    Reply TapeReadBack(const Frame&);

    // The band of a path's channel whose limits hold the frequency, 0 when none does.
    uint8_t BandOf(int path, uint64_t frequencyHz) const;
    uint8_t PersonalityCode() const;

    SimDevice& m_device;
    const Profile m_profile;
    mutable std::mutex m_mutex;
    uint8_t m_mode;
    uint8_t m_modeOption = 0;
    std::array<Page, kPageCount> m_pages{};
    uint8_t m_levels[2] = {50, 40};
    std::map<uint16_t, std::array<Bytes, 3>> m_setups;  // by write code, per path
    std::array<Bytes, 3> m_tape;
};

// Parameter pages 0 to 31 with the profile's tables and texts.
std::array<Page, kPageCount> MakePages(const Profile& profile);

}  // namespace sim
