#pragma once
// kv90t-ctl: one device conversation per run, from the command line. Usage errors are found
// before the link opens, so bad input sends nothing.

#include <ostream>
#include <string>
#include <vector>

namespace ctl {

enum ExitStatus { kSuccess = 0, kDeviceFailed = 1, kUsageError = 2 };

// Runs kv90t-ctl with `args` (the program name not included); returns the exit status.
int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace ctl
