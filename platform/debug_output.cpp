#include "platform/debug_output.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace platform {
namespace {

std::mutex g_mutex;
std::string* g_capture = nullptr;

bool StderrEnabled() {
    static const bool enabled = std::getenv("KV90T_DEBUG") != nullptr;
    return enabled;
}

}  // namespace

void DebugOutput(std::string_view text) {
    std::lock_guard lock(g_mutex);
    if (g_capture != nullptr) {
        g_capture->append(text);
    }
    if (StderrEnabled()) {
        std::fwrite(text.data(), 1, text.size(), stderr);
    }
}

void DebugPrintf(const char* format, ...) {
    char buffer[1024];
    va_list args;
    va_start(args, format);
    const int length = std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    if (length > 0) {
        DebugOutput(std::string_view(buffer, std::min<size_t>(length, sizeof buffer - 1)));
    }
}

DebugCapture::DebugCapture() {
    std::lock_guard lock(g_mutex);
    g_capture = new std::string;
}

DebugCapture::~DebugCapture() {
    std::lock_guard lock(g_mutex);
    delete g_capture;
    g_capture = nullptr;
}

std::string DebugCapture::Text() const {
    std::lock_guard lock(g_mutex);
    return *g_capture;
}

void DebugCapture::Clear() {
    std::lock_guard lock(g_mutex);
    g_capture->clear();
}

}  // namespace platform
