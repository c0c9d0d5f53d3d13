#include "sim/SimDevice.h"

#include <algorithm>

namespace sim {

namespace {
constexpr uint16_t kNullCommand = 0x0000;
}

Fault MakeFault(FaultKind kind, uint32_t parameter) {
    Fault fault;
    fault.kind = kind;
    if (kind == FaultKind::LateLastByte) {
        fault.delayMs = parameter;
    } else if (kind == FaultKind::ExtraBytes || kind == FaultKind::LeadingNoise) {
        fault.extraBytes = static_cast<uint16_t>(parameter);
    } else if (kind == FaultKind::ShortReply && parameter != 0) {
        fault.missingBytes = static_cast<uint16_t>(parameter);
    }
    return fault;
}

SimDevice::SimDevice() {
    SetCommand(kNullCommand, [](const Frame&) { return std::vector<uint8_t>{}; });
}

void SimDevice::SetCommand(uint16_t code, Handler handler) {
    std::lock_guard lock(m_mutex);
    m_commands[code] = std::move(handler);
}

void SimDevice::SetReplyDelay(uint16_t code, uint32_t delayMs) {
    std::lock_guard lock(m_mutex);
    m_replyDelays[code] = delayMs;
}

Response SimDevice::Handle(const Frame& request) {
    Response response = Respond(request);
    if (response.bytes.empty() && !response.dropConnection) {
        std::function<void()> onSilence;
        {
            std::lock_guard lock(m_mutex);
            onSilence = m_onSilence;
        }
        if (onSilence) {
            onSilence();
        }
    }
    return response;
}

void SimDevice::SetOnSilence(std::function<void()> onSilence) {
    std::lock_guard lock(m_mutex);
    m_onSilence = std::move(onSilence);
}

Response SimDevice::Respond(const Frame& request) {
    Handler handler;
    {
        std::lock_guard lock(m_mutex);
        m_history.push_back(request);
        if (m_history.size() > kHistoryLength) {
            m_history.pop_front();
        }
        const auto command = m_commands.find(request.code);
        if (command == m_commands.end()) {
            return {};
        }
        handler = command->second;
    }
    const auto payload = handler(request);
    if (!payload) {
        return {};
    }
    std::lock_guard lock(m_mutex);
    Response response;
    response.bytes = EncodeFrame(request.code, *payload);
    if (const auto delay = m_replyDelays.find(request.code); delay != m_replyDelays.end()) {
        response.replyDelayMs = delay->second;
    }
    if (const auto fault = TakeFault(request)) {
        ApplyFault(*fault, &response);
    }
    return response;
}

std::optional<Fault> SimDevice::TakeFault(const Frame& request) {
    const uint16_t code = request.code;
    for (auto it = m_faults.begin(); it != m_faults.end(); ++it) {
        if (it->code && *it->code != code) {
            continue;
        }
        if (it->firstPayloadByte &&
            (request.payload.empty() || request.payload[0] != *it->firstPayloadByte)) {
            continue;
        }
        if (it->kind == FaultKind::WrongNullReply && code != kNullCommand) {
            continue;
        }
        if (it->skip > 0) {
            --it->skip;
            return std::nullopt;
        }
        const Fault fault = *it;
        if (it->count > 0 && --it->count == 0) {
            m_faults.erase(it);
        }
        return fault;
    }
    return std::nullopt;
}

void SimDevice::ApplyFault(const Fault& fault, Response* response) {
    switch (fault.kind) {
        case FaultKind::NoReply:
            response->bytes.clear();
            break;
        case FaultKind::ShortReply:
            response->bytes.resize(response->bytes.size() -
                                   std::min<size_t>(fault.missingBytes, response->bytes.size()));
            break;
        case FaultKind::LateLastByte:
            response->delayedTail = 1;
            response->delayMs = fault.delayMs;
            break;
        case FaultKind::ExtraBytes:
            for (uint16_t i = 0; i < fault.extraBytes; ++i) {
                response->bytes.push_back(static_cast<uint8_t>(0xA5 ^ i));
            }
            break;
        case FaultKind::LeadingNoise:
            for (uint16_t i = 0; i < fault.extraBytes; ++i) {
                response->bytes.insert(response->bytes.begin() + i, static_cast<uint8_t>(0x5A ^ i));
            }
            break;
        case FaultKind::WrongNullReply:
            response->bytes[5] = 0x01;
            break;
        case FaultKind::DropConnection:
            response->bytes.clear();
            response->dropConnection = true;
            break;
    }
}

void SimDevice::InjectFault(const Fault& fault) {
    std::lock_guard lock(m_mutex);
    m_faults.push_back(fault);
}

void SimDevice::ClearFaults() {
    std::lock_guard lock(m_mutex);
    m_faults.clear();
}

void SimDevice::SetActivity(Activity activity) {
    std::lock_guard lock(m_mutex);
    m_activity = std::move(activity);
}

int SimDevice::RunActivity() {
    Activity activity;
    {
        std::lock_guard lock(m_mutex);
        activity = m_activity;
    }
    return activity ? activity() : -1;
}

std::vector<Frame> SimDevice::ReceivedFrames() const {
    std::lock_guard lock(m_mutex);
    return {m_history.begin(), m_history.end()};
}

void SimDevice::ClearReceivedFrames() {
    std::lock_guard lock(m_mutex);
    m_history.clear();
}

}  // namespace sim
