#pragma once
// Millisecond process clock and the 1 ms sleep that every wait of the console is made of.

#include <cstdint>
#include <functional>
#include <string>

namespace platform {

// Milliseconds since the process started, from a monotonic clock (plus every AdvanceClockMs).
uint32_t ProcessClockMs();
// The same in 64 bits, which never wraps.
uint64_t TickCount64();

void SleepMs(uint32_t milliseconds);

// Moves the process clock on at once, so that time-outs and pauses measured on it end early:
// tests fast-forward through a silent device instead of waiting. The listener is told after
// each move (the pauses of the pacing threads wake on it).
void AdvanceClockMs(uint32_t milliseconds);
void SetClockAdvanceListener(void (*listener)());
// How far AdvanceClockMs has moved the clock in all (0 outside tests).
uint64_t AdvancedMs();

// Milliseconds since the epoch, from the system's (wall) clock.
int64_t UtcNowMs();
// "2026-12-10T01:07:38.543Z": an instant in ISO 8601, UTC, to the millisecond.
std::string IsoUtcText(int64_t timeMs);

// The system timer resolution. Sleeps and clocks here already run at 1 ms, so both report
// success (0, TIMERR_NOERROR) for a period of 1 ms and TIMERR_NOCANDO (97) otherwise.
uint32_t TimeBeginPeriod(uint32_t periodMs);
uint32_t TimeEndPeriod(uint32_t periodMs);

// Tests observe sleeps (for example the pacing pauses of a serial write) through this hook;
// it is called with the requested length before each sleep. Pass nullptr to remove it.
void SetSleepObserver(std::function<void(uint32_t)> observer);

}  // namespace platform
