#pragma once
// The saved settings: typed values under registry-style keys, kept in a text file in the
// Windows .reg export format. The calls mirror the registry's: each returns 0 or the system's
// error code (errno), so that callers can report them as the registry code did.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace platform {

enum : uint32_t { REG_NONE = 0, REG_SZ = 1, REG_BINARY = 3, REG_DWORD = 4 };

constexpr const char* kLocalMachineRoot = "HKEY_LOCAL_MACHINE";

// KV90T_SETTINGS when set, else $XDG_CONFIG_HOME/kv90t/kv90t.reg (~/.config/kv90t/kv90t.reg).
std::string SettingsFilePath();

class SettingsKey {
public:
    // Opens `path` (for example "SOFTWARE\\Brenmoor\\KV90T") under HKEY_LOCAL_MACHINE, creating
    // the folder, the file and the key when they are missing.
    long Create(const std::string& path);
    // As RegQueryValueEx: ENOENT for a missing value; ERANGE when the data does not fit, with
    // *size set to what it needs. On success *type and *size describe the data.
    long QueryValue(const std::string& name, uint32_t* type, uint8_t* data, uint32_t* size) const;
    // Stores a value and rewrites the file atomically (a new file renamed over the old one).
    long SetValue(const std::string& name, uint32_t type, const uint8_t* data, uint32_t size);
    long Close();

private:
    struct Value {
        uint32_t type;
        std::vector<uint8_t> data;
    };
    using Key = std::map<std::string, Value>;

    long Load();
    long Save() const;

    std::string m_file;
    std::string m_path;
    std::map<std::string, Key> m_keys;  // every key of the file, kept when it is rewritten
    bool m_open = false;
};

// Called after a rewrite has written its new file and before it replaces the old one; tests
// use it to interrupt a write.
void SetSettingsWriteHook(void (*hook)());

}  // namespace platform
