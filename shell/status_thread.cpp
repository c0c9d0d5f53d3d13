#include "shell/status_thread.h"

std::atomic<int> g_bStatusThreadRun{1};
std::atomic<int> g_bPollChannelStatus{1};
std::atomic<int> g_bPollLockStatus{1};
std::atomic<platform::WindowHandle> g_hStatusWnd{0};

namespace {

// One group: each message is sent while the group's flag is set, then a 100 ms pause that a
// cleared flag cuts short; with the flag clear, a 50 ms idle step instead.
void PollGroup(const platform::Pacer& pacer, const std::atomic<int>& enabled,
               const uint32_t (&messages)[3]) {
    for (uint32_t message : messages) {
        if (enabled) {
            platform::SendMessage(g_hStatusWnd, message);
            pacer.Pause(100, [&] { return enabled != 0; });
        } else {
            pacer.Pause(50);
        }
    }
}

}  // namespace

void StatusThread::Start() {
    m_thread.Start(&StatusThread::Run);
}

bool StatusThread::Stop(int timeoutMs) {
    g_bPollChannelStatus = 0;
    g_bPollLockStatus = 0;
    return m_thread.Stop(timeoutMs);
}

void StatusThread::Run(const platform::Pacer& pacer) {
    static constexpr uint32_t kGroupA[3] = {UWM_CHANNEL_STATUS_1, UWM_CHANNEL_STATUS_2,
                                            UWM_CHANNEL_STATUS_3};
    static constexpr uint32_t kGroupB[3] = {UWM_LOCK_STATUS_1, UWM_LOCK_STATUS_2,
                                            UWM_LOCK_STATUS_3};
    while (pacer.Running()) {
        if (g_hStatusWnd == 0) {
            pacer.Pause(100);
            continue;
        }
        PollGroup(pacer, g_bPollChannelStatus, kGroupA);
        PollGroup(pacer, g_bPollLockStatus, kGroupB);
    }
}
