#pragma once
// The channel setup fields by readable names (the record's own), for `setup get` and `setup set`.

#include <cstdint>
#include <string>
#include <vector>

#include "protocol/device_state.h"

namespace ctl {

struct SetupField {
    const char* name;
    uint64_t (*get)(const protocol::ChannelSetup&);
    void (*set)(protocol::ChannelSetup&, uint64_t);
    uint64_t largest;  // what the field can hold
};

const std::vector<SetupField>& SetupFields();
const SetupField* FindSetupField(const std::string& name);

}  // namespace ctl
