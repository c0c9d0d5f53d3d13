#pragma once
// Millisecond process clock and the 1 ms sleep that every wait of the console is made of.

#include <cstdint>
#include <functional>

namespace platform {

// Milliseconds since the process started, from a monotonic clock.
uint32_t ProcessClockMs();

void SleepMs(uint32_t milliseconds);

// Tests observe sleeps (for example the pacing pauses of a serial write) through this hook;
// it is called with the requested length before each sleep. Pass nullptr to remove it.
void SetSleepObserver(std::function<void(uint32_t)> observer);

}  // namespace platform
