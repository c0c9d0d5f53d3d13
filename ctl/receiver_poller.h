#pragma once
// kv90t-ctl serve: one receiver polled from a thread of its own into its Prometheus metrics.

#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "ctl/link.h"
#include "metrics/receiver_metrics.h"

class CKV90T1_Comm;

namespace ctl {

struct ServeTarget {
    std::string name;  // empty: the device's serial number names it
    LinkSpec link;
    std::string text;  // as written
};

// NAME=tcp:HOST[:PORT] or NAME=serial:PORT[@BAUD], NAME= optional; throws UsageError naming
// the target.
ServeTarget ParseServeTarget(const std::string& text);

// Connects (and after a loss reconnects, backing off to a retry every 30 s), reads identity,
// mode, health and which testers run at connect and every minute, and polls the three paths
// (with the time status in DAU mode and the running testers) every 600 ms. Stops and joins
// when destroyed.
class ReceiverPoller {
public:
    static constexpr uint32_t kTurnMs = 600;
    static constexpr uint32_t kSlowReadMs = 60'000;
    static constexpr uint32_t kFirstRetryMs = 1000;
    static constexpr uint32_t kLastRetryMs = 30'000;
    static constexpr int kFailedTurnsDown = 3;
    static constexpr int32_t kPollTimeoutMs = 500;

    // With `limits`, every turn is judged against them and the alarms in force are served.
    ReceiverPoller(ServeTarget target, std::shared_ptr<prometheus::Registry> registry,
                   std::optional<alarms::LimitSet> limits = std::nullopt);
    ~ReceiverPoller();
    ReceiverPoller(const ReceiverPoller&) = delete;
    ReceiverPoller& operator=(const ReceiverPoller&) = delete;

private:
    void Run();
    // Opens the link and reads the mode, which a turn needs.
    bool Connect();
    // Polls every 600 ms from `turnStart` until three turns in a row failed or it stops.
    void PollWhileAnswered(uint32_t turnStart);
    void Disconnect();
    // Identity and hardware configuration, mode, health and the testers that run.
    bool ReadSlowValues();
    // The paths' status, the time in DAU mode and the running testers; false when one failed.
    bool PollTurn();
    bool PollTesters();
    // Names the metrics by the serial number when the target gave no name.
    void NameBySerialNumber();
    // Waits `ms` on the process clock; false when stopping.
    bool Wait(uint32_t ms);

    ServeTarget m_target;
    std::shared_ptr<prometheus::Registry> m_registry;
    std::unique_ptr<metrics::ReceiverMetrics> m_metrics;
    OpenedLink m_link;
    std::unique_ptr<CKV90T1_Comm> m_comm;
    bool m_testerRuns[metrics::kStreams] = {};
    std::optional<alarms::AlarmEngine> m_alarms;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

}  // namespace ctl
