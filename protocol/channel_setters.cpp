// The one-field setters of the channel setup records: each checks its value, changes one field
// of the stored record and sends the whole record.

#include <algorithm>

#include "protocol/CKV90T1_Comm.h"
#include "protocol/channel_setup_layout.h"

using namespace protocol;

int32_t CKV90T1_Comm::SetField(uint32_t path, uint32_t value,
                               void (*change)(ChannelSetup&, uint32_t)) {
    ChannelSetup record = m_ChannelSetup[path];
    change(record, value);
    return SetChannelSetup(path, record);
}

namespace {

bool ChannelPath(uint32_t path) {
    return path < 2;
}
bool AnyPath(uint32_t path) {
    return path < kPathCount;
}

}  // namespace

int32_t CKV90T1_Comm::SetChannelInputSelect(uint32_t path, uint32_t value) {
    if (!ChannelPath(path) || value > 2) {
        return 0;
    }
    return SetField(path, value, [](ChannelSetup& r, uint32_t v) { r.inputSelect = v; });
}

int32_t CKV90T1_Comm::SetChannelPskSubmode(uint32_t path, uint32_t value) {
    if (!AnyPath(path) || value >= 9 || !IsPskMode(static_cast<int>(m_nOperationalMode))) {
        return 0;
    }
    return SetField(path, value, [](ChannelSetup& r, uint32_t v) { r.pskSubmode = v; });
}

int32_t CKV90T1_Comm::SetChannelPcmFmSubmode(uint32_t path, uint32_t value) {
    if (!AnyPath(path) || value > 1) {
        return 0;
    }
    return SetField(path, value, [](ChannelSetup& r, uint32_t v) {
        r.pcmFmSubmode = v;
        if (v == 1) {
            PresetGmskModIndexes(r);
        }
    });
}

int32_t CKV90T1_Comm::SetChannelIfBandwidth(uint32_t path, uint32_t value) {
    if (!AnyPath(path) || value >= 32) {
        return 0;
    }
    return SetField(path, value, [](ChannelSetup& r, uint32_t v) {
        r.ifBandwidthIndex = static_cast<uint8_t>(v);
    });
}

int32_t CKV90T1_Comm::SetChannelVideoFilter(uint32_t path, uint32_t value) {
    if (!ChannelPath(path) || value > 15) {
        return 0;
    }
    return SetField(path, value, [](ChannelSetup& r, uint32_t v) {
        r.videoFilterIndex = static_cast<uint8_t>(v);
    });
}

int32_t CKV90T1_Comm::SetChannelAgcTimeConstant(uint32_t path, uint32_t value) {
    if (!ChannelPath(path) || value > 7) {
        return 0;
    }
    return SetField(path, value, [](ChannelSetup& r, uint32_t v) { r.agcTimeConstantIndex = v; });
}

int32_t CKV90T1_Comm::SetChannelAmFilter(uint32_t path, uint32_t value) {
    if (!ChannelPath(path) || value >= 32) {
        return 0;
    }
    return SetField(path, value,
                    [](ChannelSetup& r, uint32_t v) { r.amFilterIndex = static_cast<uint8_t>(v); });
}

int32_t CKV90T1_Comm::SetChannelDeEmphasis(uint32_t path, uint32_t deEmphasis,
                                           uint32_t videoFilterIndex) {
    if (!ChannelPath(path) || deEmphasis > 4) {
        return 0;
    }
    ChannelSetup record = m_ChannelSetup[path];
    record.deEmphasis = deEmphasis;
    record.videoFilterIndex = static_cast<uint8_t>(videoFilterIndex);
    return SetChannelSetup(path, record);
}

int32_t CKV90T1_Comm::SetChannelPcmCode(uint32_t path, uint32_t value) {
    if (!AnyPath(path)) {
        return 0;
    }
    return SetField(path, value, [](ChannelSetup& r, uint32_t v) {
        r.pcmCode = v;
        r.inputInverted = (v >> 7) & 1;
    });
}

int32_t CKV90T1_Comm::SetChannelLoopBandwidth(uint32_t path, uint32_t value) {
    if (!AnyPath(path)) {
        return 0;
    }
    const Limits limits = ModeInfoOf(m_nOperationalMode).loopBandwidth;
    value = std::clamp(value, limits.low, limits.high);
    return SetField(path, value, [](ChannelSetup& r, uint32_t v) {
        r.loopBandwidth = static_cast<uint8_t>(std::min<uint32_t>(v, 255));
    });
}

int32_t CKV90T1_Comm::SetChannelQPcmCode(uint32_t path, uint32_t value) {
    if (!AnyPath(path) || !IsPskMode(static_cast<int>(m_nOperationalMode))) {
        return 0;
    }
    return SetField(path, value, [](ChannelSetup& r, uint32_t v) { r.qPcmCode = v; });
}

int32_t CKV90T1_Comm::SetChannelQLoopBandwidth(uint32_t path, uint32_t value) {
    if (!AnyPath(path) || !IsPskMode(static_cast<int>(m_nOperationalMode))) {
        return 0;
    }
    return SetField(path, value, [](ChannelSetup& r, uint32_t v) {
        r.qLoopBandwidth = static_cast<uint8_t>(std::clamp<uint32_t>(v, 5, 255));
    });
}

int32_t CKV90T1_Comm::SetChannelCarrierLoopBandwidth(uint32_t path, uint32_t value) {
    if (!AnyPath(path)) {
        return 0;
    }
    const Limits accepted = ModeInfoOf(m_nOperationalMode).carrierLoop;
    if (value < accepted.low || value > accepted.high) {
        return 0;
    }
    return SetField(path, value, [](ChannelSetup& r, uint32_t v) {
        r.carrierLoopBandwidth = static_cast<uint16_t>(std::min<uint32_t>(v, 0xFFFF));
    });
}

namespace {

bool ModIndexSettable(uint32_t path, uint32_t mode) {
    return AnyPath(path) && mode == kModeMsPcmFmGmsk;
}

}  // namespace

int32_t CKV90T1_Comm::SetChannelMaxModIndex(uint32_t path, uint32_t value) {
    if (!ModIndexSettable(path, m_nOperationalMode)) {
        return 0;
    }
    return SetField(path, value,
                    [](ChannelSetup& r, uint32_t v) { r.maxModIndex = static_cast<uint8_t>(v); });
}

int32_t CKV90T1_Comm::SetChannelMinModIndex(uint32_t path, uint32_t value) {
    if (!ModIndexSettable(path, m_nOperationalMode)) {
        return 0;
    }
    return SetField(path, value,
                    [](ChannelSetup& r, uint32_t v) { r.minModIndex = static_cast<uint8_t>(v); });
}

int32_t CKV90T1_Comm::SetChannelStartModIndex(uint32_t path, uint32_t value) {
    if (!ModIndexSettable(path, m_nOperationalMode)) {
        return 0;
    }
    return SetField(path, value,
                    [](ChannelSetup& r, uint32_t v) { r.startModIndex = static_cast<uint8_t>(v); });
}
