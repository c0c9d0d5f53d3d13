#include "platform/pacing_thread.h"

#include <chrono>

namespace platform {

PacingThread::PacingThread(std::atomic<int>& run, std::atomic<WindowHandle>& window)
    : m_run(run), m_window(window) {
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
    {
        std::lock_guard lock(m_pacer.m_wake->mutex);
        m_pacer.m_wake->stopping = false;
    }
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
    {
        std::lock_guard lock(m_pacer.m_wake->mutex);
        m_pacer.m_wake->stopping = true;
    }
    m_pacer.m_wake->stopped.notify_all();
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

void Pacer::Pause(int ms, const std::function<bool()>& keepWaiting) const {
    Wake& wake = *m_wake;
    std::unique_lock lock(wake.mutex);
    for (int step = 0; step < ms && !wake.stopping && (!keepWaiting || keepWaiting()); ++step) {
        wake.stopped.wait_for(lock, std::chrono::milliseconds(1),
                              [&wake] { return wake.stopping; });
    }
}

}  // namespace platform
