#pragma once
// Window messages delivered onto the window thread. The calls wait in a queue of the
// console's own, guarded by a standard mutex, and an event descriptor wakes Qt's event loop to
// run them: nothing but a counter crosses threads through Qt, so every hand-over is one that
// thread checkers can see.

#include "platform/window_messages.h"

namespace ui {

class QtDelivery : public platform::MessageDelivery {
public:
    // Constructed on the window thread (the first one sets up the queue there).
    QtDelivery();
    void Post(std::function<void()> call) override;
    bool OnWindowThread() const override;
};

// While one lives, window messages wait in the queue instead of running, so that events
// handled while a long operation repaints cannot start a transaction inside it. They run once
// the last hold ends. Window thread only.
class MessageHold {
public:
    MessageHold();
    ~MessageHold();
    MessageHold(const MessageHold&) = delete;
    MessageHold& operator=(const MessageHold&) = delete;
};

}  // namespace ui
