#pragma once
// The alarms of one receiver, in the manner of ISA-18.2: each item of the limit set is normal,
// active and unacknowledged, active and acknowledged, returned but unacknowledged, or shelved
// for a while. A condition raises only after its item's persistence in consecutive polls and
// returns only once the value is back past its bound by the deadband. Silencing stops the sound
// until the next alarm raises, without acknowledging. Every change is told to `onTransition`.

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "alarms/limit_set.h"
#include "protocol/device_state.h"

namespace protocol {
struct StatusField;
}

namespace alarms {

enum class State { kNormal, kActiveUnacked, kActiveAcked, kReturnedUnacked, kShelved };
const char* StateName(State state);  // "normal", "active", "acknowledged", "returned", "shelved"

constexpr int kDevice = -1;  // the path of a device-wide item

struct Alarm {
    int path = kDevice;
    std::string item;
    State state = State::kNormal;
    Severity severity = Severity::kYellow;
    double value = 0;  // the last value evaluated (1/0 for locks and answers)
    double bound = 0;  // the bound it passed
    int64_t raisedMs = 0;
    bool silenced = false;
    int64_t shelvedUntilMs = 0;
    std::string shelveReason;
};

struct Transition {
    int64_t timeMs;
    Alarm alarm;         // after the change
    std::string action;  // "raised", "acknowledged", "returned", "shelved", "unshelved", ...
};

class AlarmEngine {
public:
    // Items that stay keep their state; items the new set lacks are dropped.
    void SetLimits(LimitSet limits, int64_t timeMs);
    const LimitSet& Limits() const { return m_limits; }

    // One poll of `path`: every item of the path; null for a poll that failed (its values are
    // not read, so no item of the path changes).
    void Evaluate(int path, const protocol::ChannelStatus* status, int64_t timeMs);
    // The same for a poll read back from a status log: its values (by the status field table's
    // order, NaN where the log holds no reading) when it was answered, and the answer itself.
    void EvaluateLoggedPoll(int path, bool answered, const std::vector<double>& values,
                            int64_t timeMs);
    // Whether the device answered a poll: the "does not answer" item.
    void EvaluateAnswer(bool answered, int64_t timeMs);
    // One status read of receive tester `tester` (path x 2, plus 1 for Q): its bit error rate
    // while it counts, and whether its out-of-lock count rose since the read before.
    void EvaluateTester(int tester, const protocol::BertStream& stream, int64_t timeMs);
    // DAU mode: the physical values of the built-in test (rails and temperature).
    void EvaluateBuiltInTest(const float* physicalValues, int64_t timeMs);
    // DAU mode: whether the time code is locked, as the time lamp shows it.
    void EvaluateTimeLock(bool locked, int64_t timeMs);

    void Acknowledge(int path, const std::string& item, int64_t timeMs);
    void AcknowledgeAll(int64_t timeMs);
    void Shelve(int path, const std::string& item, int64_t untilMs, std::string reason,
                int64_t timeMs);
    void Silence(int64_t timeMs);
    // Ends shelving that is due.
    void Tick(int64_t timeMs);

    // Every alarm that is not normal, red first, then by time raised.
    std::vector<Alarm> Alarms() const;
    int UnacknowledgedCount() const;
    // The alarm of one item, whatever its state; null for an item the set does not hold.
    const Alarm* AlarmOf(int path, const std::string& item) const;
    // The severity whose tone sounds: an active, unacknowledged alarm not silenced.
    std::optional<Severity> Sounding() const;

    std::function<void(const Transition&)> onTransition;

private:
    struct Entry {
        Alarm alarm;
        int pending = 0;       // consecutive polls in alarm, before it raises
        bool inAlarm = false;  // the condition, once raised (kept while shelved)
    };
    // An item of a path as the set holds it, resolved when the set is taken, so that a poll is
    // judged without looking anything up by name.
    struct PathItem {
        const ItemLimit* limit;
        const protocol::StatusField* field;  // numeric items
        int lock;                            // lock items: the index in LockItems()
        size_t column;                       // the field's index in the status field table
        Entry* entry;
    };
    void EvaluateLogged(int path, const std::vector<double>& values, int64_t timeMs);
    // One reading of a path item: a number, or for a lock item 1 locked and 0 not.
    void JudgeReading(const PathItem& item, double reading, int64_t timeMs);
    // The severity `value` is in under `limit`, with the bounds drawn in by `deadband`.
    static std::optional<Severity> LevelOf(const ItemLimit& limit, double value, double deadband,
                                           double* bound);
    void Judge(Entry& entry, const ItemLimit& limit, double value, std::optional<Severity> level,
               double bound, int64_t timeMs);
    Entry& EntryFor(int path, const std::string& item);
    // An item of `items`, if the set holds it: numeric ones by their bounds, the others by
    // whether `condition` (unlocked, out of range, rising) holds.
    void JudgeNamed(int path, const std::map<std::string, ItemLimit>& items,
                    const std::string& item, double value, bool condition, int64_t timeMs);
    void Raise(Entry& entry, Severity severity, int64_t timeMs);
    void Return(Entry& entry, int64_t timeMs);
    void Tell(const Entry& entry, int64_t timeMs, const char* action);
    Entry* Find(int path, const std::string& item);

    LimitSet m_limits;
    std::map<std::pair<int, std::string>, Entry> m_entries;  // nodes stay put: PathItem points in
    std::vector<PathItem> m_items[LimitSet::kPaths];
    Entry* m_noAnswer = nullptr;
    std::optional<uint32_t> m_outOfLock[2 * LimitSet::kPaths];  // each tester's last count
};

}  // namespace alarms
