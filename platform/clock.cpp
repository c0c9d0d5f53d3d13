#include "platform/clock.h"

#include <sys/prctl.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <ctime>
#include <mutex>

namespace platform {
namespace {

const auto g_start = std::chrono::steady_clock::now();
std::atomic<int64_t> g_advancedMs{0};
std::atomic<void (*)()> g_advanceListener{nullptr};
std::mutex g_clockMutex;
std::condition_variable g_clockMoved;
std::mutex g_observerMutex;
std::function<void(uint32_t)> g_observer;

}  // namespace

uint32_t ProcessClockMs() {
    return static_cast<uint32_t>(TickCount64());
}

uint64_t TickCount64() {
    const auto elapsed = std::chrono::steady_clock::now() - g_start;
    return static_cast<uint64_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count() + g_advancedMs);
}

void AdvanceClockMs(uint32_t milliseconds) {
    {
        std::lock_guard lock(g_clockMutex);
        g_advancedMs += milliseconds;
    }
    g_clockMoved.notify_all();
    if (auto* listener = g_advanceListener.load()) {
        listener();
    }
}

uint64_t AdvancedMs() {
    return static_cast<uint64_t>(g_advancedMs.load());
}

void SetClockAdvanceListener(void (*listener)()) {
    g_advanceListener = listener;
}

// Sleeps until the process clock reaches the end, so that a clock moved on ends it early.
void SleepMs(uint32_t milliseconds) {
    {
        std::lock_guard lock(g_observerMutex);
        if (g_observer) {
            g_observer(milliseconds);
        }
    }
    // A sleep ends when asked, not up to the default 50 us later: paced writes are made of them.
    [[maybe_unused]] static thread_local const bool precise = ::prctl(PR_SET_TIMERSLACK, 1UL) == 0;
    const uint64_t end = TickCount64() + milliseconds;
    std::unique_lock lock(g_clockMutex);
    for (uint64_t now = TickCount64(); now < end; now = TickCount64()) {
        g_clockMoved.wait_for(lock, std::chrono::milliseconds(end - now));
    }
}

int64_t UtcNowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

std::string IsoUtcText(int64_t timeMs) {
    const std::time_t seconds = timeMs / 1000;
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", utc.tm_year + 1900,
                  utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec,
                  int(timeMs % 1000));
    return text;
}

uint32_t TimeBeginPeriod(uint32_t periodMs) {
    return periodMs >= 1 ? 0 : 97;
}

uint32_t TimeEndPeriod(uint32_t periodMs) {
    return periodMs >= 1 ? 0 : 97;
}

void SetSleepObserver(std::function<void(uint32_t)> observer) {
    std::lock_guard lock(g_observerMutex);
    g_observer = std::move(observer);
}

}  // namespace platform
