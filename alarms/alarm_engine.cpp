#include "alarms/alarm_engine.h"

#include <algorithm>
#include <cmath>

#include "protocol/status_fields.h"

namespace alarms {
namespace {

// A lock item's reading (by its index in LockItems()): 1 locked, 0 not; none while the
// function is not enabled.
std::optional<double> LockReading(int lock, const protocol::ChannelStatus& s) {
    if (lock == 0) {
        return s.carrierLock != 0 ? 1 : 0;
    }
    if (lock == 1) {
        return s.symbolLock != 0 ? 1 : 0;
    }
    const protocol::LockLevel level =
        lock == 2 ? protocol::FrameSyncLevel(s) : protocol::FrameLockLevel(s);
    if (level == protocol::kNotEnabled) {
        return std::nullopt;
    }
    return level == protocol::kLocked ? 1 : 0;
}

}  // namespace

const char* StateName(State state) {
    static const char* const kNames[] = {"normal", "active", "acknowledged", "returned", "shelved"};
    return kNames[int(state)];
}

void AlarmEngine::SetLimits(LimitSet limits, int64_t timeMs) {
    m_limits = std::move(limits);
    for (auto it = m_entries.begin(); it != m_entries.end();) {
        const auto& [path, item] = it->first;
        const bool kept = path != kDevice      ? m_limits.paths[path].count(item) != 0
                          : item == "noAnswer" ? m_limits.noAnswer.has_value()
                                               : m_limits.dau.count(item) != 0;
        if (!kept && it->second.alarm.state != State::kNormal) {
            it->second.alarm.state = State::kNormal;
            Tell(it->second, timeMs, "limit set changed");
        }
        it = kept ? std::next(it) : m_entries.erase(it);
    }
    // The items the channel status polls judge: status fields and locks, not the testers'.
    const std::vector<std::string>& fields = NumericItems();
    const std::vector<std::string>& locks = LockItems();
    static const char* const kLockFields[] = {"carrierLock", "symbolLock", "frameSyncLevel",
                                              "frameLockLevel"};
    for (int path = 0; path < LimitSet::kPaths; ++path) {
        m_items[path].clear();
        for (const auto& [item, limit] : m_limits.paths[path]) {
            const auto lock = std::find(locks.begin(), locks.end(), item);
            if (lock != locks.end()) {
                const int index = int(lock - locks.begin());
                const size_t column = protocol::StatusFieldIndex(kLockFields[index]);
                m_items[path].push_back({&limit, nullptr, index, column, &EntryFor(path, item)});
            } else if (std::find(fields.begin(), fields.end(), item) != fields.end()) {
                m_items[path].push_back({&limit, &protocol::StatusFieldOf(item), -1,
                                         protocol::StatusFieldIndex(item), &EntryFor(path, item)});
            }
        }
    }
    m_noAnswer = m_limits.noAnswer ? &EntryFor(kDevice, "noAnswer") : nullptr;
}

AlarmEngine::Entry& AlarmEngine::EntryFor(int path, const std::string& item) {
    Entry& entry = m_entries[{path, item}];
    entry.alarm.path = path;
    entry.alarm.item = item;
    return entry;
}

std::optional<Severity> AlarmEngine::LevelOf(const ItemLimit& limit, double value, double deadband,
                                             double* bound) {
    const struct {
        const std::optional<double>& limit;
        bool low;
        Severity severity;
    } bounds[] = {{limit.redLow, true, Severity::kRed},
                  {limit.redHigh, false, Severity::kRed},
                  {limit.yellowLow, true, Severity::kYellow},
                  {limit.yellowHigh, false, Severity::kYellow}};
    for (const auto& b : bounds) {
        if (b.limit && (b.low ? value < *b.limit + deadband : value > *b.limit - deadband)) {
            *bound = *b.limit;
            return b.severity;
        }
    }
    return std::nullopt;
}

void AlarmEngine::Evaluate(int path, const protocol::ChannelStatus* status, int64_t timeMs) {
    if (status == nullptr || path < 0 || path >= LimitSet::kPaths) {
        return;
    }
    for (const PathItem& item : m_items[path]) {
        if (item.field == nullptr) {
            if (const std::optional<double> locked = LockReading(item.lock, *status)) {
                JudgeReading(item, *locked, timeMs);
            }
        } else if (protocol::InRange(*item.field, *status)) {  // else no reading: not judged
            JudgeReading(item, item.field->read(*status), timeMs);
        }
    }
}

// A log holds flags as 0 or 1 and frame levels as their LockLevel.
void AlarmEngine::EvaluateLoggedPoll(int path, bool answered, const std::vector<double>& values,
                                     int64_t timeMs) {
    if (answered) {
        EvaluateLogged(path, values, timeMs);
    }
    EvaluateAnswer(answered, timeMs);
}

void AlarmEngine::EvaluateLogged(int path, const std::vector<double>& values, int64_t timeMs) {
    if (path < 0 || path >= LimitSet::kPaths) {
        return;
    }
    for (const PathItem& item : m_items[path]) {
        const double value = item.column < values.size() ? values[item.column] : NAN;
        if (std::isnan(value) || (item.lock >= 2 && value == double(protocol::kNotEnabled))) {
            continue;
        }
        const bool frameLevel = item.lock >= 2;
        JudgeReading(item,
                     item.field != nullptr ? value
                     : frameLevel          ? double(value == double(protocol::kLocked))
                                           : double(value == 1),
                     timeMs);
    }
}

void AlarmEngine::JudgeReading(const PathItem& item, double reading, int64_t timeMs) {
    const ItemLimit& limit = *item.limit;
    if (item.field == nullptr) {
        Judge(*item.entry, limit, reading,
              reading == 0 ? std::optional(limit.severity) : std::nullopt, 1, timeMs);
        return;
    }
    double bound = 0;
    const std::optional<Severity> level =
        LevelOf(limit, reading, item.entry->inAlarm ? limit.deadband : 0, &bound);
    Judge(*item.entry, limit, reading, level, bound, timeMs);
}

void AlarmEngine::EvaluateAnswer(bool answered, int64_t timeMs) {
    if (m_noAnswer != nullptr) {
        Judge(*m_noAnswer, *m_limits.noAnswer, answered ? 1 : 0,
              answered ? std::nullopt : std::optional(m_limits.noAnswer->severity), 1, timeMs);
    }
}

void AlarmEngine::JudgeNamed(int path, const std::map<std::string, ItemLimit>& items,
                             const std::string& item, double value, bool condition,
                             int64_t timeMs) {
    const auto found = items.find(item);
    if (found == items.end()) {
        return;
    }
    const ItemLimit& limit = found->second;
    Entry& entry = EntryFor(path, item);
    if (limit.kind != ItemKind::kNumeric) {
        Judge(entry, limit, value, condition ? std::optional(limit.severity) : std::nullopt, 0,
              timeMs);
        return;
    }
    double bound = 0;
    const std::optional<Severity> level =
        LevelOf(limit, value, entry.inAlarm ? limit.deadband : 0, &bound);
    Judge(entry, limit, value, level, bound, timeMs);
}

void AlarmEngine::EvaluateTester(int tester, const protocol::BertStream& stream, int64_t timeMs) {
    if (tester < 0 || tester >= 2 * LimitSet::kPaths) {
        return;
    }
    const int path = tester / 2;
    const bool q = tester % 2 != 0;
    if (stream.locked != 0 && stream.bitCount > 0) {
        const double ber = double(stream.bitErrors) / double(stream.bitCount);
        JudgeNamed(path, m_limits.paths[path], q ? "berQ" : "ber", ber, false, timeMs);
    }
    const uint32_t count = stream.values[2];
    std::optional<uint32_t>& last = m_outOfLock[tester];
    if (last) {
        JudgeNamed(path, m_limits.paths[path], q ? "outOfLockQ" : "outOfLock", count, count > *last,
                   timeMs);
    }
    last = count;
}

void AlarmEngine::EvaluateBuiltInTest(const float* physicalValues, int64_t timeMs) {
    int outOfRange = 0;
    for (int rail = 0; rail < protocol::kRails; ++rail) {
        outOfRange += protocol::RailInRange(rail, physicalValues[rail]) ? 0 : 1;
    }
    JudgeNamed(kDevice, m_limits.dau, "rails", outOfRange, outOfRange > 0, timeMs);
    JudgeNamed(kDevice, m_limits.dau, "temperature", physicalValues[8], false, timeMs);
}

void AlarmEngine::EvaluateTimeLock(bool locked, int64_t timeMs) {
    JudgeNamed(kDevice, m_limits.dau, "timeLock", locked ? 1 : 0, !locked, timeMs);
}

// Persistence before raising; a return at once (the deadband already applied); a rise from
// yellow to red is a new alarm to acknowledge.
void AlarmEngine::Judge(Entry& entry, const ItemLimit& limit, double value,
                        std::optional<Severity> level, double bound, int64_t timeMs) {
    entry.alarm.value = value;
    if (!level) {
        entry.pending = 0;
        if (entry.inAlarm) {
            Return(entry, timeMs);
        }
        return;
    }
    entry.alarm.bound = bound;
    if (entry.inAlarm) {
        if (*level == Severity::kRed && entry.alarm.severity == Severity::kYellow) {
            Raise(entry, *level, timeMs);
        }
        return;
    }
    if (++entry.pending >= limit.persistence) {
        Raise(entry, *level, timeMs);
    }
}

void AlarmEngine::Raise(Entry& entry, Severity severity, int64_t timeMs) {
    entry.inAlarm = true;
    entry.pending = 0;
    entry.alarm.severity = severity;
    if (entry.alarm.state == State::kShelved) {
        return;  // noted; it shows when the shelving ends
    }
    entry.alarm.state = State::kActiveUnacked;
    entry.alarm.raisedMs = timeMs;
    entry.alarm.silenced = false;
    Tell(entry, timeMs, "raised");
}

void AlarmEngine::Return(Entry& entry, int64_t timeMs) {
    entry.inAlarm = false;
    State& state = entry.alarm.state;
    if (state == State::kActiveUnacked) {
        state = State::kReturnedUnacked;
    } else if (state == State::kActiveAcked) {
        state = State::kNormal;
    } else {
        return;
    }
    Tell(entry, timeMs, "returned");
}

void AlarmEngine::Acknowledge(int path, const std::string& item, int64_t timeMs) {
    Entry* entry = Find(path, item);
    if (entry == nullptr) {
        return;
    }
    State& state = entry->alarm.state;
    if (state == State::kActiveUnacked) {
        state = State::kActiveAcked;
    } else if (state == State::kReturnedUnacked) {
        state = State::kNormal;
    } else {
        return;
    }
    Tell(*entry, timeMs, "acknowledged");
}

void AlarmEngine::AcknowledgeAll(int64_t timeMs) {
    for (auto& [key, entry] : m_entries) {
        Acknowledge(key.first, key.second, timeMs);
    }
}

void AlarmEngine::Shelve(int path, const std::string& item, int64_t untilMs, std::string reason,
                         int64_t timeMs) {
    Entry* entry = Find(path, item);
    if (entry == nullptr || untilMs <= timeMs) {
        return;
    }
    entry->alarm.state = State::kShelved;
    entry->alarm.shelvedUntilMs = untilMs;
    entry->alarm.shelveReason = std::move(reason);
    Tell(*entry, timeMs, "shelved");
}

void AlarmEngine::Silence(int64_t timeMs) {
    for (auto& [key, entry] : m_entries) {
        if (entry.alarm.state == State::kActiveUnacked && !entry.alarm.silenced) {
            entry.alarm.silenced = true;
            Tell(entry, timeMs, "silenced");
        }
    }
}

// A shelved item comes back as what it is then: an alarm to acknowledge, or normal.
void AlarmEngine::Tick(int64_t timeMs) {
    for (auto& [key, entry] : m_entries) {
        Alarm& alarm = entry.alarm;
        if (alarm.state != State::kShelved || timeMs < alarm.shelvedUntilMs) {
            continue;
        }
        alarm.state = State::kNormal;
        alarm.shelveReason.clear();
        Tell(entry, timeMs, "unshelved");
        if (entry.inAlarm) {
            Raise(entry, alarm.severity, timeMs);
        }
    }
}

std::vector<Alarm> AlarmEngine::Alarms() const {
    std::vector<Alarm> alarms;
    for (const auto& [key, entry] : m_entries) {
        if (entry.alarm.state != State::kNormal) {
            alarms.push_back(entry.alarm);
        }
    }
    std::stable_sort(alarms.begin(), alarms.end(), [](const Alarm& a, const Alarm& b) {
        return a.severity != b.severity ? a.severity == Severity::kRed : a.raisedMs < b.raisedMs;
    });
    return alarms;
}

int AlarmEngine::UnacknowledgedCount() const {
    return int(std::count_if(m_entries.begin(), m_entries.end(), [](const auto& e) {
        const State state = e.second.alarm.state;
        return state == State::kActiveUnacked || state == State::kReturnedUnacked;
    }));
}

std::optional<Severity> AlarmEngine::Sounding() const {
    std::optional<Severity> sounding;
    for (const auto& [key, entry] : m_entries) {
        if (entry.alarm.state == State::kActiveUnacked && !entry.alarm.silenced &&
            (!sounding || entry.alarm.severity == Severity::kRed)) {
            sounding = entry.alarm.severity;
        }
    }
    return sounding;
}

void AlarmEngine::Tell(const Entry& entry, int64_t timeMs, const char* action) {
    if (onTransition) {
        onTransition({timeMs, entry.alarm, action});
    }
}

const Alarm* AlarmEngine::AlarmOf(int path, const std::string& item) const {
    const auto found = m_entries.find({path, item});
    return found == m_entries.end() ? nullptr : &found->second.alarm;
}

AlarmEngine::Entry* AlarmEngine::Find(int path, const std::string& item) {
    const auto found = m_entries.find({path, item});
    return found == m_entries.end() ? nullptr : &found->second;
}

}  // namespace alarms
