#pragma once
// The simulated KV90T: a table of the commands it answers, the faults it can be told to make,
// and a record of what it received. Thread-safe: the server thread answers while tests and
// the console configure it.

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <vector>

#include "sim/Frame.h"

namespace sim {

enum class FaultKind {
    NoReply,         // the command is swallowed
    ShortReply,      // the reply lacks its last missingBytes bytes
    LateLastByte,    // the last byte follows after delayMs
    ExtraBytes,      // extraBytes stray bytes follow the reply
    LeadingNoise,    // extraBytes bytes of line noise come before the reply
    WrongNullReply,  // the null command is answered with 0x28 0x00 0x00 0x00 0x00 0x01
    DropConnection,  // the connection is closed instead of answered
};

struct Fault {
    FaultKind kind = FaultKind::NoReply;
    std::optional<uint16_t> code;  // only replies to this command; any command when empty
    std::optional<uint8_t> firstPayloadByte;  // only requests whose payload starts so
    int count = 1;                            // how many replies it spoils; negative: until cleared
    int skip = 0;  // how many matching requests it lets pass first (a device that fails later)
    uint32_t delayMs = 0;
    uint16_t extraBytes = 0;
    uint16_t missingBytes = 1;
};

// A fault of one kind; `parameter` is the delay in ms of LateLastByte, the count of
// ExtraBytes or LeadingNoise bytes or the count of bytes missing from a ShortReply.
Fault MakeFault(FaultKind kind, uint32_t parameter = 0);

// What the device sends back for one request.
struct Response {
    std::vector<uint8_t> bytes;
    uint32_t replyDelayMs = 0;  // the whole reply waits this long
    size_t delayedTail = 0;     // how many of the last bytes are held back
    uint32_t delayMs = 0;       // and for how long
    bool dropConnection = false;
};

class SimDevice {
public:
    // Builds the reply payload for a request (the device adds the header), or nothing for a
    // request the device ignores.
    using Handler = std::function<std::optional<std::vector<uint8_t>>(const Frame& request)>;
    static constexpr size_t kHistoryLength = 256;

    SimDevice();

    // Adds or replaces the answer to a command code. Handlers run outside the device's lock, so
    // a handler may configure the device (inject a fault, change a command) as it answers.
    void SetCommand(uint16_t code, Handler handler);
    // Makes every reply to a command wait, as a device busy with it would.
    void SetReplyDelay(uint16_t code, uint32_t delayMs);
    Response Handle(const Frame& request);
    // Called, outside the device's lock, each time a request is left unanswered: a test moves
    // the waiting side's clock on instead of waiting out its time-out.
    void SetOnSilence(std::function<void()> onSilence);

    void InjectFault(const Fault& fault);
    void ClearFaults();

    // The device's own activity (streams): runs what is due and returns how long the server may
    // wait before calling again (-1: until something else wakes it).
    using Activity = std::function<int()>;
    void SetActivity(Activity activity);
    int RunActivity();

    // The most recent requests, oldest first.
    std::vector<Frame> ReceivedFrames() const;
    void ClearReceivedFrames();

private:
    Response Respond(const Frame& request);
    std::optional<Fault> TakeFault(const Frame& request);
    static void ApplyFault(const Fault& fault, Response* response);

    mutable std::mutex m_mutex;
    std::map<uint16_t, Handler> m_commands;
    Activity m_activity;
    std::map<uint16_t, uint32_t> m_replyDelays;
    std::vector<Fault> m_faults;
    std::deque<Frame> m_history;
    std::function<void()> m_onSilence;
};

}  // namespace sim
