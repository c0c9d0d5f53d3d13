// The IF and video bandwidth estimates from which filters are picked.

#include <algorithm>

#include "protocol/CKV90T1_Comm.h"

using namespace protocol;

namespace {

float CodeRateFactor(uint32_t selector) {
    switch (selector) {
        case 1:
            return 2.0f;
        case 2:
            return 4.0f / 3.0f;
        case 3:
            return 8.0f / 7.0f;
        default:
            return 1.0f;
    }
}

float PskSubmodeFactor(uint32_t submode) {
    switch (submode) {
        case 0:
        case 5:
        case 7:
        case 8:
            return 2.5f;
        case 1:
        case 2:
        case 6:
            return 1.25f;
        case 3:
            return 0.78f;
        case 4:
            return 1.0f;
        default:
            return 0.0f;
    }
}

float LimitedFactor(float factor) {
    return std::clamp(factor, 0.1f, 2.0f);
}

}  // namespace

void CKV90T1_Comm::EstimateIfBandwidth(uint32_t path, uint32_t codeRateSelector, uint32_t pcmCode,
                                       uint32_t pskSubmode, uint32_t bitRate, int32_t useMaximum,
                                       float maxModIndex, float startModIndex, float factor) {
    if (path >= kPathCount) {
        return;
    }
    const uint32_t mode = m_nOperationalMode;
    float t = ModeInfoOf(mode).ldpcFactor;
    t *= CodeRateFactor(codeRateSelector);
    const float w = IsBiPhase(pcmCode) ? 2.0f : 1.0f;
    float l = 1.0f;
    float r = 1.0f;
    if (mode == kModeSsFmVideo) {
        r = 1.35f;
    } else if (IsPskMode(static_cast<int>(mode))) {
        l = PskSubmodeFactor(pskSubmode);
    } else if (mode == kModeMsPcmFmGmsk) {
        const float index = useMaximum != 0 ? maxModIndex : startModIndex;
        r = std::max((index + 1.0f) / 100.0f + 1.0f, 1.35f);
    } else if (mode == kModeMhcpm) {
        l = 1.108f;
    }
    const float estimate =
        w * t * l * static_cast<float>(bitRate) * r * LimitedFactor(factor) * 1.05f;
    m_Estimates[path].ifBandwidth = estimate;
    if (path == 0) {
        // Limited to the field first: a float beyond 32 bits has no conversion.
        constexpr float kLargestField = 4294967040.0f;  // the largest float below 2^32
        m_nCombinerSignalBandwidth =
            static_cast<uint32_t>(std::min(estimate + 0.5f, kLargestField));
    }
}

void CKV90T1_Comm::EstimateVideoBandwidth(uint32_t path, uint32_t deEmphasis, uint32_t pcmCode,
                                          uint32_t bitRate, float factor) {
    if (path >= kPathCount) {
        return;
    }
    float estimate = 0;
    switch (deEmphasis) {
        case 0:
        case 2:
            estimate = 6'000'000.0f;
            break;
        case 1:
            estimate = 4'200'000.0f;
            break;
        case 3:
            estimate = static_cast<float>(bitRate) * (IsBiPhase(pcmCode) ? 2.0f : 1.0f) *
                       LimitedFactor(factor);
            break;
        default:
            break;
    }
    m_Estimates[path].videoBandwidth = estimate;
}
