#pragma once
// Opening a file with the program the desktop associates with it (xdg-open here), as the
// console's "open" requests do. Tests replace the opener to see what would be opened.

#include <functional>
#include <string>

namespace platform {

// Nonzero when the request was handed on; 0 with the system's error code in `error`.
using ShellOpener = std::function<bool(const std::string& path, int* error)>;

bool ShellOpen(const std::string& path, int* error);
// Installs `opener` in place of xdg-open (an empty one restores it); returns the one before.
ShellOpener SetShellOpener(ShellOpener opener);

}  // namespace platform
