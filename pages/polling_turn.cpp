#include "pages/polling_turn.h"

#include "pages/page_messages.h"

namespace pages {

void PollingTurn(const platform::Pacer& pacer, const std::atomic<platform::WindowHandle>& window,
                 int pauseMs, const PolledMessage& polled, const std::function<bool()>& wanted) {
    if (!wanted()) {
        return;
    }
    pacer.Pause(pauseMs, wanted);
    if (!wanted()) {
        return;
    }
    platform::SendMessage(window, polled.message, polled.wParam, polled.lParam);
    pacer.Pause(pauseMs, wanted);
    if (wanted()) {
        platform::SendMessage(window, ID_CHECK_EXTRA_BYTES, polled.message, 0);
    }
}

}  // namespace pages
