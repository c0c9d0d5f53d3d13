#pragma once
// The page threads' polling turn: one request message to the page, and the check for stray
// bytes that its transaction may have left on the link.

#include <atomic>
#include <cstdint>
#include <functional>

#include "platform/pacing_thread.h"

namespace pages {

struct PolledMessage {
    uint32_t message;
    uintptr_t wParam = 0;
    intptr_t lParam = 0;
};

// A pause of `pauseMs`, the message, another pause, then ID_CHECK_EXTRA_BYTES naming the
// message. While `wanted` fails the pauses end at once and the rest of the turn is skipped.
void PollingTurn(const platform::Pacer& pacer, const std::atomic<platform::WindowHandle>& window,
                 int pauseMs, const PolledMessage& polled, const std::function<bool()>& wanted);

}  // namespace pages
