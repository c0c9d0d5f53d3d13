#include "platform/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

namespace platform {
namespace {

namespace fs = std::filesystem;

long WriteWhole(int fd, const std::string& bytes) {
    for (size_t written = 0; written < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return errno;
        }
        written += static_cast<size_t>(n);
    }
    return 0;
}

// The file a path names once its symbolic links are followed, so that a rewrite replaces the
// target in its own folder and the link stays a link.
std::string FollowLinks(std::string path) {
    for (int hops = 0; hops < 40; ++hops) {
        std::error_code ec;
        if (!fs::is_symlink(path, ec)) {
            break;
        }
        const fs::path target = fs::read_symlink(path, ec);
        if (ec) {
            break;
        }
        path = target.is_absolute() ? target.string()
                                    : (fs::path(path).parent_path() / target).string();
    }
    return path;
}

// A hidden name beside the target: never taken for the file itself, and replaced (so cleaned
// up) by the next rewrite when a killed one left it behind.
std::string TemporaryFor(const std::string& target) {
    const fs::path path(target);
    return (path.parent_path() / ("." + path.filename().string() + ".tmp")).string();
}

}  // namespace

long ReplaceFile(const std::string& path, const std::string& contents, void (*beforeRename)()) {
    const std::string target = FollowLinks(path);
    const std::string temporary = TemporaryFor(target);
    struct stat existing {};
    const bool replacing = ::stat(target.c_str(), &existing) == 0;
    ::unlink(temporary.c_str());
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
        return errno;
    }
    long error = WriteWhole(fd, contents);
    if (error == 0 && replacing && ::fchmod(fd, existing.st_mode & 07777) != 0) {
        error = errno;
    }
    if (error == 0 && ::fsync(fd) != 0) {
        error = errno;
    }
    if (::close(fd) != 0 && error == 0) {
        error = errno;
    }
    if (error == 0 && beforeRename != nullptr) {
        beforeRename();
    }
    if (error == 0 && ::rename(temporary.c_str(), target.c_str()) != 0) {
        error = errno;
    }
    if (error != 0) {
        ::unlink(temporary.c_str());
    }
    return error;
}

}  // namespace platform
