#pragma once
// The commands of kv90t-ctl: each parses its words completely into an action, which then runs
// one conversation with the device.

#include <functional>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "ctl/ctl.h"
#include "ctl/record.h"

class CKV90T1_Comm;

namespace ctl {

// A word the command cannot take; the text says which and why.
struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

class Context {
public:
    Context(CKV90T1_Comm& comm, bool json, std::ostream& out, std::ostream& err)
        : comm(comm), m_json(json), m_out(out), m_err(err) {}

    void Print(const Record& record);
    // Says what failed on standard error, in one line; returns the device-failure status.
    int Fail(const std::string& what);
    // A line of progress on standard error.
    void Progress(const std::string& line);

    CKV90T1_Comm& comm;

private:
    bool m_json;
    std::ostream& m_out;
    std::ostream& m_err;
};

// While one lives, Ctrl+C (SIGINT) and SIGTERM do not end the program but are noted, so that
// a transfer can be cancelled and its files left in order.
class InterruptCatcher {
public:
    InterruptCatcher();
    ~InterruptCatcher();
    InterruptCatcher(const InterruptCatcher&) = delete;
    InterruptCatcher& operator=(const InterruptCatcher&) = delete;
    bool Caught() const;
};

using Action = std::function<int(Context&)>;

// Throws UsageError for an unknown command or a word it cannot take.
Action ParseCommand(const std::vector<std::string>& words);

// Number parsing shared by the commands: decimal, or hexadecimal after "0x".
uint64_t ParseNumber(const std::string& word, const std::string& what, uint64_t largest);

}  // namespace ctl
