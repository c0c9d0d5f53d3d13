#include "platform/pacing_thread.h"

#include <algorithm>
#include <chrono>

#include "platform/clock.h"

namespace platform {
namespace {

// One wake-up for every pause of the process: flag changes and stops are rare.
std::mutex g_pauseMutex;
std::condition_variable g_pauseWake;

}  // namespace

void WakePauses() {
    std::lock_guard lock(g_pauseMutex);
    g_pauseWake.notify_all();
}

PacingThread::PacingThread(std::atomic<int>& run, std::atomic<WindowHandle>& window)
    : m_run(run), m_window(window) {
    SetClockAdvanceListener(&WakePauses);
    m_pacer.m_wake = std::make_shared<Pacer::Wake>();
    m_pacer.m_run = &run;
}

PacingThread::~PacingThread() {
    Stop();
}

void PacingThread::Start(std::function<void(const Pacer&)> body) {
    if (m_thread.joinable()) {
        Stop();
    }
    m_pacer.m_wake->stopping = false;
    m_run = 1;
    std::packaged_task<void()> task([body = std::move(body), pacer = m_pacer] { body(pacer); });
    m_ended = task.get_future();
    m_thread = std::thread(std::move(task));
}

void PacingThread::Publish(WindowHandle target) {
    const WindowHandle previous = m_relay;
    m_relay = target != 0 ? RegisterRelay(target) : 0;
    m_window = m_relay;
    UnregisterWindow(previous);
}

bool PacingThread::Stop(int timeoutMs) {
    m_run = 0;
    m_pacer.m_wake->stopping = true;
    WakePauses();
    Publish(0);
    if (!m_thread.joinable()) {
        return true;
    }
    if (m_ended.wait_for(std::chrono::milliseconds(timeoutMs)) != std::future_status::ready) {
        m_thread.detach();
        return false;
    }
    m_thread.join();
    return true;
}

// The pause is measured on the process clock, so that a clock moved on ends it early; the
// move wakes it through WakePauses.
void Pacer::Pause(int ms, const std::function<bool()>& keepWaiting) const {
    const uint64_t deadline = TickCount64() + static_cast<uint64_t>(std::max(ms, 0));
    const Wake& wake = *m_wake;
    std::unique_lock lock(g_pauseMutex);
    while (!wake.stopping && !(keepWaiting && !keepWaiting())) {
        const uint64_t now = TickCount64();
        if (now >= deadline) {
            return;
        }
        g_pauseWake.wait_for(lock, std::chrono::milliseconds(deadline - now));
    }
}

}  // namespace platform
