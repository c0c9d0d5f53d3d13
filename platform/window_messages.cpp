#include "platform/window_messages.h"

#include <map>
#include <set>

namespace platform {
namespace {

// One SendMessage waiting for its result.
struct PendingCall {
    bool done = false;
    intptr_t result = 0;
};

struct Window {
    MessageHandler handler;
    std::shared_ptr<MessageDelivery> delivery;
    std::set<std::shared_ptr<PendingCall>> pending;
};

std::mutex g_mutex;
std::condition_variable g_finished;
std::map<WindowHandle, Window> g_windows;
WindowHandle g_nextHandle = 0x10000;

// The handler of a registered window, for running outside the lock.
MessageHandler HandlerOf(WindowHandle window) {
    std::lock_guard lock(g_mutex);
    const auto it = g_windows.find(window);
    return it == g_windows.end() ? MessageHandler{} : it->second.handler;
}

void Finish(WindowHandle window, const std::shared_ptr<PendingCall>& call, intptr_t result) {
    std::lock_guard lock(g_mutex);
    call->result = result;
    call->done = true;
    if (const auto it = g_windows.find(window); it != g_windows.end()) {
        it->second.pending.erase(call);
    }
    g_finished.notify_all();
}

}  // namespace

MessageQueue::MessageQueue() : m_owner(std::this_thread::get_id()) {}

void MessageQueue::Post(std::function<void()> call) {
    std::lock_guard lock(m_mutex);
    m_calls.push_back(std::move(call));
    m_arrived.notify_all();
}

bool MessageQueue::OnWindowThread() const {
    return std::this_thread::get_id() == m_owner;
}

int MessageQueue::ProcessMessages(uint32_t idleMs) {
    int processed = 0;
    for (;;) {
        std::function<void()> call;
        {
            std::unique_lock lock(m_mutex);
            if (m_calls.empty() && idleMs > 0) {
                m_arrived.wait_for(lock, std::chrono::milliseconds(idleMs),
                                   [this] { return !m_calls.empty(); });
            }
            if (m_calls.empty()) {
                return processed;
            }
            call = std::move(m_calls.front());
            m_calls.pop_front();
        }
        call();
        ++processed;
    }
}

WindowHandle RegisterWindow(MessageHandler handler, std::shared_ptr<MessageDelivery> delivery) {
    std::lock_guard lock(g_mutex);
    const WindowHandle window = ++g_nextHandle;
    g_windows[window] = {std::move(handler), std::move(delivery), {}};
    return window;
}

void UnregisterWindow(WindowHandle window) {
    std::lock_guard lock(g_mutex);
    const auto it = g_windows.find(window);
    if (it == g_windows.end()) {
        return;
    }
    for (const auto& call : it->second.pending) {
        call->done = true;
        call->result = 0;
    }
    g_windows.erase(it);
    g_finished.notify_all();
}

WindowHandle RegisterRelay(WindowHandle target) {
    std::shared_ptr<MessageDelivery> delivery;
    {
        std::lock_guard lock(g_mutex);
        const auto it = g_windows.find(target);
        if (it == g_windows.end()) {
            return 0;
        }
        delivery = it->second.delivery;
    }
    return RegisterWindow(
        [target](uint32_t message, uintptr_t wParam, intptr_t lParam) {
            const MessageHandler handler = HandlerOf(target);
            return handler ? handler(message, wParam, lParam) : 0;
        },
        std::move(delivery));
}

bool IsWindow(WindowHandle window) {
    std::lock_guard lock(g_mutex);
    return g_windows.count(window) != 0;
}

intptr_t SendMessage(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    std::shared_ptr<MessageDelivery> delivery;
    auto call = std::make_shared<PendingCall>();
    {
        std::lock_guard lock(g_mutex);
        const auto it = g_windows.find(window);
        if (it == g_windows.end()) {
            return 0;
        }
        delivery = it->second.delivery;
        if (!delivery->OnWindowThread()) {
            it->second.pending.insert(call);
        }
    }
    if (delivery->OnWindowThread()) {
        const MessageHandler handler = HandlerOf(window);
        return handler ? handler(message, wParam, lParam) : 0;
    }
    delivery->Post([window, call, message, wParam, lParam] {
        const MessageHandler handler = HandlerOf(window);
        bool wanted = false;
        {
            std::lock_guard lock(g_mutex);
            wanted = !call->done;
        }
        Finish(window, call, handler && wanted ? handler(message, wParam, lParam) : 0);
    });
    std::unique_lock lock(g_mutex);
    g_finished.wait(lock, [&] { return call->done; });
    return call->result;
}

intptr_t PostMessage(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    std::shared_ptr<MessageDelivery> delivery;
    {
        std::lock_guard lock(g_mutex);
        const auto it = g_windows.find(window);
        if (it == g_windows.end()) {
            return 0;
        }
        delivery = it->second.delivery;
    }
    delivery->Post([window, message, wParam, lParam] {
        if (const MessageHandler handler = HandlerOf(window)) {
            handler(message, wParam, lParam);
        }
    });
    return 1;
}

}  // namespace platform
