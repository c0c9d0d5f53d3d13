#pragma once
// The alarm log's lines: one per transition (raised, acknowledged, silenced, shelved,
// unshelved, returned, limit set changed), with the time in ISO-8601 UTC and the operating-system
// user who acted.

#include <string>

#include "alarms/alarm_engine.h"

namespace alarms {

// "time,path,item,action,value,bound,severity,state,user,note"
const std::string& AlarmLogHeading();
// The note of a shelving is its reason.
std::string AlarmLogLine(const Transition& transition, const std::string& user);
// The line of a change of limit set, which concerns no single alarm; its note is the set's name.
std::string LimitSetChangeLine(int64_t timeMs, const std::string& name, const std::string& user);

}  // namespace alarms
