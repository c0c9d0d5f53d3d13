#include "alarms/alarm_intervals.h"

#include <algorithm>

namespace alarms {

void AlarmIntervals::Track(const Transition& t) {
    const bool raised = t.action == "raised";
    if (!raised && t.action != "returned" && t.action != "limit set changed") {
        return;
    }
    std::deque<AlarmInterval>& intervals = m_paths[t.alarm.path];
    for (auto it = intervals.rbegin(); it != intervals.rend(); ++it) {
        if (it->item == t.alarm.item && it->toMs == 0) {
            it->toMs = std::max(t.timeMs, it->fromMs + 1);
            break;
        }
    }
    if (raised) {
        intervals.push_back({t.alarm.item, t.timeMs, 0, t.alarm.severity});
        if (intervals.size() > kKept) {
            intervals.pop_front();
        }
    }
}

const std::deque<AlarmInterval>& AlarmIntervals::Of(int path) const {
    static const std::deque<AlarmInterval> kNone;
    const auto found = m_paths.find(path);
    return found != m_paths.end() ? found->second : kNone;
}

}  // namespace alarms
