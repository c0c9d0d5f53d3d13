#pragma once
// The "Registry Error" boxes of the saved-settings code.

#include <string>

#include "platform/settings_store.h"

namespace shell {

// The key of the saved connection settings under HKEY_LOCAL_MACHINE.
constexpr const char* kRegistryKey = platform::kConsoleSettingsKey;

// Shows `text` in a box titled "Registry Error" with an error icon and no owner.
void RegistryMessage(const std::string& text);
// Shows the failure of a settings call: its name, " returned:%lu, Meaning: %s".
void ReportRegistryFailure(const char* call, long error);

}  // namespace shell
