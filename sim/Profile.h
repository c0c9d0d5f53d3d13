#pragma once
// Hardware profiles of the simulated device: which boards and paths are fitted, the modes the
// device offers and the mode it starts in.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace sim {

struct Profile {
    std::string name;
    std::string description;
    uint16_t hardwareConfigurationId;  // 34, 124, 234 or 1234
    uint8_t startMode;
    std::vector<uint8_t> modes;  // in the order the console offers them
    bool channel1;
    bool channel2;
    uint8_t combinerKind;  // 0 none, 1 or 2
    bool recorder = true;  // the NAND flash recorder is fitted
};

const std::vector<Profile>& Profiles();
// The profile of that name, or nullptr.
const Profile* FindProfile(std::string_view name);
const Profile& DefaultProfile();

}  // namespace sim
