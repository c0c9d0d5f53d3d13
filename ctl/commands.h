#pragma once
// The parsers of the single commands and the word helpers they share.

#include <cstdint>
#include <string>
#include <vector>

#include "alarms/alarm_engine.h"
#include "ctl/command.h"

namespace ctl {

struct Assignment {
    std::string field;
    std::string value;
};

// FIELD=VALUE words from `first` on; at least one.
std::vector<Assignment> Assignments(const std::vector<std::string>& words, size_t first);
// The number at words[at], at most `largest`; `what` names it in the error.
uint32_t ParseIndex(const std::vector<std::string>& words, size_t at, const std::string& what,
                    uint32_t largest);
// Refuses words beyond the first `count`.
void ExpectWords(const std::vector<std::string>& words, size_t count);

// The FIELD names that `setup set`, `output set` or `combiner set` take (for --fields and the
// shell's completion).
std::vector<std::string> FieldNames(const std::string& command);

Action ParseIdentity(const std::vector<std::string>& words);
Action ParseStatus(const std::vector<std::string>& words);
Action ParseMode(const std::vector<std::string>& words);
Action ParseHealth(const std::vector<std::string>& words);
Action ParseRaw(const std::vector<std::string>& words);
Action ParseTime(const std::vector<std::string>& words);
Action ParseSetup(const std::vector<std::string>& words);
Action ParseOutput(const std::vector<std::string>& words);
Action ParseCombiner(const std::vector<std::string>& words);
Action ParseBert(const std::vector<std::string>& words);
Action ParseDau(const std::vector<std::string>& words);
Action ParseRecorder(const std::vector<std::string>& words);
Action ParseFirmware(const std::vector<std::string>& words);
Action ParseFpga(const std::vector<std::string>& words);

// `alarms check FILE`: reads a limit set and prints it; needs no device.
int RunAlarms(const std::vector<std::string>& words, bool json, std::ostream& out,
              std::ostream& err);
// A limit set from `path`; throws UsageError naming the file, the field and why.
alarms::LimitSet ReadLimits(const std::string& path);
// The alarms that are not normal, red first.
std::vector<Record> AlarmRecords(const alarms::AlarmEngine& engine);

// `log summary FILE ...`: reads status logs, needs no device; returns the exit status.
int RunLog(const std::vector<std::string>& words, bool json, std::ostream& out, std::ostream& err);
// `mark TEXT`: an operator's mark in today's status log of `dataFolder` (the console's data
// folder when empty), beside the console's own lines when it logs there.
int RunMark(const std::vector<std::string>& words, const std::string& dataFolder, bool json,
            std::ostream& out, std::ostream& err);

}  // namespace ctl
