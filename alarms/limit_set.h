#pragma once
// A limit set: per path and item the bounds (numeric items) or the severity when unlocked (lock
// items), each with its persistence and deadband, and "the device does not answer" as an item of
// its own. Read from and written to JSON; a file that cannot be a limit set is refused with the
// JSON pointer of the field and the reason.

#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace alarms {

enum class Severity { kYellow, kRed };
const char* SeverityName(Severity severity);  // "yellow", "red"

enum class ItemKind { kNumeric, kLock, kNoAnswer };

// What the limit of one item holds. Numeric: a value below a low bound or above a high bound is
// in alarm, red before yellow. Lock and no answer: unlocked (or silent) is in alarm at
// `severity`.
struct ItemLimit {
    ItemKind kind = ItemKind::kNumeric;
    std::optional<double> redLow, yellowLow, yellowHigh, redHigh;
    Severity severity = Severity::kRed;
    int persistence = 1;  // consecutive polls in alarm before it raises
    double deadband = 0;  // how far back past the bound a value must come to return
};

struct LimitSet {
    static constexpr int kPaths = 3;
    std::map<std::string, ItemLimit> paths[kPaths];  // by item key
    std::optional<ItemLimit> noAnswer;
};

// The items a path can hold: the numeric ones by their status field keys, then the locks.
const std::vector<std::string>& NumericItems();  // "rssi", "carrierFrequency", ...
const std::vector<std::string>& LockItems();     // "carrierLock", "symbolLock", ...
const char* PathName(int path);                  // "CH1", "CH2", "combiner"
// What an item's values are: numbers, lock states, or whether the device answers ("noAnswer").
ItemKind KindOfItem(const std::string& item);

struct LimitError : std::runtime_error {
    LimitError(std::string pointer, const std::string& why)
        : std::runtime_error(pointer.empty() ? why : pointer + ": " + why),
          pointer(std::move(pointer)) {}
    // The same error, its text begun with the file it was found in.
    LimitError InFile(const std::string& file) const {
        LimitError error("", file + ": " + what());
        error.pointer = pointer;
        return error;
    }
    std::string pointer;  // "/paths/CH1/rssi/redLow"
};

// Throws LimitError.
LimitSet ParseLimitSet(const std::string& json);
std::string LimitSetJson(const LimitSet& set);

}  // namespace alarms
