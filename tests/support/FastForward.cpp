#include "tests/support/FastForward.h"

#include <chrono>
#include <utility>

#include "platform/clock.h"
#include "protocol/CKV90T1_Comm.h"

namespace testsupport {

FastForward::FastForward(uint32_t stepMs, int everyMs, std::function<bool()> mayStep,
                         std::function<void(uint32_t)> onStep) {
    m_thread = std::thread(
        [this, stepMs, everyMs, mayStep = std::move(mayStep), onStep = std::move(onStep)] {
            std::unique_lock lock(m_mutex);
            while (!m_stopped.wait_for(lock, std::chrono::milliseconds(everyMs),
                                       [this] { return m_stop; })) {
                if (!mayStep || mayStep()) {
                    platform::AdvanceClockMs(stepMs);
                    if (onStep) {
                        onStep(stepMs);
                    }
                }
            }
        });
}

bool FastForward::BetweenTransactions() {
    return CKV90T1_Comm::TransactionsInFlight() == 0;
}

FastForward::~FastForward() {
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_stopped.notify_all();
    m_thread.join();
}

}  // namespace testsupport
