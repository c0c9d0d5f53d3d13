#include "platform/settings_store.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/debug_output.h"

namespace platform {
namespace {

void (*g_writeHook)() = nullptr;

constexpr const char* kFileHeader = "Windows Registry Editor Version 5.00";

std::string Unquote(const std::string& text, size_t* end) {
    std::string value;
    size_t i = 1;
    for (; i < text.size() && text[i] != '"'; ++i) {
        if (text[i] == '\\' && i + 1 < text.size()) {
            ++i;
        }
        value += text[i];
    }
    *end = i;
    return value;
}

std::string Quote(const std::string& text) {
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') {
            quoted += '\\';
        }
        quoted += c;
    }
    return quoted + "\"";
}

// Parses `"name"=dword:0000002a`, `"name"="text"` or `"name"=hex:01,02`.
bool ParseValue(const std::string& line, std::string* name, uint32_t* type,
                std::vector<uint8_t>* data) {
    if (line.empty() || line[0] != '"') {
        return false;
    }
    size_t end = 0;
    *name = Unquote(line, &end);
    if (end + 1 >= line.size() || line[end] != '"' || line[end + 1] != '=') {
        return false;
    }
    const std::string rest = line.substr(end + 2);
    data->clear();
    if (rest.rfind("dword:", 0) == 0 && rest.size() == 14) {
        char* stop = nullptr;
        const unsigned long value = std::strtoul(rest.c_str() + 6, &stop, 16);
        if (*stop != '\0') {
            return false;
        }
        *type = REG_DWORD;
        for (int i = 0; i < 4; ++i) {
            data->push_back(static_cast<uint8_t>(value >> (8 * i)));
        }
        return true;
    }
    if (!rest.empty() && rest[0] == '"') {
        size_t close = 0;
        const std::string text = Unquote(rest, &close);
        if (close != rest.size() - 1) {
            return false;
        }
        *type = REG_SZ;
        data->assign(text.begin(), text.end());
        data->push_back(0);
        return true;
    }
    if (rest.rfind("hex:", 0) == 0) {
        std::stringstream bytes(rest.substr(4));
        std::string byte;
        while (std::getline(bytes, byte, ',')) {
            char* stop = nullptr;
            const unsigned long value = std::strtoul(byte.c_str(), &stop, 16);
            if (byte.empty() || *stop != '\0' || value > 0xFF) {
                return false;
            }
            data->push_back(static_cast<uint8_t>(value));
        }
        *type = REG_BINARY;
        return true;
    }
    return false;
}

std::string FormatValue(const std::string& name, uint32_t type, const std::vector<uint8_t>& data) {
    char text[32];
    if (type == REG_DWORD && data.size() == 4) {
        const uint32_t value = data[0] | data[1] << 8 | data[2] << 16 | uint32_t(data[3]) << 24;
        std::snprintf(text, sizeof text, "dword:%08x", value);
        return Quote(name) + "=" + text;
    }
    if (type == REG_SZ) {
        const auto end = std::find(data.begin(), data.end(), 0);
        return Quote(name) + "=" + Quote(std::string(data.begin(), end));
    }
    std::string hex = Quote(name) + "=hex:";
    for (size_t i = 0; i < data.size(); ++i) {
        std::snprintf(text, sizeof text, i == 0 ? "%02x" : ",%02x", data[i]);
        hex += text;
    }
    return hex;
}

std::string Trim(const std::string& line) {
    const size_t first = line.find_first_not_of(" \t\r\n");
    const size_t last = line.find_last_not_of(" \t\r\n");
    return first == std::string::npos ? "" : line.substr(first, last - first + 1);
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

long SettingsKey::Create(const std::string& path) {
    m_file = SettingsFilePath();
    m_path = std::string(kLocalMachineRoot) + "\\" + path;
    std::error_code ec;
    const auto folder = std::filesystem::path(m_file).parent_path();
    if (!folder.empty()) {
        std::filesystem::create_directories(folder, ec);
        if (ec) {
            return ec.value();
        }
    }
    if (const long error = Load(); error != 0) {
        return error;
    }
    if (m_keys.count(m_path) == 0) {
        m_keys[m_path];
        if (const long error = Save(); error != 0) {
            return error;
        }
    }
    m_open = true;
    return 0;
}

long SettingsKey::Load() {
    m_keys.clear();
    std::ifstream file(m_file);
    if (!file) {
        return errno == ENOENT ? 0 : errno;
    }
    std::string line;
    std::string section;
    int ignored = 0;
    int number = 0;
    while (std::getline(file, line)) {
        line = Trim(line);
        ++number;
        if (line.empty() || line[0] == ';' || (number == 1 && line == kFileHeader)) {
            continue;
        }
        if (line.front() == '[' && line.back() == ']') {
            section = line.substr(1, line.size() - 2);
            m_keys[section];
            continue;
        }
        std::string name;
        uint32_t type = REG_NONE;
        std::vector<uint8_t> data;
        if (!section.empty() && ParseValue(line, &name, &type, &data)) {
            m_keys[section][name] = {type, std::move(data)};
        } else {
            ++ignored;
        }
    }
    if (file.bad()) {
        return EIO;
    }
    if (ignored > 0) {
        DebugPrintf("***** Settings file %s: %d unreadable line(s) ignored.\r\n", m_file.c_str(),
                    ignored);
    }
    return 0;
}

long SettingsKey::Save() const {
    std::string text = std::string(kFileHeader) + "\r\n";
    for (const auto& [section, values] : m_keys) {
        text += "\r\n[" + section + "]\r\n";
        for (const auto& [name, value] : values) {
            text += FormatValue(name, value.type, value.data) + "\r\n";
        }
    }
    const std::string temporary = m_file + ".tmp";
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        return errno;
    }
    size_t written = 0;
    while (written < text.size()) {
        const ssize_t n = ::write(fd, text.data() + written, text.size() - written);
        if (n < 0) {
            const int error = errno;
            ::close(fd);
            ::unlink(temporary.c_str());
            return error;
        }
        written += static_cast<size_t>(n);
    }
    if (::fsync(fd) != 0 || ::close(fd) != 0) {
        const int error = errno;
        ::unlink(temporary.c_str());
        return error;
    }
    if (g_writeHook != nullptr) {
        g_writeHook();
    }
    if (::rename(temporary.c_str(), m_file.c_str()) != 0) {
        const int error = errno;
        ::unlink(temporary.c_str());
        return error;
    }
    return 0;
}

long SettingsKey::QueryValue(const std::string& name, uint32_t* type, uint8_t* data,
                             uint32_t* size) const {
    if (!m_open) {
        return EBADF;
    }
    const Key& key = m_keys.at(m_path);
    const auto value = key.find(name);
    if (value == key.end()) {
        return ENOENT;
    }
    const auto needed = static_cast<uint32_t>(value->second.data.size());
    *type = value->second.type;
    if (needed > *size) {
        *size = needed;
        return ERANGE;
    }
    std::copy(value->second.data.begin(), value->second.data.end(), data);
    *size = needed;
    return 0;
}

long SettingsKey::SetValue(const std::string& name, uint32_t type, const uint8_t* data,
                           uint32_t size) {
    if (!m_open) {
        return EBADF;
    }
    // Others may have changed the file since it was read: merge into what is there now.
    if (const long error = Load(); error != 0) {
        return error;
    }
    m_keys[m_path][name] = {type, std::vector<uint8_t>(data, data + size)};
    return Save();
}

long SettingsKey::Close() {
    m_open = false;
    return 0;
}

}  // namespace platform
