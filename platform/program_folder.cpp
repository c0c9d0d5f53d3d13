#include "platform/program_folder.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace platform {
namespace {

std::string WithSlash(std::string folder) {
    if (folder.empty() || folder.back() != '/') {
        folder += '/';
    }
    return folder;
}

std::string ExecutableFolder() {
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : exe.parent_path().string();
}

}  // namespace

std::string UserDataFolder() {
    if (const char* data = std::getenv("XDG_DATA_HOME"); data != nullptr && *data) {
        return std::string(data) + "/kv90t";
    }
    const char* home = std::getenv("HOME");
    return std::string(home != nullptr ? home : "") + "/.local/share/kv90t";
}

std::string DataFolderProblem(const std::string& folder) {
    if (folder.empty()) {
        return "no folder named";
    }
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec && ec != std::errc::file_exists && ec != std::errc::not_a_directory) {
        return ec.message();
    }
    if (!std::filesystem::is_directory(folder, ec)) {
        return "not a folder";
    }
    if (::access(folder.c_str(), W_OK | X_OK) != 0) {
        return std::strerror(errno);
    }
    return {};
}

std::string ProgramFolder(const std::string& chosen) {
    std::string folder = chosen;
    if (folder.empty()) {
        folder = ExecutableFolder();
        if (folder.empty() || ::access(folder.c_str(), W_OK) != 0) {
            folder = UserDataFolder();
        }
    }
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    return WithSlash(folder);
}

}  // namespace platform
