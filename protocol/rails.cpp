#include <cmath>

#include "protocol/device_state.h"

namespace protocol {

bool RailInRange(int rail, float volts) {
    // Lowest and highest in tenths of a volt.
    static constexpr int kRanges[kRails][2] = {{45, 55}, {30, 36}, {50, 60},   {50, 60},
                                               {45, 55}, {45, 55}, {-55, -45}, {-55, -45}};
    if (rail < 0 || rail >= kRails) {
        return false;
    }
    const long tenths = std::lround(volts * 10.0);
    return tenths >= kRanges[rail][0] && tenths <= kRanges[rail][1];
}

}  // namespace protocol
