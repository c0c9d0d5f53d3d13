// alarms check, and the limits that status --watch evaluates: limit sets read and judged with
// the console's own alarm engine.

#include "alarms/alarm_engine.h"
#include "alarms/limit_library.h"
#include "ctl/commands.h"

namespace ctl {
namespace {

Record ItemRecord(const std::string& name, const alarms::ItemLimit& limit) {
    Record record;
    record.Add("item", name);
    if (limit.kind == alarms::ItemKind::kNumeric) {
        const std::pair<const char*, const std::optional<double>*> bounds[] = {
            {"redLow", &limit.redLow},
            {"yellowLow", &limit.yellowLow},
            {"yellowHigh", &limit.yellowHigh},
            {"redHigh", &limit.redHigh}};
        for (const auto& [bound, value] : bounds) {
            if (*value) {
                record.Add(bound, **value);
            }
        }
        record.Add("deadband", limit.deadband);
    } else {
        record.Add("severity", alarms::SeverityName(limit.severity));
    }
    return record.Add("persistence", limit.persistence);
}

}  // namespace

alarms::LimitSet ReadLimits(const std::string& path) {
    try {
        return alarms::ReadLimitFile(path);
    } catch (const alarms::LimitError& error) {
        throw UsageError(error.what());
    }
}

std::vector<Record> AlarmRecords(const alarms::AlarmEngine& engine) {
    std::vector<Record> active;
    for (const alarms::Alarm& alarm : engine.Alarms()) {
        active.push_back(Record()
                             .Add("path", alarms::PathName(alarm.path))
                             .Add("item", alarm.item)
                             .Add("severity", alarms::SeverityName(alarm.severity))
                             .Add("state", alarms::StateName(alarm.state))
                             .Add("value", alarm.value)
                             .Add("bound", alarm.bound));
    }
    return active;
}

int RunAlarms(const std::vector<std::string>& words, bool json, std::ostream& out,
              std::ostream& err) {
    alarms::LimitSet set;
    try {
        if (words.size() != 3 || words[1] != "check") {
            throw UsageError("alarms needs check FILE");
        }
        set = ReadLimits(words[2]);
    } catch (const UsageError& error) {
        err << "kv90t-ctl: " << error.what() << "; see --help\n";
        return kUsageError;
    }
    std::vector<Record> paths;
    for (int path = 0; path < alarms::LimitSet::kPaths; ++path) {
        std::vector<Record> items;
        for (const auto& [name, limit] : set.paths[path]) {
            items.push_back(ItemRecord(name, limit));
        }
        paths.push_back(
            Record().Add("path", alarms::PathName(path)).Add("items", std::move(items)));
    }
    Record record;
    record.Add("file", words[2]).Add("paths", std::move(paths));
    if (set.noAnswer) {
        record.Add("noAnswer", ItemRecord("noAnswer", *set.noAnswer));
    }
    if (!set.dau.empty()) {
        std::vector<Record> dau;
        for (const auto& [name, limit] : set.dau) {
            dau.push_back(ItemRecord(name, limit));
        }
        record.Add("dau", std::move(dau));
    }
    out << (json ? record.Json() + "\n" : record.Text());
    return kSuccess;
}

}  // namespace ctl
