#pragma once
// Fast-forward of the console's clock for tests: time-outs and pauses that run inside the window
// thread's events (where the test's own code cannot run) end early because a thread of its own
// moves the process clock on while the test pumps events.

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

namespace testsupport {

class FastForward {
public:
    // Moves the clock on by `stepMs` every `everyMs` of real time until destroyed, each time
    // `mayStep` allows (for example, between transactions, so that no reply is cut short), and
    // tells `onStep` (which moves a simulated device's manual clock along, say).
    explicit FastForward(uint32_t stepMs, int everyMs = 5, std::function<bool()> mayStep = {},
                         std::function<void(uint32_t)> onStep = {});
    ~FastForward();
    FastForward(const FastForward&) = delete;
    FastForward& operator=(const FastForward&) = delete;

    // A `mayStep` that holds while no transaction is under way.
    static bool BetweenTransactions();

private:
    std::mutex m_mutex;
    std::condition_variable m_stopped;
    bool m_stop = false;
    std::thread m_thread;
};

}  // namespace testsupport
