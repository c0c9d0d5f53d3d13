#pragma once
// The fields a family's Send sets to fixed values, whatever the record held: one table per
// family (and per path where the combiner differs).

#include <cstdint>
#include <optional>

#include "protocol/device_state.h"

namespace setup {

// The combiner pages' path, and the output selector their Send passes on.
constexpr uint32_t kCombinerPath = 2;
constexpr uint32_t kCombinerOutputSelector = 4;

struct ModIndexDefaults {
    uint8_t maximum;
    uint8_t minimum;
    uint8_t start;
    uint32_t tracking;
};

struct SendFields {
    uint32_t ifFrequency = 70'000'000;
    uint32_t matchedFilter = 0;
    uint8_t srrcBeta = 50;
    uint8_t pskSettingByte = 157;
    std::optional<uint32_t> qBitRate;       // the Q path of families without one
    std::optional<uint8_t> qLoopBandwidth;  //
    bool clearsDeEmphasis = false;          // de-emphasis and SS-FM invert to 0
    std::optional<ModIndexDefaults> modIndex;
    // The output-data request passes back the held PSK-only values (output-data flags 2 to 4
    // and the Q output PCM code); otherwise they go as 0.
    bool passesPskOutputData = false;
};

// The PCM/FM pages: the Q path at 2,000,000 bps with loop bandwidth 1.00.
extern const SendFields kPcmFmSendFields;
// The PSK channel page; its combiner page has an IF frequency of 0.
extern const SendFields kPskChannelSendFields;
extern const SendFields kPskCombinerSendFields;
// The multi-h CPM channel page; its combiner page has a Q loop bandwidth of 0.50.
extern const SendFields kMhcpmChannelSendFields;
extern const SendFields kMhcpmCombinerSendFields;

// Sets the fixed fields in the record; the two code rate selectors are always cleared.
void ApplySendFields(const SendFields& fields, protocol::ChannelSetup& record);

}  // namespace setup
