#pragma once
// The system's error code of the calling thread and its message text.

#include <cstdint>
#include <string>

namespace platform {

uint32_t LastError();
std::string SystemErrorText(uint32_t code);

}  // namespace platform
