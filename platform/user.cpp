#include "platform/user.h"

#include <pwd.h>
#include <unistd.h>

#include <vector>

namespace platform {

std::string UserName() {
    const uid_t uid = ::geteuid();
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr &&
        found->pw_name != nullptr && *found->pw_name != '\0') {
        return found->pw_name;
    }
    return std::to_string(uid);
}

}  // namespace platform
