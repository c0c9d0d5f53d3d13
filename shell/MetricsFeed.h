#pragma once
// The console's own polls as the Prometheus metrics of its receiver (--metrics): after each
// poll the window makes anyway it copies what the protocol object read, and sends nothing.

#include <cstdint>
#include <memory>

#include "metrics/receiver_metrics.h"

class CKV90T1_Comm;

class MetricsFeed {
public:
    explicit MetricsFeed(std::shared_ptr<prometheus::Registry> registry)
        : m_registry(std::move(registry)) {}

    // After the start-up reads: names the receiver by its serial number, shows its identity.
    void StartUp(const CKV90T1_Comm& comm, bool answered);
    // One status poll (a status thread message), whether it read, how long it took, and
    // whether the device is taken as answering.
    void Poll(const CKV90T1_Comm& comm, uint32_t message, bool read, double seconds, bool up);

private:
    void ShowIdentity(const CKV90T1_Comm& comm);

    std::shared_ptr<prometheus::Registry> m_registry;
    std::unique_ptr<metrics::ReceiverMetrics> m_metrics;
    bool m_up = false;
};
