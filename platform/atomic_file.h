#pragma once
// Replaces a file's contents all at once: written beside it, synced, then renamed over it, so
// that a crash or a full disk leaves either the old file or the new one, never a mixture.

#include <string>

namespace platform {

// Writes `contents` to `path` (following symbolic links, so a link stays a link, and keeping
// the mode of a file it replaces); 0 or the system's error code. `beforeRename`, when set, runs
// once the new contents are on disk.
long ReplaceFile(const std::string& path, const std::string& contents,
                 void (*beforeRename)() = nullptr);

}  // namespace platform
