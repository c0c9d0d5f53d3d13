#pragma once
// Window handles and message delivery. A window registers as a message target and gets a
// handle; SendMessage runs the target's handler on the target's thread and waits for its
// result, PostMessage queues it. A handle that is no longer registered makes both return 0 at
// once, and unregistering releases a sender that is waiting, so a closing window never waits on
// its own worker threads.

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace platform {

using WindowHandle = uintptr_t;  // 0: no window
using MessageHandler = std::function<intptr_t(uint32_t message, uintptr_t wParam, intptr_t lParam)>;

// How calls reach a window's thread.
class MessageDelivery {
public:
    virtual ~MessageDelivery() = default;
    // Queues a call to run on the window's thread.
    virtual void Post(std::function<void()> call) = 0;
    virtual bool OnWindowThread() const = 0;
};

// A plain delivery for code without a GUI: the thread that created it runs the queued calls
// when it calls ProcessMessages.
class MessageQueue : public MessageDelivery {
public:
    MessageQueue();
    void Post(std::function<void()> call) override;
    bool OnWindowThread() const override;
    // Runs queued calls until none arrives for `idleMs` milliseconds (0: only those queued now).
    int ProcessMessages(uint32_t idleMs = 0);

private:
    const std::thread::id m_owner;
    std::mutex m_mutex;
    std::condition_variable m_arrived;
    std::deque<std::function<void()>> m_calls;
};

WindowHandle RegisterWindow(MessageHandler handler, std::shared_ptr<MessageDelivery> delivery);
void UnregisterWindow(WindowHandle window);
// A handle of its own whose messages reach `target`'s handler on `target`'s thread, so that
// unregistering it releases the senders that use it without touching `target`; 0 when
// `target` is not registered.
WindowHandle RegisterRelay(WindowHandle target);
bool IsWindow(WindowHandle window);

intptr_t SendMessage(WindowHandle window, uint32_t message, uintptr_t wParam = 0,
                     intptr_t lParam = 0);
// Returns nonzero when the message was queued.
intptr_t PostMessage(WindowHandle window, uint32_t message, uintptr_t wParam = 0,
                     intptr_t lParam = 0);

}  // namespace platform
