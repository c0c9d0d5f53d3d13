#include "shell/MetricsFeed.h"

#include "protocol/CKV90T1_Comm.h"
#include "protocol/operational_modes.h"
#include "shell/status_thread.h"

namespace {
// The receiver's name before a device has told its serial number.
constexpr const char* kUnnamed = "kv90t";
}  // namespace

void MetricsFeed::StartUp(const CKV90T1_Comm& comm, bool answered) {
    const std::string serial = comm.m_Identity.serialNumberText;
    const std::string name = answered && !serial.empty() ? serial : kUnnamed;
    if (!m_metrics || m_metrics->Name() != name) {
        m_metrics = std::make_unique<metrics::ReceiverMetrics>(m_registry, name);
    }
    m_up = answered;
    m_metrics->SetUp(answered);
    if (answered) {
        ShowIdentity(comm);
    }
}

void MetricsFeed::ShowIdentity(const CKV90T1_Comm& comm) {
    if (comm.m_Identity.identityRead != 0) {
        m_metrics->SetIdentity(comm.m_Identity, comm.m_Config.hardwareConfigurationId);
    }
    m_metrics->SetMode(comm.m_nOperationalMode);
}

void MetricsFeed::Poll(const CKV90T1_Comm& comm, uint32_t message, bool read, double seconds,
                       bool up) {
    if (!m_metrics) {
        return;
    }
    if (up != m_up) {
        m_up = up;
        m_metrics->SetUp(up);  // down drops every value read; up brings the identity back
        if (up) {
            ShowIdentity(comm);
        }
    }
    m_metrics->CountPoll(read, seconds);
    if (!up) {
        return;
    }
    m_metrics->SetMode(comm.m_nOperationalMode);
    const bool dau = comm.m_nOperationalMode == protocol::kModeDau;
    const int path = message >= UWM_LOCK_STATUS_1
                         ? static_cast<int>(message - UWM_LOCK_STATUS_1)
                         : static_cast<int>(message - UWM_CHANNEL_STATUS_1);
    if (message == UWM_CHANNEL_STATUS_3 && dau) {  // the third poll reads the time in DAU mode
        m_metrics->SetTimeValid(read ? &comm.m_TimeStatus : nullptr);
        return;
    }
    m_metrics->SetPath(path, read ? &comm.m_ChannelStatus[path] : nullptr);
}
