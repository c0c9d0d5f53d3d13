#include "pages/setup/send_fields.h"

namespace setup {
namespace {

SendFields WithQPath(uint8_t qLoopBandwidth) {
    SendFields fields;
    fields.qBitRate = 2'000'000;
    fields.qLoopBandwidth = qLoopBandwidth;
    return fields;
}

SendFields Psk(uint32_t ifFrequency) {
    SendFields fields;
    fields.ifFrequency = ifFrequency;
    fields.clearsDeEmphasis = true;
    fields.modIndex = ModIndexDefaults{44, 24, 34, 0};
    fields.passesPskOutputData = true;
    return fields;
}

}  // namespace

const SendFields kPcmFmSendFields = WithQPath(100);
const SendFields kPskChannelSendFields = Psk(70'000'000);
const SendFields kPskCombinerSendFields = Psk(0);
const SendFields kMhcpmChannelSendFields = WithQPath(100);
const SendFields kMhcpmCombinerSendFields = WithQPath(50);

void ApplySendFields(const SendFields& fields, protocol::ChannelSetup& record) {
    record.ifFrequency = fields.ifFrequency;
    record.matchedFilter = fields.matchedFilter;
    record.codeRateSelector = 0;
    record.qCodeRateSelector = 0;
    record.srrcBeta = fields.srrcBeta;
    record.pskSettingByte = fields.pskSettingByte;
    if (fields.qBitRate) {
        record.qBitRate = *fields.qBitRate;
    }
    if (fields.qLoopBandwidth) {
        record.qLoopBandwidth = *fields.qLoopBandwidth;
    }
    if (fields.clearsDeEmphasis) {
        record.deEmphasis = 0;
        record.ssfmInvert = 0;
    }
    if (fields.modIndex) {
        record.maxModIndex = fields.modIndex->maximum;
        record.minModIndex = fields.modIndex->minimum;
        record.startModIndex = fields.modIndex->start;
        record.modIndexTracking = fields.modIndex->tracking;
    }
}

}  // namespace setup
