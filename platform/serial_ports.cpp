#include "platform/serial_ports.h"

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <vector>

namespace platform {
namespace {

constexpr size_t kMaxPortNameLength = 6;

struct PortName {
    std::string prefix;  // "COM", "USB" or "ACM"
    unsigned number;
};

std::optional<unsigned> ParseNumber(std::string_view text) {
    unsigned value = 0;
    if (text.empty() || text.size() > 3) {
        return std::nullopt;
    }
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

std::optional<PortName> ParsePortName(std::string_view name) {
    if (name.size() < 4 || name.size() > kMaxPortNameLength) {
        return std::nullopt;
    }
    std::string prefix(name.substr(0, 3));
    std::transform(prefix.begin(), prefix.end(), prefix.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    if (prefix != "COM" && prefix != "USB" && prefix != "ACM") {
        return std::nullopt;
    }
    const auto number = ParseNumber(name.substr(3));
    if (!number || (prefix == "COM" && *number == 0)) {
        return std::nullopt;
    }
    return PortName{prefix, *number};
}

std::string FolderEntry(unsigned comNumber) {
    return SerialDeviceFolder() + "/com" + std::to_string(comNumber);
}

// Where the devices and the kernel's device classes are: /dev and /sys unless the
// environment points elsewhere.
std::string RootOf(const char* variable, const char* standard) {
    const char* root = std::getenv(variable);
    return root != nullptr && *root ? root : standard;
}

std::string DevRoot() {
    return RootOf("KV90T_DEV_ROOT", "/dev");
}

bool IsCharacterDevice(const std::string& path) {
    struct stat info;
    return ::stat(path.c_str(), &info) == 0 && S_ISCHR(info.st_mode);
}

// A ttyS device is listed only with a UART behind it (the kernel reports type 0 otherwise).
bool HasUart(unsigned ttySNumber) {
    std::ifstream type(RootOf("KV90T_SYS_ROOT", "/sys") + "/class/tty/ttyS" +
                       std::to_string(ttySNumber) + "/type");
    int value = 0;
    return static_cast<bool>(type >> value) && value != 0;
}

std::string PortNameOf(const PortName& port) {
    return port.prefix + std::to_string(port.number);
}

int SortRank(const PortName& port) {
    return port.prefix == "COM" ? 0 : port.prefix == "ACM" ? 1 : 2;
}

void AddDeviceFolderPorts(std::vector<PortName>* ports) {
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(SerialDeviceFolder(), ec)) {
        const std::string name = entry.path().filename().string();
        if (name.size() < 4 || name.compare(0, 3, "com") != 0) {
            continue;
        }
        const auto port = ParsePortName(name);
        if (port && IsCharacterDevice(entry.path().string())) {
            ports->push_back(*port);
        }
    }
}

void AddDevPorts(std::vector<PortName>* ports) {
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(DevRoot(), ec)) {
        const std::string name = entry.path().filename().string();
        std::optional<unsigned> number;
        if (name.rfind("ttyS", 0) == 0) {
            number = ParseNumber(std::string_view(name).substr(4));
            if (number && HasUart(*number) && IsCharacterDevice(entry.path().string())) {
                ports->push_back({"COM", *number + 1});
            }
        } else if (name.rfind("ttyUSB", 0) == 0 || name.rfind("ttyACM", 0) == 0) {
            number = ParseNumber(std::string_view(name).substr(6));
            if (number && IsCharacterDevice(entry.path().string())) {
                ports->push_back({name.substr(3, 3), *number});
            }
        }
    }
}

}  // namespace

std::string SerialDeviceFolder() {
    if (const char* folder = std::getenv("KV90T_SERIAL_DIR"); folder != nullptr && *folder) {
        return folder;
    }
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config != nullptr && *config) {
        return std::string(config) + "/kv90t/dosdevices";
    }
    const char* home = std::getenv("HOME");
    return std::string(home != nullptr ? home : "") + "/.config/kv90t/dosdevices";
}

std::string SerialDevicePath(std::string_view portName) {
    const auto port = ParsePortName(portName);
    if (!port) {
        return {};
    }
    if (port->prefix == "COM") {
        const std::string entry = FolderEntry(port->number);
        struct stat info;
        if (::lstat(entry.c_str(), &info) == 0) {
            return entry;
        }
        return DevRoot() + "/ttyS" + std::to_string(port->number - 1);
    }
    return DevRoot() + "/tty" + port->prefix + std::to_string(port->number);
}

std::vector<std::string> EnumerateSerialPorts() {
    std::vector<PortName> ports;
    AddDeviceFolderPorts(&ports);
    AddDevPorts(&ports);
    std::sort(ports.begin(), ports.end(), [](const PortName& a, const PortName& b) {
        return std::pair(SortRank(a), a.number) < std::pair(SortRank(b), b.number);
    });
    std::vector<std::string> names;
    for (const auto& port : ports) {
        std::string name = PortNameOf(port);
        if (name.size() <= kMaxPortNameLength && (names.empty() || names.back() != name)) {
            names.push_back(std::move(name));
        }
    }
    return names;
}

bool RegisterSerialPort(std::string_view portName, const std::string& devicePath) {
    const auto port = ParsePortName(portName);
    if (!port || port->prefix != "COM") {
        errno = EINVAL;
        return false;
    }
    std::error_code ec;
    std::filesystem::create_directories(SerialDeviceFolder(), ec);
    if (ec) {
        errno = ec.value();
        return false;
    }
    const std::string entry = FolderEntry(port->number);
    ::unlink(entry.c_str());
    return ::symlink(devicePath.c_str(), entry.c_str()) == 0;
}

bool UnregisterSerialPort(std::string_view portName) {
    const auto port = ParsePortName(portName);
    if (!port || port->prefix != "COM") {
        errno = EINVAL;
        return false;
    }
    return ::unlink(FolderEntry(port->number).c_str()) == 0;
}

namespace {

// Whether this login holds group `gid` now, as its own or a supplementary group.
bool SessionHasGroup(gid_t gid) {
    if (::getegid() == gid) {
        return true;
    }
    const int count = ::getgroups(0, nullptr);
    std::vector<gid_t> groups(size_t(std::max(count, 0)));
    const int got = ::getgroups(count, groups.data());
    return got > 0 && std::find(groups.begin(), groups.begin() + got, gid) != groups.begin() + got;
}

// Whether the group database lists `user` in `group` (a change that takes effect at the next
// login).
bool ListedInGroup(const group& entry, const std::string& user) {
    for (char** member = entry.gr_mem; member != nullptr && *member != nullptr; ++member) {
        if (user == *member) {
            return true;
        }
    }
    return false;
}

}  // namespace

std::string PortPermissionAdvice(const std::string& devicePath) {
    struct stat info {};
    if (::stat(devicePath.c_str(), &info) != 0) {
        return {};
    }
    const group* entry = ::getgrgid(info.st_gid);
    const passwd* account = ::getpwuid(::geteuid());
    if (entry == nullptr || account == nullptr) {
        return {};
    }
    const std::string name = entry->gr_name;
    const std::string user = account->pw_name;
    const std::string denied = devicePath + ": permission denied. ";
    if (SessionHasGroup(info.st_gid)) {
        return denied + "You are in its group '" + name +
               "', so the port's own permissions refuse it; ask the administrator to check them.";
    }
    if (ListedInGroup(*entry, user) || account->pw_gid == info.st_gid) {
        return denied + "You were added to its group '" + name +
               "', but this login does not have the group yet: log out and in again.";
    }
    return denied + "The port belongs to the group '" + name + "', which the user '" + user +
           "' is not in. Join it with: sudo usermod -aG " + name + " " + user +
           ", then log out and in again.";
}

}  // namespace platform
