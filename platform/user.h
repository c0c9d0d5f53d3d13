#pragma once
// Who runs the program, for records of what an operator did.

#include <string>

namespace platform {

// The operating-system user's login name; the numeric user id when it has no name.
std::string UserName();

}  // namespace platform
