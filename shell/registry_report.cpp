#include "shell/registry_report.h"

#include <cctype>
#include <cstdio>

#include "platform/system_error.h"
#include "ui/MessageBoxes.h"

namespace shell {

void RegistryMessage(const std::string& text) {
    ui::MessageBox(nullptr, text, "Registry Error", ui::MessageIcon::Error);
}

void ReportRegistryFailure(const char* call, long error) {
    std::string meaning = platform::SystemErrorText(static_cast<uint32_t>(error));
    while (!meaning.empty() && std::isspace(static_cast<unsigned char>(meaning.back()))) {
        meaning.pop_back();
    }
    char text[512];
    std::snprintf(text, sizeof text, "%s returned:%lu, Meaning: %s", call,
                  static_cast<unsigned long>(error), meaning.c_str());
    RegistryMessage(text);
}

}  // namespace shell
