#include "platform/system_error.h"

#include <cerrno>
#include <cstring>

namespace platform {

uint32_t LastError() {
    return static_cast<uint32_t>(errno);
}

std::string SystemErrorText(uint32_t code) {
    char buffer[256];
    // GNU strerror_r returns the text, which may or may not be in the buffer.
    return strerror_r(static_cast<int>(code), buffer, sizeof buffer);
}

}  // namespace platform
