#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "link/CBaseClass.h"
#include "platform/clock.h"
#include "platform/debug_output.h"
#include "protocol/CKV90T1_Comm.h"

namespace {

constexpr uint16_t kNullCommand = 0x0000;
constexpr uint32_t kWaitReportMs = 50;  // how often a waiting transaction calls m_WhileWaiting
constexpr uint8_t kExpectedNullReply[CKV90T1_Comm::kHeaderLength] = {0x28, 0, 0, 0, 0, 0};

void LogLongTimeout(uint16_t code, uint16_t requestLength, uint16_t replyLength,
                    const uint8_t* reply, uint16_t received) {
    platform::DebugPrintf("***** CKV90T1_Comm::SendCommandLongTimeout(0x%4.4X, %u, %u) failed.\r\n",
                          code, requestLength, replyLength);
    platform::DebugPrintf("***** Number of Bytes Received: %u.\r\n", received);
    std::string values = "***** Values:";
    char byteText[8];
    for (uint16_t i = 0; i < received; ++i) {
        std::snprintf(byteText, sizeof byteText, " 0x%2.2X", reply[i]);
        values += byteText;
    }
    values += "\r\n";
    platform::DebugOutput(values);
}

}  // namespace

CKV90T1_Comm::CKV90T1_Comm(CBaseClass* deviceLink) : m_pDeviceLink(deviceLink) {
    m_OutputSetup[2].parameter[4] = 27;
    m_OutputData[1].selector = 1;
    m_OutputData[2].selector = 4;
}

CKV90T1_Comm::~CKV90T1_Comm() = default;

CBaseClass* CKV90T1_Comm::GetDeviceLink() {
    return m_pDeviceLink;
}

// One transaction at a time: a second one started while the first waits (from a window message
// handled during a repaint, say) would read the first one's reply as its own. It is refused
// before anything is written, logged and counted.
CKV90T1_Comm::Outcome CKV90T1_Comm::Transact(int32_t timeoutMs, uint16_t code, uint8_t* request,
                                             uint16_t requestLength, uint8_t* reply,
                                             uint16_t replyLength) {
    if (m_bInTransaction) {
        ++m_nNestedTransactions;
        platform::DebugPrintf(
            "***** CKV90T1_Comm: 0x%4.4X was not sent: another transaction is in progress.\r\n",
            code);
        return {};
    }
    m_bInTransaction = true;
    ++s_transactionsInFlight;
    const Outcome outcome = Exchange(timeoutMs, code, request, requestLength, reply, replyLength);
    --s_transactionsInFlight;
    m_bInTransaction = false;
    if (outcome.result == 0) {
        m_nLastFailedCode = code;
    }
    return outcome;
}

CKV90T1_Comm::Outcome CKV90T1_Comm::Exchange(int32_t timeoutMs, uint16_t code, uint8_t* request,
                                             uint16_t requestLength, uint8_t* reply,
                                             uint16_t replyLength) {
    request[0] = static_cast<uint8_t>(kHeaderWord);
    request[1] = static_cast<uint8_t>(kHeaderWord >> 8);
    request[2] = static_cast<uint8_t>(code);
    request[3] = static_cast<uint8_t>(code >> 8);
    request[4] = static_cast<uint8_t>(requestLength);
    request[5] = static_cast<uint8_t>(requestLength >> 8);
    Outcome outcome;
    m_pDeviceLink->SetWriteTimeout(static_cast<uint32_t>(std::max(timeoutMs, 1)));
    const uint64_t advanced = platform::AdvancedMs();
    if (m_pDeviceLink->Write(request, static_cast<uint16_t>(requestLength + kHeaderLength)) == 0) {
        return outcome;
    }
    // The wait starts when the request is out; a clock moved on meanwhile (by a test, when the
    // device has already left the request unanswered) counts towards it.
    const uint32_t start =
        platform::ProcessClockMs() - static_cast<uint32_t>(platform::AdvancedMs() - advanced);
    uint32_t told = start;
    const uint16_t total = static_cast<uint16_t>(replyLength + kHeaderLength);
    while (outcome.received < total) {
        if (m_WhileWaiting && platform::ProcessClockMs() - told >= kWaitReportMs) {
            told = platform::ProcessClockMs();
            m_WhileWaiting(told - start);
        }
        outcome.result = m_pDeviceLink->ReadByte(&reply[outcome.received]);
        if (outcome.result != 0 && ++outcome.received == 2 &&
            (reply[0] != static_cast<uint8_t>(kHeaderWord) || reply[1] != kHeaderWord >> 8)) {
            Realign(code, reply, timeoutMs);
            return {0, false, outcome.received};
        }
        // Checked after every read, the completing one too: the deadline bounds the whole reply.
        if (static_cast<int64_t>(platform::ProcessClockMs() - start) >= timeoutMs) {
            m_nLastStatus = 0;
            return {0, true, outcome.received};
        }
    }
    m_nLastStatus = outcome.result;
    return outcome;
}

// A reply that does not begin with the header word means the stream lost its alignment (line
// noise, a late reply): everything waiting is discarded until the line is quiet (for at most the
// transaction's time-out), so that the next transaction starts on a reply boundary instead of
// decoding shifted bytes for good.
void CKV90T1_Comm::Realign(uint16_t code, const uint8_t* reply, int32_t timeoutMs) {
    platform::DebugPrintf(
        "***** CKV90T1_Comm: the reply to 0x%4.4X began 0x%2.2X 0x%2.2X, not the header word; "
        "the waiting input is discarded.\r\n",
        code, reply[0], reply[1]);
    m_nLastStatus = 0;
    const uint32_t start = platform::ProcessClockMs();
    while (m_pDeviceLink->DrainInput() != 0 &&
           static_cast<int64_t>(platform::ProcessClockMs() - start) < timeoutMs) {
    }
}

int32_t CKV90T1_Comm::SendCommand(uint16_t code, uint8_t* request, uint16_t requestLength,
                                  uint8_t* reply, uint16_t replyLength) {
    return Transact(m_nDefaultTimeout, code, request, requestLength, reply, replyLength).result;
}

int32_t CKV90T1_Comm::SendCommandLongTimeout(int32_t timeoutMs, uint16_t code, uint8_t* request,
                                             uint16_t requestLength, uint8_t* reply,
                                             uint16_t replyLength) {
    const Outcome outcome = Transact(timeoutMs, code, request, requestLength, reply, replyLength);
    if (outcome.timedOut) {
        LogLongTimeout(code, requestLength, replyLength, reply, outcome.received);
    }
    return outcome.result;
}

int32_t CKV90T1_Comm::SendByteCommand(uint16_t code, uint8_t value, uint8_t* reply,
                                      uint16_t replyLength) {
    uint8_t request[kHeaderLength + 1] = {0, 0, 0, 0, 0, 0, value};
    return SendCommand(code, request, 1, reply, replyLength);
}

int32_t CKV90T1_Comm::SendNullCommand() {
    uint8_t request[kHeaderLength];
    const int32_t result = SendCommand(kNullCommand, request, 0, m_NullReply, 0);
    m_nLastStatus = result;
    if (std::memcmp(m_NullReply, kExpectedNullReply, kHeaderLength) != 0) {
        m_nLastStatus = 0;
    }
    return result;
}
