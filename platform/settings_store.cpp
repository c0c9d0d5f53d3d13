#include "platform/settings_store.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>

#include "platform/atomic_file.h"
#include "platform/debug_output.h"

namespace platform {
namespace {

namespace fs = std::filesystem;

void (*g_writeHook)() = nullptr;

// Reads the whole file; ENOENT when there is none.
long ReadWhole(const std::string& path, std::string* bytes, struct stat* status) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return errno;
    }
    if (::fstat(fd, status) != 0) {
        const int error = errno;
        ::close(fd);
        return error;
    }
    bytes->clear();
    char block[65536];
    for (;;) {
        const ssize_t got = ::read(fd, block, sizeof block);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            const int error = got < 0 ? errno : 0;
            ::close(fd);
            return error;
        }
        bytes->append(block, static_cast<size_t>(got));
    }
}

}  // namespace

std::string SettingsFilePath() {
    if (const char* file = std::getenv("KV90T_SETTINGS"); file != nullptr && *file) {
        return file;
    }
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config != nullptr && *config) {
        return std::string(config) + "/kv90t/kv90t.reg";
    }
    const char* home = std::getenv("HOME");
    return std::string(home != nullptr ? home : "") + "/.config/kv90t/kv90t.reg";
}

void SetSettingsWriteHook(void (*hook)()) {
    g_writeHook = hook;
}

SettingsValue TextSetting(const std::string& name, const std::string& text) {
    SettingsValue value{name, REG_SZ, {text.begin(), text.end()}};
    value.data.push_back(0);
    return value;
}

SettingsValue DwordSetting(const std::string& name, uint32_t number) {
    return {name,
            REG_DWORD,
            {static_cast<uint8_t>(number), static_cast<uint8_t>(number >> 8),
             static_cast<uint8_t>(number >> 16), static_cast<uint8_t>(number >> 24)}};
}

long SettingsKey::Create(const std::string& path) {
    m_file = SettingsFilePath();
    m_path = std::string(kLocalMachineRoot) + "\\" + path;
    std::error_code ec;
    const auto folder = fs::path(m_file).parent_path();
    if (!folder.empty()) {
        fs::create_directories(folder, ec);
        if (ec) {
            return ec.value();
        }
    }
    if (const long error = Load(); error != 0) {
        return error;
    }
    if (!m_exists || m_size == 0) {
        m_reg.AddKey(m_path);
        if (const long error = Save(); error != 0) {
            return error;
        }
    } else if (!m_readable || !m_reg.HasKey(m_path)) {
        DebugPrintf("***** Settings file %s: %s; defaults used, the file is left as it is.\r\n",
                    m_file.c_str(),
                    m_readable ? ("no key [" + m_path + "]").c_str() : "not a .reg file");
    }
    m_open = true;
    return 0;
}

void SettingsKey::NoteIdentity(const struct stat& status) {
    m_device = status.st_dev;
    m_inode = status.st_ino;
    m_size = status.st_size;
    m_modifiedNs = int64_t(status.st_mtim.tv_sec) * 1'000'000'000 + status.st_mtim.tv_nsec;
}

long SettingsKey::Load() {
    m_reg = RegFile{};
    m_exists = false;
    m_readable = true;
    m_size = -1;
    std::string bytes;
    struct stat status {};
    if (const long error = ReadWhole(m_file, &bytes, &status); error != 0) {
        return error == ENOENT ? 0 : error;
    }
    m_exists = true;
    NoteIdentity(status);
    m_readable = m_reg.Parse(bytes) && (bytes.empty() || m_reg.IsRegistryText());
    if (m_readable && m_reg.UnreadableLines() > 0) {
        std::string names;
        for (const std::string& name : m_reg.UnreadableValues()) {
            names += (names.empty() ? "; values not understood: " : ", ") + name;
        }
        DebugPrintf("***** Settings file %s: %d unreadable line(s) ignored%s.\r\n", m_file.c_str(),
                    m_reg.UnreadableLines(), names.c_str());
    }
    return 0;
}

bool SettingsKey::ChangedSinceLoad() const {
    struct stat status {};
    if (::stat(m_file.c_str(), &status) != 0) {
        return m_exists;
    }
    const int64_t modified =
        int64_t(status.st_mtim.tv_sec) * 1'000'000'000 + status.st_mtim.tv_nsec;
    return !m_exists || status.st_dev != m_device || status.st_ino != m_inode ||
           status.st_size != m_size || modified != m_modifiedNs;
}

long SettingsKey::Save() {
    if (const long error = ReplaceFile(m_file, m_reg.Serialize(), g_writeHook); error != 0) {
        return error;
    }
    struct stat written {};
    if (::stat(m_file.c_str(), &written) == 0) {
        m_exists = true;
        NoteIdentity(written);
    }
    return 0;
}

long SettingsKey::QueryValue(const std::string& name, uint32_t* type, uint8_t* data,
                             uint32_t* size) const {
    if (!m_open) {
        return EBADF;
    }
    const RegValue* value = m_reg.Find(m_path, name);
    if (value == nullptr) {
        return ENOENT;
    }
    const auto needed = static_cast<uint32_t>(value->data.size());
    *type = value->type;
    if (needed > *size) {
        *size = needed;
        return ERANGE;
    }
    std::copy(value->data.begin(), value->data.end(), data);
    *size = needed;
    return 0;
}

long SettingsKey::QueryText(const std::string& name, std::string* text) const {
    if (!m_open) {
        return EBADF;
    }
    const RegValue* value = m_reg.Find(m_path, name);
    if (value == nullptr) {
        return ENOENT;
    }
    std::string whole(value->data.begin(), value->data.end());
    if (!whole.empty() && whole.back() == '\0') {
        whole.pop_back();
    }
    if (value->type != REG_SZ || whole.find('\0') != std::string::npos) {
        return EINVAL;
    }
    const size_t first = whole.find_first_not_of(" \t");
    *text = first == std::string::npos
                ? std::string()
                : whole.substr(first, whole.find_last_not_of(" \t") - first + 1);
    return 0;
}

long SettingsKey::SetValue(const std::string& name, uint32_t type, const uint8_t* data,
                           uint32_t size) {
    return SetValues({{name, type, std::vector<uint8_t>(data, data + size)}});
}

long SettingsKey::SetValues(const std::vector<SettingsValue>& values) {
    if (!m_open) {
        return EBADF;
    }
    // Others may have changed the file since it was read: merge into what is there now.
    if (ChangedSinceLoad()) {
        if (const long error = Load(); error != 0) {
            return error;
        }
    }
    if (!m_readable) {
        return EILSEQ;
    }
    for (const SettingsValue& value : values) {
        m_reg.Set(m_path, value.name, {value.type, value.data});
    }
    return Save();
}

long SettingsKey::Close() {
    m_open = false;
    return 0;
}

}  // namespace platform
