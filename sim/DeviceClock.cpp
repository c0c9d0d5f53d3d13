#include "sim/DeviceClock.h"

#include <algorithm>
#include <chrono>

namespace sim {
namespace {

int64_t SteadyNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

int64_t SystemNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

}  // namespace

YearTime YearTimeOf(int64_t utcNs) {
    YearTime t{};
    const std::time_t seconds = static_cast<std::time_t>(utcNs / 1'000'000'000);
    gmtime_r(&seconds, &t.utc);
    t.yearsSince2000 = static_cast<uint32_t>(t.utc.tm_year + 1900 - 2000) & 0x7F;
    t.secondsOfYear = static_cast<uint32_t>(t.utc.tm_yday * 86400 + t.utc.tm_hour * 3600 +
                                            t.utc.tm_min * 60 + t.utc.tm_sec);
    t.nanoseconds = static_cast<uint32_t>(utcNs % 1'000'000'000);
    return t;
}

WallClock::WallClock() : m_startNs(SteadyNs()) {}

int64_t WallClock::NowMs() const {
    return (SteadyNs() - m_startNs) / 1'000'000;
}

int64_t WallClock::UtcNs() const {
    return SystemNs();
}

int WallClock::WaitHintMs(int64_t dueMs) const {
    return static_cast<int>(std::clamp<int64_t>(dueMs - NowMs(), 0, 60'000));
}

ManualClock::ManualClock() : ManualClock(SystemNs()) {}

ManualClock::ManualClock(int64_t utcStartNs) : m_utcStartNs(utcStartNs) {}

int64_t ManualClock::NowMs() const {
    std::lock_guard lock(m_mutex);
    return m_nowMs;
}

int64_t ManualClock::UtcNs() const {
    std::lock_guard lock(m_mutex);
    return m_utcStartNs + m_nowMs * 1'000'000;
}

void ManualClock::SetOnAdvance(std::function<void()> onAdvance) {
    std::lock_guard lock(m_mutex);
    m_onAdvance = std::move(onAdvance);
}

void ManualClock::Advance(int64_t milliseconds) {
    std::function<void()> onAdvance;
    {
        std::lock_guard lock(m_mutex);
        m_nowMs += std::max<int64_t>(milliseconds, 0);
        onAdvance = m_onAdvance;
    }
    if (onAdvance) {
        onAdvance();
    }
}

}  // namespace sim
