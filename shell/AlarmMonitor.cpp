#include "shell/AlarmMonitor.h"

#include "alarms/alarm_log.h"
#include "platform/beep.h"
#include "platform/debug_output.h"
#include "platform/user.h"

const char* AlarmColour(alarms::Severity severity) {
    return severity == alarms::Severity::kRed ? "#ff6f61" : "#ffd54f";
}

AlarmMonitor::AlarmMonitor(alarms::LimitLibrary library)
    : m_library(std::move(library)), m_user(platform::UserName()) {
    m_engine.onTransition = [this](const alarms::Transition& transition) {
        m_intervals.Track(transition);
        Log(alarms::AlarmLogLine(transition, m_user), transition.timeMs);
    };
}

std::string AlarmMonitor::StartLog(const std::string& folder) {
    m_log = std::make_unique<trends::StatusLog>(
        folder, trends::LogKind{"alarms", alarms::AlarmLogHeading(), "Alarm log"});
    std::string error;
    if (!m_log->Start(&error)) {
        m_log.reset();
        return error;
    }
    return {};
}

std::string AlarmMonitor::TakeLogFailure() {
    return m_log ? m_log->TakeFailure() : std::string();
}

void AlarmMonitor::Log(const std::string& line, int64_t timeMs) {
    if (m_log) {
        m_log->AddLine(timeMs, line);
    }
    if (onChanged) {
        onChanged();
    }
}

std::string AlarmMonitor::UseSetFor(const std::string& mode, int64_t timeMs) {
    m_mode = mode;
    return Use(m_library.ChosenFor(mode), timeMs);
}

std::string AlarmMonitor::ChooseSet(const std::string& name, int64_t timeMs) {
    if (std::string error = Use(name, timeMs); !error.empty()) {
        return error;
    }
    try {
        m_library.Choose(m_mode, name);
    } catch (const alarms::LimitError& error) {
        return error.what();
    }
    return {};
}

// The shipped set stands in for "default" when the config folder cannot take its file, so that
// the alarms work all the same.
alarms::LimitSet AlarmMonitor::Load(const std::string& name) const {
    if (name == alarms::LimitLibrary::kDefaultName) {
        if (const std::string error = m_library.EnsureDefault(); !error.empty()) {
            platform::DebugOutput("Alarm limits: the shipped set is used unsaved: " + error + "\n");
            return alarms::ParseLimitSet(alarms::DefaultLimitsJson());
        }
    }
    return m_library.Load(name);
}

std::string AlarmMonitor::Use(const std::string& name, int64_t timeMs) {
    try {
        m_engine.SetLimits(Load(name), timeMs);
    } catch (const alarms::LimitError& error) {
        return error.what();
    }
    if (name != m_activeName) {
        m_activeName = name;
        Log(alarms::LimitSetChangeLine(timeMs, name, m_user), timeMs);
    }
    return {};
}

void AlarmMonitor::SaveActiveSet(const std::string& json, int64_t timeMs) {
    m_engine.SetLimits(m_library.Save(m_activeName, json), timeMs);
    Log(alarms::LimitSetChangeLine(timeMs, m_activeName, m_user), timeMs);
}

void AlarmMonitor::Poll(int path, const protocol::ChannelStatus* status, int64_t timeMs) {
    m_engine.Evaluate(path, status, timeMs);
}

void AlarmMonitor::Answer(bool answered, int64_t timeMs) {
    m_engine.EvaluateAnswer(answered, timeMs);
}

void AlarmMonitor::Tester(int stream, const protocol::BertStream& status, int64_t timeMs) {
    m_engine.EvaluateTester(stream, status, timeMs);
}

void AlarmMonitor::BuiltInTest(const float* physicalValues, int64_t timeMs) {
    m_engine.EvaluateBuiltInTest(physicalValues, timeMs);
}

void AlarmMonitor::TimeLock(bool locked, int64_t timeMs) {
    m_engine.EvaluateTimeLock(locked, timeMs);
}

void AlarmMonitor::Acknowledge(int path, const std::string& item, int64_t timeMs) {
    m_engine.Acknowledge(path, item, timeMs);
}

void AlarmMonitor::AcknowledgeAll(int64_t timeMs) {
    m_engine.AcknowledgeAll(timeMs);
}

void AlarmMonitor::Shelve(int path, const std::string& item, int64_t untilMs,
                          const std::string& reason, int64_t timeMs) {
    m_engine.Shelve(path, item, untilMs, reason, timeMs);
}

void AlarmMonitor::Silence(int64_t timeMs) {
    m_engine.Silence(timeMs);
}

// A tone starts at once when an alarm begins to sound or turns red, then repeats at its pace.
void AlarmMonitor::Tick(int64_t timeMs, uint64_t tickMs) {
    m_engine.Tick(timeMs);
    const std::optional<alarms::Severity> sounding = m_engine.Sounding();
    if (!sounding) {
        m_lastSounding.reset();
        return;
    }
    const Tone& tone = *sounding == alarms::Severity::kRed ? kRedTone : kYellowTone;
    if (sounding != m_lastSounding || tickMs - m_lastToneMs >= tone.everyMs) {
        platform::Beep(tone.frequencyHz, tone.durationMs);
        m_lastToneMs = tickMs;
        m_lastSounding = sounding;
    }
}

std::optional<alarms::Severity> AlarmMonitor::ActiveSeverity(int path,
                                                             const std::string& item) const {
    const alarms::Alarm* alarm = m_engine.AlarmOf(path, item);
    if (alarm == nullptr || (alarm->state != alarms::State::kActiveUnacked &&
                             alarm->state != alarms::State::kActiveAcked)) {
        return std::nullopt;
    }
    return alarm->severity;
}
