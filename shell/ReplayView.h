#pragma once
// The replay of status logs: a window of its own that reads one log or several consecutive ones
// on a thread of its own, with progress, into a trend store of fixed size, and shows them in a
// trend view with its navigation. Play moves a cursor through the logs at 1x, 10x or 60x; the
// slider seeks. With a limit set chosen, the alarm engine judges the logged polls and their
// intervals are drawn: no sound, nothing written to the alarm log. Lines that could not be
// read are counted and the first is named.

#include <QWidget>
#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "alarms/alarm_intervals.h"
#include "alarms/limit_library.h"
#include "trends/log_replay.h"

class QComboBox;
class QLabel;
class QPushButton;
class QSlider;
class QTimer;
class TrendView;

class ReplayView : public QWidget {
public:
    static constexpr int kSliderSteps = 10'000;
    static constexpr int kTickMs = 100;

    // `library` (may be null) offers the limit sets; exports go into `folder`.
    ReplayView(std::vector<std::string> files, const alarms::LimitLibrary* library,
               std::string folder, QWidget* parent);
    ~ReplayView() override;

    bool Loading() const { return m_loader.joinable(); }
    // The files' text and problems, or the progress while reading.
    std::string LoadState() const;
    TrendView& View() { return *m_view; }
    const trends::ReplayLoad& Load() const { return m_load; }

    // Reads the logs anew, judged by the limit set `name` (empty: none).
    void UseLimitSet(const std::string& name);
    void SetPlaying(bool playing);
    bool Playing() const { return m_playing; }
    void SetSpeed(int speed);  // 1, 10 or 60
    // Moves the play cursor by `wallMs` of real time at the speed (each tick of the timer).
    void Step(int64_t wallMs);
    void Seek(int64_t timeMs);
    int64_t PlayTimeMs() const { return m_playMs; }

private:
    void Build();
    // Starts reading: the whole logs, or with `secondsFrom` only that day of seconds.
    void StartLoad(std::optional<int64_t> secondsFrom);
    void Poll();  // the timer: progress, the end of a load, play
    void Loaded();
    // A view of a day or less whose seconds are not read reads them.
    void ReadSecondsForView();
    void ShowPlayTime();

    const std::vector<std::string> m_files;
    const alarms::LimitLibrary* m_library;
    trends::TrendStore m_store{trends::kReplayMinuteBuckets};
    trends::ReplayLoad m_load;
    trends::LoadProgress m_progress;
    std::thread m_loader;
    std::atomic<bool> m_loaded{false};     // the loader's work is done
    std::optional<int64_t> m_wantSeconds;  // a day of seconds to read at the next tick
    bool m_secondsOnly = false;
    int64_t m_secondsFrom = 0;
    std::string m_limitSet;
    std::optional<alarms::LimitSet> m_limits;
    alarms::AlarmIntervals m_intervals;
    std::string m_limitError;
    bool m_playing = false;
    int m_speed = 1;
    int64_t m_playMs = 0;
    TrendView* m_view = nullptr;
    QPushButton* m_play = nullptr;
    QComboBox* m_speedBox = nullptr;
    QComboBox* m_setBox = nullptr;
    QSlider* m_slider = nullptr;
    QLabel* m_time = nullptr;
    QLabel* m_state = nullptr;
    QTimer* m_timer = nullptr;
    uint64_t m_lastTickMs = 0;  // the process clock at the last tick: play moves by what passed
};
