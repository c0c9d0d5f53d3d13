#include "ctl/command.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <map>

#include "ctl/commands.h"

namespace ctl {

void Context::Print(const Record& record) {
    m_out << (m_json ? record.Json() + "\n" : record.Text());
    m_out.flush();
}

int Context::Fail(const std::string& what) {
    m_err << "kv90t-ctl: " << what << "\n";
    return kDeviceFailed;
}

void Context::Progress(const std::string& line) {
    m_err << "kv90t-ctl: " << line << "\n";
}

uint64_t ParseNumber(const std::string& word, const std::string& what, uint64_t largest) {
    const bool hex = word.rfind("0x", 0) == 0 || word.rfind("0X", 0) == 0;
    const std::string digits = hex ? word.substr(2) : word;
    if (digits.empty() || digits.find_first_not_of(hex ? "0123456789abcdefABCDEF" : "0123456789") !=
                              std::string::npos) {
        throw UsageError(what + " '" + word + "' is not a number");
    }
    errno = 0;
    const unsigned long long value = std::strtoull(digits.c_str(), nullptr, hex ? 16 : 10);
    if (errno == ERANGE || value > largest) {
        throw UsageError(what + " '" + word + "' is above " + std::to_string(largest));
    }
    return value;
}

std::vector<Assignment> Assignments(const std::vector<std::string>& words, size_t first) {
    std::vector<Assignment> assignments;
    for (size_t i = first; i < words.size(); ++i) {
        const size_t equals = words[i].find('=');
        if (equals == std::string::npos || equals == 0) {
            throw UsageError("'" + words[i] + "' is not FIELD=VALUE");
        }
        assignments.push_back({words[i].substr(0, equals), words[i].substr(equals + 1)});
    }
    if (assignments.empty()) {
        throw UsageError("nothing to set: give FIELD=VALUE");
    }
    return assignments;
}

uint32_t ParseIndex(const std::vector<std::string>& words, size_t at, const std::string& what,
                    uint32_t largest) {
    if (at >= words.size()) {
        throw UsageError(words[0] + " needs " + what);
    }
    return static_cast<uint32_t>(ParseNumber(words[at], what, largest));
}

void ExpectWords(const std::vector<std::string>& words, size_t count) {
    if (words.size() > count) {
        throw UsageError(words[0] + ": unexpected '" + words[count] + "'");
    }
}

Action ParseCommand(const std::vector<std::string>& words) {
    using Parser = Action (*)(const std::vector<std::string>&);
    static const std::map<std::string, Parser> parsers = {
        {"identity", ParseIdentity}, {"status", ParseStatus},     {"mode", ParseMode},
        {"setup", ParseSetup},       {"output", ParseOutput},     {"combiner", ParseCombiner},
        {"bert", ParseBert},         {"time", ParseTime},         {"health", ParseHealth},
        {"dau", ParseDau},           {"recorder", ParseRecorder}, {"raw", ParseRaw},
        {"firmware", ParseFirmware}, {"fpga", ParseFpga},
    };
    if (words.empty()) {
        throw UsageError("no command given");
    }
    const auto parser = parsers.find(words[0]);
    if (parser == parsers.end()) {
        throw UsageError("unknown command '" + words[0] + "'");
    }
    return parser->second(words);
}

namespace {

// Lock-free, so the handler may set it, and seen by any thread.
std::atomic<int> s_interrupted{0};
struct sigaction s_previousInt;
struct sigaction s_previousTerm;

void NoteInterrupt(int) {
    s_interrupted.store(1, std::memory_order_relaxed);
}

}  // namespace

InterruptCatcher::InterruptCatcher() {
    s_interrupted.store(0, std::memory_order_relaxed);
    struct sigaction note {};
    note.sa_handler = NoteInterrupt;
    sigemptyset(&note.sa_mask);
    sigaction(SIGINT, &note, &s_previousInt);
    sigaction(SIGTERM, &note, &s_previousTerm);
}

InterruptCatcher::~InterruptCatcher() {
    sigaction(SIGINT, &s_previousInt, nullptr);
    sigaction(SIGTERM, &s_previousTerm, nullptr);
}

bool InterruptCatcher::Caught() const {
    return s_interrupted.load(std::memory_order_relaxed) != 0;
}

}  // namespace ctl
