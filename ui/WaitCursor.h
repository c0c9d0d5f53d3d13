#pragma once
// Shows the wait cursor while it lives; and the one way a long operation lets the windows
// repaint while the operator's input waits.

#include <QApplication>

#include "platform/clock.h"
#include "ui/QtDelivery.h"

namespace ui {

class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

// Runs the pending events except operator input, socket notifications and window messages
// (which wait for the operation to end), so that windows repaint and nothing else interleaves.
inline void RepaintHoldingInput() {
    const MessageHold hold;
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents |
                                    QEventLoop::ExcludeSocketNotifiers);
}

// Waits `ms` milliseconds of the process clock, repainting as it goes.
inline void RepaintFor(int ms) {
    const uint64_t until = platform::TickCount64() + static_cast<uint64_t>(ms);
    while (platform::TickCount64() < until) {
        RepaintHoldingInput();
        platform::SleepMs(5);
    }
}

}  // namespace ui
