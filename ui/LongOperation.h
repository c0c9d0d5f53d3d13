#pragma once
// A long operation on the window thread (a download, a transfer, a conversion) that repaints
// while it waits. While one runs, closing a window asks it to stop instead of tearing the
// window down under it; the window closes once the last operation has ended.

class QWidget;

namespace ui {

class LongOperation {
public:
    LongOperation();
    ~LongOperation();
    LongOperation(const LongOperation&) = delete;
    LongOperation& operator=(const LongOperation&) = delete;

    static bool Running();
    // Whether a window asked to close while operations run; they end as soon as they can.
    static bool StopRequested();
    // For a window's close event: true when an operation runs, in which case the close waits
    // for it and the event is to be ignored.
    static bool DeferClose(QWidget* window);
};

}  // namespace ui
