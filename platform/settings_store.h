#pragma once
// The saved settings: typed values under registry-style keys, kept in a text file in the
// Windows .reg export format, of which a rewrite changes only the values set. The calls mirror
// the registry's: each returns 0 or the system's error code (errno), so that callers can report
// them as the registry code did.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/reg_file.h"

struct stat;

namespace platform {

enum : uint32_t { REG_NONE = 0, REG_SZ = 1, REG_BINARY = 3, REG_DWORD = 4 };

constexpr const char* kLocalMachineRoot = "HKEY_LOCAL_MACHINE";
// The key of the console's saved connection settings under HKEY_LOCAL_MACHINE.
constexpr const char* kConsoleSettingsKey =
    "SOFTWARE\\Brenmoor"
    "\\KV90T";

// The device address used over Ethernet when none is saved.
constexpr const char* kDefaultDeviceAddress = "192.168.1.100";

// KV90T_SETTINGS when set, else $XDG_CONFIG_HOME/kv90t/kv90t.reg (~/.config/kv90t/kv90t.reg).
std::string SettingsFilePath();

struct SettingsValue {
    std::string name;
    uint32_t type = REG_NONE;
    std::vector<uint8_t> data;
};

SettingsValue TextSetting(const std::string& name, const std::string& text);
SettingsValue DwordSetting(const std::string& name, uint32_t value);

class SettingsKey {
public:
    // Opens `path` (for example "SOFTWARE\\Brenmoor\\KV90T") under HKEY_LOCAL_MACHINE. A missing
    // file is created with the key; a file that exists but lacks the key, or cannot be read as
    // a .reg file, is left as it is (said once on the debug output) and reads as empty.
    long Create(const std::string& path);
    // As RegQueryValueEx: ENOENT for a missing value; ERANGE when the data does not fit, with
    // *size set to what it needs. On success *type and *size describe the data.
    long QueryValue(const std::string& name, uint32_t* type, uint8_t* data, uint32_t* size) const;
    // A REG_SZ value as text, without blanks around it: ENOENT when it is missing, EINVAL when
    // it is of another type or holds a NUL before its end (it would be read cut short).
    long QueryText(const std::string& name, std::string* text) const;
    long SetValue(const std::string& name, uint32_t type, const uint8_t* data, uint32_t size);
    // Stores the values with one read (only when the file changed since it was read) and one
    // atomic rewrite, which changes only their lines. EILSEQ for a file that is not a .reg file.
    long SetValues(const std::vector<SettingsValue>& values);
    long Close();
    // The names of value lines whose data could not be read; they stay in the file, each
    // replaced in its place when the value is set.
    std::vector<std::string> UnreadableValues() const { return m_reg.UnreadableValues(); }

private:
    long Load();
    long Save();
    bool ChangedSinceLoad() const;
    void NoteIdentity(const struct stat& status);

    std::string m_file;
    std::string m_path;
    RegFile m_reg;
    bool m_exists = false;
    bool m_readable = true;
    bool m_open = false;
    // What the file was when it was read, to notice a change by someone else.
    uint64_t m_device = 0;
    uint64_t m_inode = 0;
    int64_t m_size = -1;
    int64_t m_modifiedNs = 0;
};

// Called after a rewrite has written its new file (a hidden temporary beside the target) and
// before it replaces the old one; tests use it to interrupt a write.
void SetSettingsWriteHook(void (*hook)());

}  // namespace platform
