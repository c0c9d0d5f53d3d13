#include "alarms/limit_set.h"

#include <nlohmann/json.hpp>

namespace alarms {
namespace {

using Json = nlohmann::ordered_json;
constexpr const char* kFormat = "kv90t-limits";
constexpr int kVersion = 1;
constexpr const char* kBounds[] = {"redLow", "yellowLow", "yellowHigh", "redHigh"};

std::optional<double> ItemLimit::*BoundMember(int index) {
    static std::optional<double> ItemLimit::*const kMembers[] = {
        &ItemLimit::redLow, &ItemLimit::yellowLow, &ItemLimit::yellowHigh, &ItemLimit::redHigh};
    return kMembers[index];
}

bool Contains(const std::vector<std::string>& items, const std::string& item) {
    return std::find(items.begin(), items.end(), item) != items.end();
}

double Number(const Json& value, const std::string& pointer) {
    if (!value.is_number()) {
        throw LimitError(pointer, "is " + value.dump() + ", not a number");
    }
    return value.get<double>();
}

Severity SeverityOf(const Json& value, const std::string& pointer) {
    if (value == "red") {
        return Severity::kRed;
    }
    if (value == "yellow") {
        return Severity::kYellow;
    }
    throw LimitError(pointer, "is " + value.dump() + ", not \"red\" or \"yellow\"");
}

// Each bound at or inside the one before it: red-low <= yellow-low <= yellow-high <= red-high.
void CheckOrder(const ItemLimit& limit, const std::string& pointer) {
    std::optional<double> previous;
    const char* previousName = nullptr;
    for (int i = 0; i < 4; ++i) {
        const std::optional<double>& bound = limit.*BoundMember(i);
        if (!bound) {
            continue;
        }
        if (previous && *bound < *previous) {
            throw LimitError(pointer + "/" + kBounds[i],
                             "is " + Json(*bound).dump() + ", below " + previousName + " (" +
                                 Json(*previous).dump() + "): the bounds cross");
        }
        previous = bound;
        previousName = kBounds[i];
    }
}

ItemLimit ParseItem(const Json& item, ItemKind kind, const std::string& pointer) {
    if (!item.is_object()) {
        throw LimitError(pointer, "is " + item.dump() + ", not an object");
    }
    ItemLimit limit;
    limit.kind = kind;
    for (const auto& [key, value] : item.items()) {
        const std::string at = pointer + "/" + key;
        const auto bound = std::find(std::begin(kBounds), std::end(kBounds), key);
        if (kind == ItemKind::kNumeric && bound != std::end(kBounds)) {
            limit.*BoundMember(int(bound - std::begin(kBounds))) = Number(value, at);
        } else if (kind != ItemKind::kNumeric && key == "severity") {
            limit.severity = SeverityOf(value, at);
        } else if (key == "persistence") {
            if (!value.is_number_integer() || value.get<int64_t>() < 1 ||
                value.get<int64_t>() > 1000) {
                throw LimitError(at,
                                 "is " + value.dump() + ", not a count of polls from 1 to 1000");
            }
            limit.persistence = value.get<int>();
        } else if (kind == ItemKind::kNumeric && key == "deadband") {
            limit.deadband = Number(value, at);
            if (limit.deadband < 0) {
                throw LimitError(at, "is " + value.dump() + ", below 0");
            }
        } else {
            throw LimitError(at, "is no field of this item");
        }
    }
    CheckOrder(limit, pointer);
    return limit;
}

Json ItemJson(const ItemLimit& limit) {
    Json item = Json::object();
    if (limit.kind == ItemKind::kNumeric) {
        for (int i = 0; i < 4; ++i) {
            if (const std::optional<double>& bound = limit.*BoundMember(i)) {
                item[kBounds[i]] = *bound;
            }
        }
        item["deadband"] = limit.deadband;
    } else {
        item["severity"] = SeverityName(limit.severity);
    }
    item["persistence"] = limit.persistence;
    return item;
}

}  // namespace

const char* SeverityName(Severity severity) {
    return severity == Severity::kRed ? "red" : "yellow";
}

const std::vector<std::string>& NumericItems() {
    static const std::vector<std::string> kItems = {"rssi", "carrierFrequency", "symbolRate",
                                                    "amModIndex", "fmModIndex"};
    return kItems;
}

const std::vector<std::string>& LockItems() {
    static const std::vector<std::string> kItems = {"carrierLock", "symbolLock", "frameSync",
                                                    "frameLock"};
    return kItems;
}

const std::vector<std::string>& TesterItems() {
    static const std::vector<std::string> kItems = {"ber", "berQ", "outOfLock", "outOfLockQ"};
    return kItems;
}

const std::vector<std::string>& DauItems() {
    static const std::vector<std::string> kItems = {"rails", "temperature", "timeLock"};
    return kItems;
}

ItemKind KindOfItem(const std::string& item) {
    if (item == "noAnswer") {
        return ItemKind::kNoAnswer;
    }
    const bool numeric =
        Contains(NumericItems(), item) || item == "ber" || item == "berQ" || item == "temperature";
    return numeric ? ItemKind::kNumeric : ItemKind::kLock;
}

const char* PathName(int path) {
    static const char* const kNames[LimitSet::kPaths] = {"CH1", "CH2", "combiner"};
    return path >= 0 && path < LimitSet::kPaths ? kNames[path] : "device";
}

LimitSet ParseLimitSet(const std::string& text) {
    const Json json = Json::parse(text, nullptr, false);
    if (json.is_discarded()) {
        throw LimitError("", "not JSON");
    }
    if (!json.is_object() || json.value("format", "") != kFormat) {
        throw LimitError("/format", std::string("is not \"") + kFormat + "\"");
    }
    if (!json.contains("version") || !json["version"].is_number_integer() ||
        json["version"].get<int>() > kVersion) {
        throw LimitError("/version", "is " + json.value("version", Json()).dump() +
                                         ": this console reads version " +
                                         std::to_string(kVersion));
    }
    LimitSet set;
    for (const auto& [key, value] : json.items()) {
        if (key == "format" || key == "version") {
            continue;
        }
        if (key == "noAnswer") {
            set.noAnswer = ParseItem(value, ItemKind::kNoAnswer, "/noAnswer");
        } else if (key == "paths" && value.is_object()) {
            for (const auto& [name, items] : value.items()) {
                int path = 0;
                while (path < LimitSet::kPaths && name != PathName(path)) {
                    ++path;
                }
                const std::string at = "/paths/" + name;
                if (path == LimitSet::kPaths || !items.is_object()) {
                    throw LimitError(at, path == LimitSet::kPaths
                                             ? "is no path: give CH1, CH2 or combiner"
                                             : "is not an object");
                }
                for (const auto& [item, limit] : items.items()) {
                    if (!Contains(NumericItems(), item) && !Contains(LockItems(), item) &&
                        !Contains(TesterItems(), item)) {
                        throw LimitError(at + "/" + item, "is no item of a path");
                    }
                    set.paths[path][item] = ParseItem(limit, KindOfItem(item), at + "/" + item);
                }
            }
        } else if (key == "dau" && value.is_object()) {
            for (const auto& [item, limit] : value.items()) {
                if (!Contains(DauItems(), item)) {
                    throw LimitError("/dau/" + item, "is no item of the DAU mode");
                }
                set.dau[item] = ParseItem(limit, KindOfItem(item), "/dau/" + item);
            }
        } else {
            throw LimitError("/" + key,
                             key == "paths" || key == "dau" ? "is not an object" : "is no field");
        }
    }
    return set;
}

std::string LimitSetJson(const LimitSet& set) {
    Json json = {{"format", kFormat}, {"version", kVersion}};
    Json paths = Json::object();
    for (int path = 0; path < LimitSet::kPaths; ++path) {
        Json items = Json::object();
        for (const auto& [item, limit] : set.paths[path]) {
            items[item] = ItemJson(limit);
        }
        paths[PathName(path)] = items;
    }
    json["paths"] = paths;
    if (set.noAnswer) {
        json["noAnswer"] = ItemJson(*set.noAnswer);
    }
    if (!set.dau.empty()) {
        Json dau = Json::object();
        for (const auto& [item, limit] : set.dau) {
            dau[item] = ItemJson(limit);
        }
        json["dau"] = dau;
    }
    return json.dump(2) + "\n";
}

}  // namespace alarms
