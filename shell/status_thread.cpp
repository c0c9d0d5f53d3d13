#include "shell/status_thread.h"

#include "platform/clock.h"

std::atomic<int> g_bStatusThreadRun{1};
std::atomic<int> g_bPollChannelStatus{1};
std::atomic<int> g_bPollLockStatus{1};
std::atomic<platform::WindowHandle> g_hStatusWnd{0};

namespace {

// Sleeps in 1 ms steps up to `steps` times while `keepWaiting` holds.
template <typename Condition>
void Wait(int steps, Condition keepWaiting) {
    for (int i = 0; i < steps && keepWaiting(); ++i) {
        platform::SleepMs(1);
    }
}

// One group: each message is sent while the group's flag is set, then a 100 ms pause that a
// cleared flag cuts short; with the flag clear, a 50 ms idle step instead.
void PollGroup(const std::atomic<int>& enabled, const uint32_t (&messages)[3]) {
    for (uint32_t message : messages) {
        if (enabled) {
            platform::SendMessage(g_hStatusWnd, message);
            Wait(100, [&] { return enabled != 0; });
        } else {
            Wait(50, [] { return g_bStatusThreadRun != 0; });
        }
    }
}

}  // namespace

StatusThread::~StatusThread() {
    Stop(2000);
}

void StatusThread::Start() {
    std::packaged_task<void()> task(&StatusThread::Run);
    m_ended = task.get_future();
    m_thread = std::thread(std::move(task));
}

bool StatusThread::Stop(int timeoutMs) {
    g_bStatusThreadRun = 0;
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

void StatusThread::Run() {
    static constexpr uint32_t kGroupA[3] = {UWM_CHANNEL_STATUS_1, UWM_CHANNEL_STATUS_2,
                                            UWM_CHANNEL_STATUS_3};
    static constexpr uint32_t kGroupB[3] = {UWM_LOCK_STATUS_1, UWM_LOCK_STATUS_2,
                                            UWM_LOCK_STATUS_3};
    while (g_bStatusThreadRun) {
        if (g_hStatusWnd == 0) {
            Wait(100, [] { return g_bStatusThreadRun != 0; });
            continue;
        }
        PollGroup(g_bPollChannelStatus, kGroupA);
        PollGroup(g_bPollLockStatus, kGroupB);
    }
}
