#pragma once
// The byte layouts of the four channel setup commands, each described once and used both to
// pack a request and to decode the matching read-back reply.

#include <cstdint>

#include "protocol/device_state.h"
#include "protocol/operational_modes.h"

namespace protocol {

struct ChannelSetupCommand {
    uint16_t writeCode;
    uint16_t requestLength;
    uint16_t replyLength;  // the setup reply
    uint16_t readBackCode;
    uint16_t readBackLength;
};

const ChannelSetupCommand& SetupCommandOf(SetupFamily family);

// GMSK's modulation indexes (0.30, 0.20, 0.25) with tracking off.
void PresetGmskModIndexes(ChannelSetup& record);

// Brings a record into the family's ranges. The result is what is sent; `stored` receives what
// the record keeps (the same but for a first AGC-mode flag above 1, sent as 0 and kept as 1).
ChannelSetup RangeCorrected(const ChannelSetup& record, SetupFamily family, ChannelSetup* stored);

// Packs a range-corrected record into a request payload of the family's length.
void PackChannelSetup(SetupFamily family, uint8_t path, const ChannelSetup& record,
                      uint8_t* payload);

// Decodes a read-back reply payload into the record.
void DecodeChannelReadBack(SetupFamily family, const uint8_t* payload, ChannelSetup* record);

// Takes the applied values of a setup reply payload into the record.
void DecodeSetupReply(SetupFamily family, const uint8_t* payload, ChannelSetup* record);

}  // namespace protocol
