#pragma once
// Window messages that more than one window handles.

#include <cstdint>

enum : uint32_t {
    // Sent by a page thread after each request message, wParam = that message: the page
    // discards what is left on the device link and says so.
    ID_CHECK_EXTRA_BYTES = 0x437,
    // Posted to the main window by a transfer that wants the channel-status polls stopped.
    UWM_STOP_STATUS_POLLING = 0x617,
};
