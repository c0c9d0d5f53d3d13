// setup, output, combiner and bert: records read from the device, changed by name, and sent
// through the protocol object's own setters, which range-check and store them as the pages do.

#include <algorithm>
#include <map>

#include "ctl/commands.h"
#include "ctl/setup_fields.h"
#include "protocol/CKV90T1_Comm.h"
#include "protocol/channel_setup_layout.h"
#include "protocol/operational_modes.h"
#include "protocol/pcm_codes.h"

namespace ctl {
namespace {

constexpr uint32_t kLastPath = protocol::kPathCount - 1;

Record SetupRecord(const protocol::ChannelSetup& setup, uint32_t path) {
    Record record;
    record.Add("path", path);
    for (const SetupField& field : SetupFields()) {
        record.Add(field.name, field.get(setup));
    }
    return record;
}

struct FieldValue {
    const SetupField* field;
    uint64_t value;
};

std::vector<FieldValue> ParseSetupValues(const std::vector<std::string>& words) {
    std::vector<FieldValue> values;
    for (const Assignment& a : Assignments(words, 3)) {
        const SetupField* field = FindSetupField(a.field);
        if (field == nullptr) {
            throw UsageError("setup: unknown field '" + a.field + "'");
        }
        values.push_back({field, ParseNumber(a.value, a.field, field->largest)});
    }
    return values;
}

int ReadSetup(Context& c, uint32_t path) {
    if (c.comm.ReadOperationalMode() == 0 || c.comm.ReadChannelSetup(path) == 0) {
        return c.Fail("setup: the device did not answer the setup read of path " +
                      std::to_string(path));
    }
    return kSuccess;
}

int SetSetup(Context& c, uint32_t path, const std::vector<FieldValue>& values) {
    if (const int read = ReadSetup(c, path); read != kSuccess) {
        return read;
    }
    const uint32_t mode = c.comm.m_nOperationalMode;
    const protocol::SetupFamily family = protocol::WriteFamily(static_cast<int>(mode));
    if (family == protocol::SetupFamily::None) {
        return c.Fail("setup: mode " + std::to_string(mode) + " has no channel setup to send");
    }
    protocol::ChannelSetup record = c.comm.m_ChannelSetup[path];
    for (const FieldValue& v : values) {
        v.field->set(record, v.value);
    }
    protocol::ChannelSetup stored;
    const protocol::ChannelSetup sent = protocol::RangeCorrected(record, family, &stored);
    for (const FieldValue& v : values) {
        if (v.field->get(sent) != v.value) {
            c.Fail("setup: " + std::string(v.field->name) + "=" + std::to_string(v.value) +
                   " is outside what mode " + std::to_string(mode) + " takes (it would be " +
                   std::to_string(v.field->get(sent)) + "); nothing was sent");
            return int(kUsageError);
        }
    }
    if (c.comm.SetChannelSetup(path, record) == 0) {
        return c.Fail("setup: the device refused the setup of path " + std::to_string(path));
    }
    c.Print(SetupRecord(c.comm.m_ChannelSetup[path], path));
    return kSuccess;
}

Record OutputRecord(const CKV90T1_Comm& comm, uint32_t path) {
    const protocol::OutputDataSetup& d = comm.m_OutputData[path];
    return Record()
        .Add("path", path)
        .Add("selector", d.selector)
        .Add("pcmCode", d.pcmCode)
        .Add("inverted", d.inverted)
        .Add("clockPhase", d.clockPhase)
        .Add("qPcmCode", d.qPcmCode)
        .Add("qInverted", d.qInverted)
        .Add("qClockPhase", d.qClockPhase)
        .Add("enhancedAcquisition", d.enhancedAcquisition);
}

using OutputSetter = int32_t (CKV90T1_Comm::*)(uint32_t, uint32_t);
struct OutputField {
    OutputSetter set;
    uint32_t largest;
    bool pcmCode = false;  // one of the PCM code table's codes, as the page offers them
};

const std::map<std::string, OutputField>& OutputFields() {
    static const std::map<std::string, OutputField> fields = {
        {"pcmCode", {&CKV90T1_Comm::SetOutputPcmCode, 0x7F, true}},
        {"inverted", {&CKV90T1_Comm::SetOutputInverted, 1}},
        {"clockPhase", {&CKV90T1_Comm::SetOutputClockPhase, 3}},
        {"qPcmCode", {&CKV90T1_Comm::SetQOutputPcmCode, 0x7F, true}},
        {"qInverted", {&CKV90T1_Comm::SetQOutputInverted, 1}},
        {"qClockPhase", {&CKV90T1_Comm::SetQOutputClockPhase, 3}},
        {"enhancedAcquisition", {&CKV90T1_Comm::SetEnhancedAcquisition, 1}},
    };
    return fields;
}

Record CombinerRecord(const CKV90T1_Comm& comm) {
    const protocol::CombinerSetup& s = comm.m_Combiner;
    return Record()
        .Add("signalBandwidth", comm.m_nCombinerSignalBandwidth)
        .Add("snrFilterBandwidth", s.snrFilterBandwidth)
        .Add("phaseFilterBandwidth", s.phaseFilterBandwidth)
        .Add("type", s.type)
        .Add("realCombining", s.realCombining)
        .Add("upsample", s.upsample);
}

struct Limits {
    uint64_t low, high;
};

const std::map<std::string, Limits>& CombinerFields() {
    static const std::map<std::string, Limits> fields = {
        // As the page reads its edit: eight digits at most; at least what the filters take.
        {"signalBandwidth", {10, 99'999'999}},
        {"snrFilterBandwidth", {10, 100'000}},
        {"phaseFilterBandwidth", {10, 100'000}},
        {"type", {0, 5}},
        {"realCombining", {0, 1}},
        {"upsample", {0, 1}},
    };
    return fields;
}

int SetCombiner(Context& c, const std::map<std::string, uint32_t>& values) {
    if (c.comm.ReadOperationalMode() == 0 || c.comm.ReadCombinerSetup() == 0) {
        return c.Fail("combiner: the device did not answer the combiner read");
    }
    const CKV90T1_Comm& comm = c.comm;
    auto value = [&](const char* name, uint32_t current) {
        const auto it = values.find(name);
        return it == values.end() ? current : it->second;
    };
    protocol::CombinerSetup s = comm.m_Combiner;
    s.snrFilterBandwidth = value("snrFilterBandwidth", s.snrFilterBandwidth);
    s.phaseFilterBandwidth = value("phaseFilterBandwidth", s.phaseFilterBandwidth);
    s.type = value("type", s.type);
    s.realCombining = value("realCombining", s.realCombining);
    s.upsample = value("upsample", s.upsample);
    const int32_t result =
        c.comm.SetCombinerSetup(value("signalBandwidth", comm.m_nCombinerSignalBandwidth), s);
    if (result == 0) {
        return c.Fail("combiner: the device refused the combiner setup (or the mode has none)");
    }
    c.Print(CombinerRecord(c.comm));
    return kSuccess;
}

// The device reports no tester setup: whether a stream is enabled and its pattern are known
// only after this run sent them.
Record BertRecord(const protocol::BertStream& b, uint32_t stream, bool setupSent) {
    Record record;
    record.Add("stream", stream);
    if (setupSent) {
        record.Add("enabled", b.enabled != 0).Add("pattern", uint32_t(b.pattern));
    }
    return record.Add("locked", b.locked != 0)
        .Add("dataInverted", b.dataInverted != 0)
        .Add("bitErrors", int64_t(b.bitErrors))
        .Add("bitCount", int64_t(b.bitCount))
        .Add("bitErrorRate", b.bitCount > 0 ? double(b.bitErrors) / double(b.bitCount) : 0.0)
        .Add("outOfLockCount", b.values[2]);
}

}  // namespace

std::vector<std::string> FieldNames(const std::string& command) {
    std::vector<std::string> names;
    if (command == "setup") {
        for (const SetupField& field : SetupFields()) {
            names.push_back(field.name);
        }
    } else if (command == "output") {
        for (const auto& [name, field] : OutputFields()) {
            names.push_back(name);
        }
    } else if (command == "combiner") {
        for (const auto& [name, limits] : CombinerFields()) {
            names.push_back(name);
        }
    } else {
        throw UsageError("--fields takes setup, output or combiner, not '" + command + "'");
    }
    return names;
}

Action ParseSetup(const std::vector<std::string>& words) {
    if (words.size() < 3 || (words[1] != "get" && words[1] != "set")) {
        throw UsageError("setup needs get PATH or set PATH FIELD=VALUE ...");
    }
    const uint32_t path = ParseIndex(words, 2, "path", kLastPath);
    if (words[1] == "get") {
        ExpectWords(words, 3);
        return [path](Context& c) {
            if (const int read = ReadSetup(c, path); read != kSuccess) {
                return read;
            }
            c.Print(SetupRecord(c.comm.m_ChannelSetup[path], path));
            return int(kSuccess);
        };
    }
    const std::vector<FieldValue> values = ParseSetupValues(words);
    return [path, values](Context& c) { return SetSetup(c, path, values); };
}

Action ParseOutput(const std::vector<std::string>& words) {
    if (words.size() < 3 || (words[1] != "get" && words[1] != "set")) {
        throw UsageError("output needs get PATH or set PATH FIELD=VALUE ...");
    }
    const uint32_t path = ParseIndex(words, 2, "path", kLastPath);
    std::vector<std::pair<OutputSetter, uint32_t>> changes;
    if (words[1] == "set") {
        for (const Assignment& a : Assignments(words, 3)) {
            const auto field = OutputFields().find(a.field);
            if (field == OutputFields().end()) {
                throw UsageError("output: unknown field '" + a.field + "'");
            }
            const auto value =
                static_cast<uint32_t>(ParseNumber(a.value, a.field, field->second.largest));
            if (field->second.pcmCode && !protocol::IsPcmCode(value)) {
                throw UsageError(a.field + " '" + a.value + "' is no PCM code (0 to 14, 64 to 73)");
            }
            changes.push_back({field->second.set, value});
        }
    } else {
        ExpectWords(words, 3);
    }
    return [path, changes](Context& c) {
        if (c.comm.ReadOperationalMode() == 0 || c.comm.ReadOutputSetup(path) == 0) {
            return c.Fail("output: the device did not answer the output read of path " +
                          std::to_string(path));
        }
        for (const auto& [set, value] : changes) {
            if ((c.comm.*set)(path, value) == 0) {
                return c.Fail("output: the device refused the output setup of path " +
                              std::to_string(path));
            }
        }
        c.Print(OutputRecord(c.comm, path));
        return int(kSuccess);
    };
}

Action ParseCombiner(const std::vector<std::string>& words) {
    if (words.size() < 2 || (words[1] != "get" && words[1] != "set")) {
        throw UsageError("combiner needs get or set FIELD=VALUE ...");
    }
    if (words[1] == "get") {
        ExpectWords(words, 2);
        return [](Context& c) {
            if (c.comm.ReadOperationalMode() == 0 || c.comm.ReadCombinerSetup() == 0) {
                return c.Fail("combiner: the device did not answer");
            }
            c.Print(CombinerRecord(c.comm));
            return int(kSuccess);
        };
    }
    std::map<std::string, uint32_t> values;
    for (const Assignment& a : Assignments(words, 2)) {
        const auto field = CombinerFields().find(a.field);
        if (field == CombinerFields().end()) {
            throw UsageError("combiner: unknown field '" + a.field + "'");
        }
        const uint64_t value = ParseNumber(a.value, a.field, field->second.high);
        if (value < field->second.low) {
            throw UsageError(a.field + " '" + a.value + "' is below " +
                             std::to_string(field->second.low));
        }
        values[a.field] = static_cast<uint32_t>(value);
    }
    return [values](Context& c) { return SetCombiner(c, values); };
}

Action ParseBert(const std::vector<std::string>& words) {
    static const std::vector<std::string> verbs = {"enable", "disable", "reset", "status"};
    if (words.size() < 2 || std::find(verbs.begin(), verbs.end(), words[1]) == verbs.end()) {
        throw UsageError("bert needs enable, disable, reset or status, then STREAM (0 to 5)");
    }
    const uint32_t stream = ParseIndex(words, 2, "stream", 5);
    ExpectWords(words, 3);
    const std::string verb = words[1];
    return [verb, stream](Context& c) {
        const uint32_t unit = stream / 2;
        const uint32_t part = stream % 2;
        protocol::BertStream& b = c.comm.m_Bert[stream];
        if (verb != "status") {
            b.enabled = verb == "disable" ? 0 : 1;  // a reset restarts a running tester
            if (c.comm.SendBertSetup(unit, part, b.enabled, b.invertClock, b.pattern, b.lengthValue,
                                     b.word, b.byteValue, b.modeValue) == 0) {
                return c.Fail("bert: the device refused the setup of stream " +
                              std::to_string(stream));
            }
        }
        if (c.comm.ReadBertStatus(unit, part) == 0) {
            return c.Fail("bert: the device did not answer the status of stream " +
                          std::to_string(stream));
        }
        c.Print(BertRecord(b, stream, verb != "status"));
        return int(kSuccess);
    };
}

}  // namespace ctl
