#pragma once
// The console's alarms: the limit set chosen for the operational mode, judged on the window
// thread against the polls the window makes anyway (no device traffic of its own); the
// operator's acts on them; the alarm log beside the status log; and the tones, a repeating one
// for a red alarm and a gentler one for a yellow, until silenced or acknowledged.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "alarms/alarm_engine.h"
#include "alarms/alarm_intervals.h"
#include "alarms/limit_library.h"
#include "trends/status_log.h"

// The colour that marks an alarm of `severity` on the panel and in the Alarms window.
const char* AlarmColour(alarms::Severity severity);

class AlarmMonitor {
public:
    struct Tone {
        uint32_t frequencyHz;
        uint32_t durationMs;
        uint32_t everyMs;
    };
    static constexpr Tone kRedTone{880, 300, 1000};
    static constexpr Tone kYellowTone{440, 120, 5000};

    explicit AlarmMonitor(alarms::LimitLibrary library);

    // Starts the alarm log in `folder` (the data folder); "" or why it cannot.
    std::string StartLog(const std::string& folder);
    // Why the alarm log stopped by itself, once.
    std::string TakeLogFailure();

    // Uses the set chosen for `mode` (a mode's name); "" or why it cannot be read, and then
    // the set that was active stays active.
    std::string UseSetFor(const std::string& mode, int64_t timeMs);
    // The operator chooses `name` for the current mode; as UseSetFor.
    std::string ChooseSet(const std::string& name, int64_t timeMs);
    // The editor's text saved as the active set and used at once; throws alarms::LimitError
    // naming the file, the field and the reason, and then nothing changed.
    void SaveActiveSet(const std::string& json, int64_t timeMs);
    const std::string& ActiveName() const { return m_activeName; }
    const alarms::LimitLibrary& Library() const { return m_library; }

    // One channel status poll of `path` (null when it failed) and whether the device answered.
    void Poll(int path, const protocol::ChannelStatus* status, int64_t timeMs);
    void Answer(bool answered, int64_t timeMs);
    // The reads of the receive testers' page, the built-in test page and the time status.
    void Tester(int stream, const protocol::BertStream& status, int64_t timeMs);
    void BuiltInTest(const float* physicalValues, int64_t timeMs);
    void TimeLock(bool locked, int64_t timeMs);

    void Acknowledge(int path, const std::string& item, int64_t timeMs);
    void AcknowledgeAll(int64_t timeMs);
    void Shelve(int path, const std::string& item, int64_t untilMs, const std::string& reason,
                int64_t timeMs);
    void Silence(int64_t timeMs);
    // Ends shelving that is due and sounds the tone when it is due (`tickMs` on the process
    // clock); the window calls it a few times a second.
    void Tick(int64_t timeMs, uint64_t tickMs);

    const alarms::AlarmEngine& Engine() const { return m_engine; }
    // The severity of an item whose condition is active (acknowledged or not), if any.
    std::optional<alarms::Severity> ActiveSeverity(int path, const std::string& item) const;

    // The stretches in alarm of each path's items and the device's.
    const alarms::AlarmIntervals& Intervals() const { return m_intervals; }

    // After every transition and change of set: the window shows the count, the panel colours.
    std::function<void()> onChanged;

private:
    void Log(const std::string& line, int64_t timeMs);
    std::string Use(const std::string& name, int64_t timeMs);
    // Throws alarms::LimitError.
    alarms::LimitSet Load(const std::string& name) const;

    alarms::LimitLibrary m_library;
    alarms::AlarmEngine m_engine;
    std::unique_ptr<trends::StatusLog> m_log;
    alarms::AlarmIntervals m_intervals;
    std::string m_mode;
    std::string m_activeName;
    std::string m_user;
    uint64_t m_lastToneMs = 0;
    std::optional<alarms::Severity> m_lastSounding;
};
