#pragma once
// The stretches of time each item spent in alarm, from raised to returned, kept per path from
// the engine's transitions: the trend view draws them, the log summary lists them.

#include <cstdint>
#include <deque>
#include <map>
#include <string>

#include "alarms/alarm_engine.h"

namespace alarms {

struct AlarmInterval {
    std::string item;
    int64_t fromMs;
    int64_t toMs;  // 0 while it lasts
    Severity severity;
};

class AlarmIntervals {
public:
    static constexpr size_t kKept = 1000;  // per path, the oldest go first

    // A raise opens an interval (closing the item's open one: a rise to red starts anew), a
    // return or a change of set that drops the item closes it.
    void Track(const Transition& transition);
    // A path's intervals, or with kDevice those of the device-wide items; oldest first.
    const std::deque<AlarmInterval>& Of(int path) const;

private:
    std::map<int, std::deque<AlarmInterval>> m_paths;
};

}  // namespace alarms
