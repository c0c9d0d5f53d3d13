#pragma once
// The page threads' common part: a thread that paces work by sending messages to its window.
// It owns the thread's run flag and published window handle (process-wide atomics whose names
// the rest of the console knows), publishes a relay of the window's handle, and stops in one
// safe order: clear the flag, release the relay so that a blocked sender returns, then a real
// timed join. Its pauses are timed waits that wake at once when the thread is stopped.

#include <atomic>
#include <condition_variable>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/window_messages.h"

namespace platform {

// Wakes every pause so that it looks at its condition again: called after changing a flag that
// a pause waits on, so that the change is noticed at once without pauses polling for it.
void WakePauses();

// What a thread body sees of its thread: the run flag and the pauses. It shares the wake-up
// state with the thread object, so a body that outlives a timed-out stop touches nothing freed.
class Pacer {
public:
    bool Running() const { return m_run->load(std::memory_order_relaxed) != 0; }
    // Waits up to `ms` milliseconds while `keepWaiting` holds; returns early when the thread is
    // stopped, or when `keepWaiting` fails after WakePauses.
    void Pause(int ms, const std::function<bool()>& keepWaiting = {}) const;

private:
    friend class PacingThread;
    struct Wake {
        std::atomic<bool> stopping{false};
    };
    std::shared_ptr<Wake> m_wake;
    std::atomic<int>* m_run;
};

class PacingThread {
public:
    PacingThread(std::atomic<int>& run, std::atomic<WindowHandle>& window);
    ~PacingThread();
    PacingThread(const PacingThread&) = delete;
    PacingThread& operator=(const PacingThread&) = delete;

    // Sets the run flag and starts `body`, which loops while its pacer is running (a thread
    // still running is stopped first, which withdraws its handle).
    void Start(std::function<void(const Pacer&)> body);
    // Publishes a relay of `target` as the thread's window handle (0 withdraws it).
    void Publish(WindowHandle target);
    // Clears the run flag, releases the published handle and waits up to `timeoutMs` for the
    // thread to end; true when it ended (or never ran).
    bool Stop(int timeoutMs = 2000);

    bool Running() const { return m_pacer.Running(); }

private:
    std::atomic<int>& m_run;
    std::atomic<WindowHandle>& m_window;
    Pacer m_pacer;
    WindowHandle m_relay = 0;
    std::thread m_thread;
    std::future<void> m_ended;
};

}  // namespace platform
