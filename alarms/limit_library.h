#pragma once
// The operator's named limit sets: limits/NAME.json in the per-user config folder, beside the
// settings file. A file is read whole and checked before it is used, and written at once (never
// half), so a bad edit or a crash leaves the set that was there.

#include <string>
#include <vector>

#include "alarms/limit_set.h"

namespace alarms {

// The set the console ships: lock losses and a silent device are red, a weak signal yellow then
// red, each after a few polls, so that one noisy poll never raises.
const char* DefaultLimitsJson();

// Reads and checks a limits file; a LimitError whose text begins with `path` when it cannot be
// read or is not a limit set.
LimitSet ReadLimitFile(const std::string& path);

class LimitLibrary {
public:
    static constexpr const char* kDefaultName = "default";

    explicit LimitLibrary(std::string folder) : m_folder(std::move(folder)) {}
    // limits/ beside the settings file ($XDG_CONFIG_HOME/kv90t/limits).
    static std::string DefaultFolder();

    const std::string& Folder() const { return m_folder; }
    std::string PathOf(const std::string& name) const;
    // The names of the sets there, sorted; "default" among them once EnsureDefault ran.
    std::vector<std::string> Names() const;
    // Writes the shipped set as "default" when the folder has none; "" or why it could not.
    std::string EnsureDefault() const;

    // Throws LimitError (its text begins with the file).
    LimitSet Load(const std::string& name) const;
    // The file's text, for the editor; empty when it cannot be read.
    std::string Text(const std::string& name) const;
    // Checks `json` and only then writes it as `name`; throws LimitError for a text that is no
    // limit set (the file stays as it was) or a file that cannot be written.
    LimitSet Save(const std::string& name, const std::string& json) const;

    // The set chosen for an operational mode ("PSK"), kept in modes.json there; "default" when
    // none was chosen. Choose throws LimitError when the choice cannot be written.
    std::string ChosenFor(const std::string& mode) const;
    void Choose(const std::string& mode, const std::string& name) const;

private:
    std::string m_folder;
};

}  // namespace alarms
