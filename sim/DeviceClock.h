#pragma once
// The simulated device's sense of time. Everything the device does by itself (acquisition and
// lock stepping, tester counts, the time code, sample streams) reads this clock: the wall clock
// when the device runs for real, a manual clock that tests advance, so that they need no
// sleeps. The link's own delays (a reply held back, a late last byte) stay in wall time.

#include <cstdint>
#include <ctime>
#include <functional>
#include <mutex>

namespace sim {

// A UTC time as the device's time words carry it: years since 2000 (7 bits), seconds since
// the start of the year and nanoseconds, with the calendar fields.
struct YearTime {
    std::tm utc;
    uint32_t yearsSince2000;
    uint32_t secondsOfYear;
    uint32_t nanoseconds;
};
YearTime YearTimeOf(int64_t utcNs);

class DeviceClock {
public:
    virtual ~DeviceClock() = default;
    // Milliseconds since the clock started.
    virtual int64_t NowMs() const = 0;
    // The UTC time now, in nanoseconds since 1970.
    virtual int64_t UtcNs() const = 0;
    // How long a server may wait in poll() for a moment `dueMs` of this clock: the time left on
    // a wall clock, -1 (until woken) on a manual one.
    virtual int WaitHintMs(int64_t dueMs) const = 0;
    // Called after the clock moved on by itself being told to (manual clocks).
    virtual void SetOnAdvance(std::function<void()> onAdvance) { (void)onAdvance; }
};

class WallClock : public DeviceClock {
public:
    WallClock();
    int64_t NowMs() const override;
    int64_t UtcNs() const override;
    int WaitHintMs(int64_t dueMs) const override;

private:
    int64_t m_startNs;
};

class ManualClock : public DeviceClock {
public:
    // Starts at 0 ms, with the UTC time of its construction (or `utcStartNs`).
    ManualClock();
    explicit ManualClock(int64_t utcStartNs);
    int64_t NowMs() const override;
    int64_t UtcNs() const override;
    int WaitHintMs(int64_t) const override { return -1; }
    void SetOnAdvance(std::function<void()> onAdvance) override;
    // Moves the clock on and lets the device do what fell due.
    void Advance(int64_t milliseconds);

private:
    mutable std::mutex m_mutex;
    int64_t m_nowMs = 0;
    const int64_t m_utcStartNs;
    std::function<void()> m_onAdvance;
};

}  // namespace sim
