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
    std::map<std::string, ItemLimit> dau;  // DAU mode's device-wide items, by key
};

// The items a path can hold: the numeric ones by their status field keys, then the locks, both
// judged from the channel status polls.
const std::vector<std::string>& NumericItems();  // "rssi", "carrierFrequency", ...
const std::vector<std::string>& LockItems();     // "carrierLock", "symbolLock", ...
// The path's receive testers (I, then Q), judged from the tester status reads: the bit error
// rate ("ber", numeric) and a rise of the out-of-lock count ("outOfLock", with a severity).
const std::vector<std::string>& TesterItems();  // "ber", "berQ", "outOfLock", "outOfLockQ"
// DAU mode's items: any rail of the built-in test outside its range ("rails", with a severity),
// the temperature in degrees C ("temperature", numeric), the time code's lock ("timeLock").
const std::vector<std::string>& DauItems();
const char* PathName(int path);  // "CH1", "CH2", "combiner"
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
