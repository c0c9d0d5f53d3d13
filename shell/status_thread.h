#pragma once
// The main window's status thread: it paces the polls of the status panel and hands each to
// the window thread by a synchronous window message, so that every transaction runs there.

#include <atomic>
#include <cstdint>

#include "pages/page_messages.h"
#include "platform/pacing_thread.h"

enum : uint32_t {
    UWM_CHANNEL_STATUS_1 = 0x5F9,
    UWM_CHANNEL_STATUS_2 = 0x5FA,
    UWM_CHANNEL_STATUS_3 = 0x5FB,
    UWM_LOCK_STATUS_1 = 0x5FC,
    UWM_LOCK_STATUS_2 = 0x5FD,
    UWM_LOCK_STATUS_3 = 0x5FE,
};

// Flags whose change the window thread announces with platform::WakePauses, so that the
// thread's pauses end at once.
extern std::atomic<int> g_bStatusThreadRun;
extern std::atomic<int> g_bPollChannelStatus;  // group A: channel status of the three paths
extern std::atomic<int> g_bPollLockStatus;     // group B: frame-sync and frame-lock status
extern std::atomic<platform::WindowHandle> g_hStatusWnd;

class StatusThread {
public:
    StatusThread() = default;

    void Start();
    // Publishes the window that the polls go to.
    void Publish(platform::WindowHandle window) { m_thread.Publish(window); }
    // Clears the poll flags and the run flag, releases a poll being sent, and waits up to
    // `timeoutMs` for the thread to end; true when it did.
    bool Stop(int timeoutMs);

private:
    static void Run(const platform::Pacer& pacer);

    platform::PacingThread m_thread{g_bStatusThreadRun, g_hStatusWnd};
};
