#include "alarms/alarm_log.h"

#include <cstdio>

#include "platform/clock.h"

namespace alarms {
namespace {

// A cell as CSV holds it: quoted, with its quotes doubled, when it holds a comma, a quote or a
// line end (a user's name, a shelving reason).
std::string Cell(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) {
        return text;
    }
    std::string quoted = "\"";
    for (char c : text) {
        quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    }
    return quoted + "\"";
}

std::string Number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", value);
    return text;
}

}  // namespace

const std::string& AlarmLogHeading() {
    static const std::string kHeading =
        "time,path,item,action,value,bound,severity,state,user,note";
    return kHeading;
}

std::string AlarmLogLine(const Transition& t, const std::string& user) {
    const Alarm& a = t.alarm;
    const std::string note = a.state == State::kShelved ? a.shelveReason : std::string();
    return platform::IsoUtcText(t.timeMs) + "," + PathName(a.path) + "," + Cell(a.item) + "," +
           Cell(t.action) + "," + Number(a.value) + "," + Number(a.bound) + "," +
           SeverityName(a.severity) + "," + StateName(a.state) + "," + Cell(user) + "," +
           Cell(note);
}

std::string LimitSetChangeLine(int64_t timeMs, const std::string& name, const std::string& user) {
    return platform::IsoUtcText(timeMs) + ",device,limitSet,limit set changed,,,,," + Cell(user) +
           "," + Cell(name);
}

}  // namespace alarms
