#pragma once
// The trend view: a window of its own beside the main window, showing per path the RSSI, the
// carrier frequency, the symbol rate and the AM and FM modulation index against time, with the
// lock states as bands below and the operator's marks across them. The last 10 minutes by
// default; pause and resume, zoom and pan, a cursor that reads out every value at one instant,
// PNG and CSV export, marks, the status log, and the replay of logs. The replay shows a store
// read from logs through the same view, without the live controls.

#include <QWidget>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "alarms/alarm_intervals.h"
#include "alarms/limit_library.h"
#include "shell/StatusRecorder.h"

class QComboBox;
class QLabel;
class QPushButton;

namespace ui {
class StripChart;
struct ChartPanel;
struct ChartBand;
struct ChartGuide;
}  // namespace ui

class TrendView : public QWidget {
public:
    static constexpr int64_t kDefaultSpanMs = 10 * 60 * 1000;
    static constexpr int64_t kShortestSpanMs = 30 * 1000;
    // New columns are drawn at most once a second of poll time: a poll shows by the next one.
    static constexpr int64_t kRedrawMs = 1000;

    // The live view of the recorder's polls, a window of its own.
    explicit TrendView(StatusRecorder& recorder, QWidget* parent = nullptr);
    // A view of `store` inside `parent`, exported into `folder`, for a replay.
    TrendView(const trends::TrendStore& store, std::string folder, QWidget* parent);
    ~TrendView() override;

    // After a poll of `path` at `timeMs`: unless paused, draws the shown path's new columns
    // (a second's worth at a time).
    // A live view keeps its time axis while the polls fill it and jumps a tenth of its span
    // ahead when they reach its end, so that most polls repaint a few columns, not the chart.
    void OnPoll(int path, int64_t timeMs);
    void SetPath(int path);
    // Draws the limits on each series and the intervals in alarm as a band ("Alarms"); both
    // must outlive the view; null for none.
    void SetAlarms(const alarms::LimitSet* limits, const alarms::AlarmIntervals* intervals);
    // The limit sets a replay offers (live only; may be null).
    void SetLimitLibrary(const alarms::LimitLibrary* library) { m_library = library; }
    // Asks for status logs and opens them in a replay window.
    void OpenLog();
    // Asks the operator for a note and marks the newest poll's time with it (live only).
    void AskForMark();
    // Puts the cursor on `timeMs`, moving the view there when it is not shown.
    void SetCursorTime(int64_t timeMs);
    // Draws everything anew from the store (after a replay read more of it).
    void Redraw() { Refresh(); }
    void SetPaused(bool paused);
    bool Paused() const { return m_paused; }
    // Zooms by 2 per step (positive: in) about the time at `column`.
    void Zoom(int steps, int column);
    // Moves the view by half its span (negative: earlier).
    void Pan(int halves);
    void GoLive();
    void SetCursorColumn(int column);
    bool SavePng(const std::string& path);
    bool SaveCsv(const std::string& path);
    void ToggleLog();

    int64_t SpanMs() const { return m_spanMs; }
    int64_t ViewEndMs() const { return m_endMs; }
    std::string Readout() const;
    std::string LogState() const;
    ui::StripChart& Chart() { return *m_chart; }
    int64_t CursorTimeMs() const;
    // After the view moved or zoomed (a replay then reads the seconds it needs).
    std::function<void()> onViewChanged;

private:
    void Build();
    void Refresh();
    void ShowMarks();
    void Export(bool png);
    // The panels and bands of columns first to last (inclusive).
    void Columns(int first, int last, std::vector<ui::ChartPanel>* panels,
                 std::vector<ui::ChartBand>* bands) const;
    int ColumnOf(int64_t timeMs) const;
    std::vector<ui::ChartGuide> Limits(trends::Series series) const;
    // Per column from `first` on (count of them): the worst alarm in force, as a band's state.
    std::vector<int> AlarmStates(int first, int count) const;
    void FollowWhenAtTheEnd();
    // Moves a live view that the polls reached past `timeMs` by scrolling the chart; false when
    // its column width does not allow that, and it must be drawn anew.
    bool MoveOn(int64_t timeMs);
    void ShowReadout();
    void ShowLogState();
    // Where a column's time span begins (that of column N ends where N + 1 begins).
    int64_t ColumnStart(int column) const;

    const trends::TrendStore& m_store;
    StatusRecorder* m_recorder;  // null in a replay
    const std::string m_folder;
    const alarms::LimitSet* m_limits = nullptr;
    const alarms::AlarmIntervals* m_intervals = nullptr;
    const alarms::LimitLibrary* m_library = nullptr;
    int m_path = 0;
    bool m_paused = false;
    bool m_live = true;
    int64_t m_spanMs = kDefaultSpanMs;
    int64_t m_endMs = 0;
    int64_t m_drawnMs = 0;  // the newest poll time drawn
    bool m_bShownLogRunning = false;
    QComboBox* m_pathBox = nullptr;
    QPushButton* m_pause = nullptr;
    QPushButton* m_log = nullptr;
    QLabel* m_readout = nullptr;
    QLabel* m_logState = nullptr;
    ui::StripChart* m_chart = nullptr;
};
