#include "ctl/setup_fields.h"

#include <limits>
#include <type_traits>

namespace ctl {
namespace {

using C = protocol::ChannelSetup;

template <auto Member>
SetupField Field(const char* name, uint64_t largest = 0) {
    using T = std::remove_reference_t<decltype(std::declval<C&>().*Member)>;
    return {name, [](const C& r) { return uint64_t(r.*Member); },
            [](C& r, uint64_t v) { r.*Member = static_cast<T>(v); },
            largest != 0 ? largest : std::numeric_limits<T>::max()};
}

}  // namespace

const std::vector<SetupField>& SetupFields() {
    static const std::vector<SetupField> fields = {
        Field<&C::inputSelect>("inputSelect"),
        Field<&C::tuningFrequency>("tuningFrequency", (uint64_t(1) << 40) - 1),  // 40 bits sent
        Field<&C::bandIndex>("bandIndex"),
        Field<&C::ifBandwidthIndex>("ifBandwidthIndex"),
        Field<&C::assistedAcquisition>("assistedAcquisition"),
        Field<&C::videoFilterIndex>("videoFilterIndex"),
        Field<&C::deEmphasis>("deEmphasis"),
        Field<&C::ssfmInvert>("ssfmInvert"),
        Field<&C::agcTimeConstantIndex>("agcTimeConstantIndex"),
        Field<&C::agcFreeze>("agcFreeze"),
        Field<&C::agcZero>("agcZero"),
        Field<&C::firstAgcMode>("firstAgcMode"),
        Field<&C::secondAgcMode>("secondAgcMode"),
        Field<&C::amFilterIndex>("amFilterIndex"),
        Field<&C::amInvert>("amInvert"),
        Field<&C::levelSettingEnable>("levelSettingEnable"),
        Field<&C::levelSetting>("levelSetting"),
        Field<&C::bitRate>("bitRate"),
        Field<&C::pcmCode>("pcmCode"),
        Field<&C::inputInverted>("inputInverted"),
        Field<&C::codeRateSelector>("codeRateSelector"),
        Field<&C::loopBandwidth>("loopBandwidth"),
        Field<&C::qBitRate>("qBitRate"),
        Field<&C::qPcmCode>("qPcmCode"),
        Field<&C::qInputInverted>("qInputInverted"),
        Field<&C::qCodeRateSelector>("qCodeRateSelector"),
        Field<&C::qLoopBandwidth>("qLoopBandwidth"),
        Field<&C::pskSubmode>("pskSubmode"),
        Field<&C::pcmFmSubmode>("pcmFmSubmode"),
        Field<&C::ifFrequency>("ifFrequency"),
        Field<&C::carrierLoopBandwidth>("carrierLoopBandwidth"),
        Field<&C::acquisitionRange>("acquisitionRange"),
        Field<&C::submodeOption>("submodeOption"),
        Field<&C::matchedFilter>("matchedFilter"),
        Field<&C::srrcBeta>("srrcBeta"),
        Field<&C::pskSettingByte>("pskSettingByte"),
        Field<&C::maxModIndex>("maxModIndex"),
        Field<&C::minModIndex>("minModIndex"),
        Field<&C::startModIndex>("startModIndex"),
        Field<&C::modIndexTracking>("modIndexTracking"),
        Field<&C::modulationWord>("modulationWord"),
        Field<&C::basebandInput>("basebandInput"),
        Field<&C::singleEndedTermination>("singleEndedTermination"),
        Field<&C::differentialTermination>("differentialTermination"),
    };
    return fields;
}

const SetupField* FindSetupField(const std::string& name) {
    for (const SetupField& field : SetupFields()) {
        if (name == field.name) {
            return &field;
        }
    }
    return nullptr;
}

}  // namespace ctl
