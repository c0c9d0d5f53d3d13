#include "ctl/receiver_poller.h"

#include <algorithm>

#include "ctl/command.h"
#include "platform/clock.h"
#include "protocol/CKV90T1_Comm.h"
#include "protocol/operational_modes.h"

namespace ctl {
namespace {

constexpr int kConnectTimeoutMs = 2000;
constexpr uint32_t kWaitSliceMs = 100;

double SecondsSince(uint32_t startMs) {
    return (platform::ProcessClockMs() - startMs) / 1000.0;
}

// The device does not report a tester's setup: one runs when it counts, locks or has a rate.
bool TesterRuns(const protocol::BertStream& b) {
    return b.locked != 0 || b.bitCount > 0 || b.values[1] != 0;
}

}  // namespace

ServeTarget ParseServeTarget(const std::string& text) {
    ServeTarget target;
    target.text = text;
    std::string link = text;
    const size_t equals = text.find('=');
    if (equals != std::string::npos) {
        target.name = text.substr(0, equals);
        link = text.substr(equals + 1);
        if (target.name.empty()) {
            throw UsageError("target '" + text + "' has an empty name before '='");
        }
    }
    const std::string what = "target '" + text + "'";
    if (link.rfind("tcp:", 0) == 0) {
        ParseHostPort(link.substr(4), what, &target.link);
    } else if (link.rfind("serial:", 0) == 0) {
        ParsePortRate(link.substr(7), what, &target.link);
    } else {
        throw UsageError(what + " needs [NAME=]tcp:HOST[:PORT] or [NAME=]serial:PORT[@BAUD]");
    }
    return target;
}

ReceiverPoller::ReceiverPoller(ServeTarget target, std::shared_ptr<prometheus::Registry> registry,
                               std::optional<alarms::LimitSet> limits)
    : m_target(std::move(target)), m_registry(std::move(registry)) {
    if (limits) {
        m_alarms.emplace();
        m_alarms->SetLimits(std::move(*limits), platform::UtcNowMs());
    }
    m_metrics = std::make_unique<metrics::ReceiverMetrics>(
        m_registry, m_target.name.empty() ? m_target.text : m_target.name);
    m_metrics->SetUp(false);
    m_thread = std::thread([this] { Run(); });
}

ReceiverPoller::~ReceiverPoller() {
    m_stop = true;
    m_thread.join();
}

void ReceiverPoller::Run() {
    uint32_t retryMs = kFirstRetryMs;
    while (!m_stop) {
        const uint32_t start = platform::ProcessClockMs();
        // Up only once a whole turn was read (nothing it read is shown while down); the slow
        // values are read once up, so that they are shown.
        const bool connected = Connect() && PollTurn();
        m_metrics->CountPoll(connected, SecondsSince(start));
        if (!connected) {
            Disconnect();
            if (!Wait(retryMs)) {
                return;
            }
            retryMs = std::min(retryMs * 2, kLastRetryMs);
            continue;
        }
        retryMs = kFirstRetryMs;
        m_metrics->SetUp(true);
        if (ReadSlowValues()) {
            PollWhileAnswered(platform::ProcessClockMs() - kTurnMs);
        }
        m_metrics->SetUp(false);
        Disconnect();
    }
}

void ReceiverPoller::PollWhileAnswered(uint32_t turnStart) {
    uint32_t slowReadMs = turnStart;
    int failedTurns = 0;
    while (failedTurns < kFailedTurnsDown &&
           Wait(kTurnMs - std::min(kTurnMs, platform::ProcessClockMs() - turnStart))) {
        turnStart = platform::ProcessClockMs();
        if (turnStart - slowReadMs >= kSlowReadMs) {
            slowReadMs = turnStart;
            ReadSlowValues();
        }
        const bool read = PollTurn();
        m_metrics->CountPoll(read, SecondsSince(turnStart));
        const auto* tcp = dynamic_cast<const CNetworkDeviceComm*>(m_link.link.get());
        // A closed connection is a lost device at once; silence only after three turns.
        if (read) {
            failedTurns = 0;
        } else {
            failedTurns = tcp != nullptr && tcp->PeerClosed() ? kFailedTurnsDown : failedTurns + 1;
        }
    }
}

bool ReceiverPoller::Connect() {
    m_link = OpenLink(m_target.link, kConnectTimeoutMs);
    if (m_link.link->IsLinkGood() == 0) {
        return false;
    }
    m_comm = std::make_unique<CKV90T1_Comm>(m_link.link.get());
    CKV90T1_Comm::ShorterTimeout timeout(*m_comm, kPollTimeoutMs);
    return m_comm->ReadOperationalMode() != 0;
}

void ReceiverPoller::Disconnect() {
    m_comm.reset();
    m_link = {};
}

bool ReceiverPoller::ReadSlowValues() {
    CKV90T1_Comm::ShorterTimeout timeout(*m_comm, kPollTimeoutMs);
    if (m_comm->ReadOperationalMode() == 0 || m_comm->ReadDeviceIdentity() == 0) {
        return false;
    }
    NameBySerialNumber();
    const bool configuration = m_comm->ReadDeviceConfiguration() != 0;
    m_metrics->SetIdentity(m_comm->m_Identity,
                           configuration ? m_comm->m_Config.hardwareConfigurationId : 0);
    m_metrics->SetMode(m_comm->m_nOperationalMode);
    m_metrics->SetHealth(m_comm->ReadPhysicalValues() != 0 ? &m_comm->m_System : nullptr);
    for (int stream = 0; stream < metrics::kStreams; ++stream) {
        const bool read = m_comm->ReadBertStatus(stream / 2, stream % 2) != 0;
        m_testerRuns[stream] = read && TesterRuns(m_comm->m_Bert[stream]);
        m_metrics->SetTester(stream, m_testerRuns[stream] ? &m_comm->m_Bert[stream] : nullptr);
    }
    return true;
}

bool ReceiverPoller::PollTurn() {
    CKV90T1_Comm::ShorterTimeout timeout(*m_comm, kPollTimeoutMs);
    bool read = true;
    for (int path = 0; path < metrics::kPaths; ++path) {
        // After a failure the rest of the turn is not asked: each would wait out its time-out.
        read =
            read && m_comm->ReadChannelStatus(path) != 0 && m_comm->ReadFrameSyncStatus(path) != 0;
        m_metrics->SetPath(path, read ? &m_comm->m_ChannelStatus[path] : nullptr);
        if (m_alarms) {
            m_alarms->Evaluate(path, read ? &m_comm->m_ChannelStatus[path] : nullptr,
                               platform::UtcNowMs());
        }
    }
    if (m_alarms) {
        m_alarms->EvaluateAnswer(read, platform::UtcNowMs());
        m_metrics->SetAlarms(m_alarms->Alarms());
    }
    if (read && m_comm->m_nOperationalMode == protocol::kModeDau) {
        const bool time = m_comm->ReadTimeStatus() != 0;
        m_metrics->SetTimeValid(time ? &m_comm->m_TimeStatus : nullptr);
        read = time;
    } else {
        m_metrics->SetTimeValid(nullptr);
    }
    return read && PollTesters();
}

bool ReceiverPoller::PollTesters() {
    for (int stream = 0; stream < metrics::kStreams; ++stream) {
        if (!m_testerRuns[stream]) {
            continue;
        }
        const bool read = m_comm->ReadBertStatus(stream / 2, stream % 2) != 0;
        m_metrics->SetTester(stream, read ? &m_comm->m_Bert[stream] : nullptr);
        if (!read) {
            return false;
        }
    }
    return true;
}

void ReceiverPoller::NameBySerialNumber() {
    const std::string serial = m_comm->m_Identity.serialNumberText;
    if (!m_target.name.empty() || serial.empty() || serial == m_metrics->Name()) {
        return;
    }
    m_metrics = std::make_unique<metrics::ReceiverMetrics>(m_registry, serial);
    m_metrics->SetUp(true);  // read while up
}

bool ReceiverPoller::Wait(uint32_t ms) {
    const uint32_t start = platform::ProcessClockMs();
    while (!m_stop) {
        const uint32_t spent = platform::ProcessClockMs() - start;
        if (spent >= ms) {
            return true;
        }
        platform::SleepMs(std::min(ms - spent, kWaitSliceMs));
    }
    return false;
}

}  // namespace ctl
