#pragma once
// Stand-in for the debugger output channel: every diagnostic line of the console goes
// through DebugOutput. Lines reach stderr when KV90T_DEBUG is set; tests capture them.

#include <string>
#include <string_view>

namespace platform {

void DebugOutput(std::string_view text);
void DebugPrintf(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Collects everything written to the debug output while it lives (one capture at a time).
class DebugCapture {
public:
    DebugCapture();
    ~DebugCapture();
    DebugCapture(const DebugCapture&) = delete;
    DebugCapture& operator=(const DebugCapture&) = delete;

    std::string Text() const;
    void Clear();
};

}  // namespace platform
