#include "alarms/limit_library.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <nlohmann/json.hpp>

#include "platform/atomic_file.h"
#include "platform/settings_store.h"

namespace alarms {
namespace {

namespace fs = std::filesystem;

// A set's name is a plain file name: no folders, nothing hidden, not the modes' choices.
bool ValidName(const std::string& name) {
    return !name.empty() && name.size() <= 64 && name[0] != '.' && name != "modes" &&
           name.find_first_of("/\\") == std::string::npos;
}

// modes.json: which set each operational mode uses, by the modes' names.
nlohmann::json ReadChoices(const std::string& path) {
    std::ifstream file(path);
    const nlohmann::json choices = nlohmann::json::parse(file, nullptr, false);
    return choices.is_object() ? choices : nlohmann::json::object();
}

}  // namespace

const char* DefaultLimitsJson() {
    return R"({
  "format": "kv90t-limits",
  "version": 1,
  "paths": {
    "CH1": {
      "rssi": {"redLow": -100, "yellowLow": -90, "deadband": 2, "persistence": 3},
      "carrierLock": {"severity": "red", "persistence": 2},
      "symbolLock": {"severity": "red", "persistence": 2},
      "frameSync": {"severity": "yellow", "persistence": 3}
    },
    "CH2": {
      "rssi": {"redLow": -100, "yellowLow": -90, "deadband": 2, "persistence": 3},
      "carrierLock": {"severity": "red", "persistence": 2},
      "symbolLock": {"severity": "red", "persistence": 2},
      "frameSync": {"severity": "yellow", "persistence": 3}
    },
    "combiner": {
      "symbolLock": {"severity": "red", "persistence": 2},
      "frameLock": {"severity": "yellow", "persistence": 3}
    }
  },
  "noAnswer": {"severity": "red", "persistence": 1}
}
)";
}

LimitSet ReadLimitFile(const std::string& path) {
    std::ifstream file(path);
    if (!file) {
        throw LimitError("", path + ": cannot be read: " + std::strerror(errno));
    }
    std::ostringstream text;
    text << file.rdbuf();
    try {
        return ParseLimitSet(text.str());
    } catch (const LimitError& error) {
        throw error.InFile(path);
    }
}

std::string LimitLibrary::DefaultFolder() {
    return (fs::path(platform::SettingsFilePath()).parent_path() / "limits").string();
}

std::string LimitLibrary::PathOf(const std::string& name) const {
    return (fs::path(m_folder) / (name + ".json")).string();
}

std::vector<std::string> LimitLibrary::Names() const {
    std::vector<std::string> names;
    std::error_code ec;
    for (const fs::directory_entry& entry : fs::directory_iterator(m_folder, ec)) {
        const fs::path& path = entry.path();
        if (path.extension() == ".json" && ValidName(path.stem().string())) {
            names.push_back(path.stem().string());
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string LimitLibrary::EnsureDefault() const {
    std::error_code ec;
    if (fs::exists(PathOf(kDefaultName), ec)) {
        return {};
    }
    fs::create_directories(m_folder, ec);
    const long error = platform::ReplaceFile(PathOf(kDefaultName), DefaultLimitsJson());
    return error == 0 ? std::string() : PathOf(kDefaultName) + ": " + std::strerror(int(error));
}

LimitSet LimitLibrary::Load(const std::string& name) const {
    if (!ValidName(name)) {
        throw LimitError("", "\"" + name + "\" is no name of a limit set");
    }
    return ReadLimitFile(PathOf(name));
}

std::string LimitLibrary::Text(const std::string& name) const {
    std::ifstream file(PathOf(name));
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

LimitSet LimitLibrary::Save(const std::string& name, const std::string& json) const {
    if (!ValidName(name)) {
        throw LimitError("", "\"" + name + "\" is no name of a limit set");
    }
    const std::string path = PathOf(name);
    LimitSet set;
    try {
        set = ParseLimitSet(json);
    } catch (const LimitError& error) {
        throw error.InFile(path);
    }
    std::error_code ec;
    fs::create_directories(m_folder, ec);
    if (const long error = platform::ReplaceFile(path, json); error != 0) {
        throw LimitError("", path + ": cannot be written: " + std::strerror(int(error)));
    }
    return set;
}

std::string LimitLibrary::ChosenFor(const std::string& mode) const {
    const nlohmann::json choices = ReadChoices((fs::path(m_folder) / "modes.json").string());
    const auto found = choices.find(mode);
    return found != choices.end() && found->is_string() && ValidName(found->get<std::string>())
               ? found->get<std::string>()
               : kDefaultName;
}

void LimitLibrary::Choose(const std::string& mode, const std::string& name) const {
    const std::string path = (fs::path(m_folder) / "modes.json").string();
    nlohmann::json choices = ReadChoices(path);
    choices[mode] = name;
    std::error_code ec;
    fs::create_directories(m_folder, ec);
    if (const long error = platform::ReplaceFile(path, choices.dump(2) + "\n"); error != 0) {
        throw LimitError("", path + ": cannot be written: " + std::strerror(int(error)));
    }
}

}  // namespace alarms
