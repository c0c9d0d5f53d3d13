#include "app/TimePeriod.h"

#include "platform/clock.h"
#include "platform/debug_output.h"

namespace {
constexpr uint32_t TIMERR_NOERROR = 0;
constexpr uint32_t TIMERR_NOCANDO = 97;
}  // namespace

TimePeriod::TimePeriod() {
    switch (platform::TimeBeginPeriod(1)) {
        case TIMERR_NOERROR:
            platform::DebugOutput(
                "***** TIMERR_NOERROR: TimePeriod::TimePeriod() ::timeBeginPeriod() "
                "succeeded.\r\n");
            break;
        case TIMERR_NOCANDO:
            platform::DebugOutput(
                "***** TIMERR_NOCANDO: TimePeriod::TimePeriod() ::timeBeginPeriod() failed.\r\n");
            break;
        default:
            platform::DebugOutput(
                "***** Unknown return value: TimePeriod::TimePeriod() ::timeBeginPeriod() "
                "failed.\r\n");
            break;
    }
}

TimePeriod::~TimePeriod() {
    if (platform::TimeEndPeriod(1) == TIMERR_NOERROR) {
        platform::DebugOutput(
            "***** TIMERR_NOERROR: TimePeriod::~TimePeriod() ::timeEndPeriod() succeeded.\r\n");
    } else {
        platform::DebugOutput(
            "***** TIMERR_NOCANDO: TimePeriod::~TimePeriod() ::timeEndPeriod() failed.\r\n");
    }
}
