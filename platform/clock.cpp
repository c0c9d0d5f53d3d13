#include "platform/clock.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <mutex>
#include <thread>

namespace platform {
namespace {

const auto g_start = std::chrono::steady_clock::now();
std::mutex g_observerMutex;
std::function<void(uint32_t)> g_observer;

}  // namespace

uint32_t ProcessClockMs() {
    const auto elapsed = std::chrono::steady_clock::now() - g_start;
    return static_cast<uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
}

uint64_t TickCount64() {
    const auto elapsed = std::chrono::steady_clock::now() - g_start;
    return static_cast<uint64_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
}

void SleepMs(uint32_t milliseconds) {
    {
        std::lock_guard lock(g_observerMutex);
        if (g_observer) {
            g_observer(milliseconds);
        }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
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
