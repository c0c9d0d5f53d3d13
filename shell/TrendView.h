#pragma once
// The trend view: a window of its own beside the main window, showing per path the RSSI, the
// carrier frequency, the symbol rate and the AM and FM modulation index against time, with the
// lock states as bands below. The last 10 minutes by default; pause and resume, zoom and pan,
// a cursor that reads out every value at one instant, PNG and CSV export, and the status log.

#include <QWidget>
#include <cstdint>
#include <string>

#include "shell/StatusRecorder.h"

class QComboBox;
class QLabel;
class QPushButton;

namespace ui {
class StripChart;
}

class TrendView : public QWidget {
public:
    static constexpr int64_t kDefaultSpanMs = 10 * 60 * 1000;
    static constexpr int64_t kShortestSpanMs = 30 * 1000;

    explicit TrendView(StatusRecorder& recorder, QWidget* parent = nullptr);
    ~TrendView() override;

    // Redraws from the store unless paused.
    void OnPoll();
    void SetPath(int path);
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

private:
    void Build();
    void Refresh();
    void FollowWhenAtTheEnd();
    void ShowReadout();
    void ShowLogState();
    // Where a column's time span begins (that of column N ends where N + 1 begins).
    int64_t ColumnStart(int column) const;

    StatusRecorder& m_recorder;
    int m_path = 0;
    bool m_paused = false;
    bool m_live = true;
    int64_t m_spanMs = kDefaultSpanMs;
    int64_t m_endMs = 0;
    QComboBox* m_pathBox = nullptr;
    QPushButton* m_pause = nullptr;
    QPushButton* m_log = nullptr;
    QLabel* m_readout = nullptr;
    QLabel* m_logState = nullptr;
    ui::StripChart* m_chart = nullptr;
};
