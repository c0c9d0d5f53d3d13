#pragma once
// The folder where the console writes sampling files, conversions and downloads: the folder of
// the running executable, or, when that is not writable, a per-user data folder.

#include <string>

namespace platform {

// `chosen`, when not empty, wins (--data-dir). The folder is created when missing; the text ends
// with "/".
std::string ProgramFolder(const std::string& chosen = {});

// Creates `folder` when it is missing; empty when it is then a folder the console can write
// into, else the reason it is not ("not a folder", or the system's error text).
std::string DataFolderProblem(const std::string& folder);

// $XDG_DATA_HOME/kv90t (~/.local/share/kv90t).
std::string UserDataFolder();

}  // namespace platform
