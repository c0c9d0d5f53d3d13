#include "sim/Profile.h"

namespace sim {

const std::vector<Profile>& Profiles() {
    static const std::vector<Profile> kProfiles = {
        {"full",
         "all boards (1234), both channels and combiner, every mode; starts in PSK",
         1234,
         3,
         {3, 4, 2, 1, 6, 8, 9, 10, 12, 13, 14, 5, 7, 11},
         true,
         true,
         1},
        {"pcmfm",
         "RF and filter boards (124), both channels, combiner kind 2; starts in PCM/FM",
         124,
         4,
         {4, 2, 1, 6, 5, 11},
         true,
         true,
         2},
        {"dau",
         "all boards (1234), both channels, no combiner; starts in DAU",
         1234,
         7,
         {7, 3, 4, 1},
         true,
         true,
         0},
        {"if",
         "IF boards only (34), channel 1 only; starts in PSK",
         34,
         3,
         {3, 8, 9, 10},
         true,
         false,
         0},
        {"filters",
         "IF and filter boards (234), channel 2 only; starts in bit sync",
         234,
         1,
         {1, 3, 4},
         false,
         true,
         0},
    };
    return kProfiles;
}

const Profile* FindProfile(std::string_view name) {
    for (const Profile& profile : Profiles()) {
        if (profile.name == name) {
            return &profile;
        }
    }
    return nullptr;
}

const Profile& DefaultProfile() {
    return Profiles().front();
}

}  // namespace sim
