#include "shell/TrendView.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <cmath>
#include <ctime>
#include <fstream>
#include <numeric>

#include "pages/chart_columns.h"
#include "shell/AlarmMonitor.h"
#include "shell/ReplayView.h"
#include "ui/Format.h"
#include "ui/MessageBoxes.h"
#include "ui/StripChart.h"

using trends::TrendStore;

namespace {

const QColor kSeriesColors[trends::kSeriesCount] = {QColor(20, 90, 200), QColor(150, 40, 160),
                                                    QColor(0, 130, 120), QColor(200, 100, 0),
                                                    QColor(120, 120, 20)};

// The limit item of each series, in the order of trends::Series.
const char* const kSeriesItems[trends::kSeriesCount] = {"rssi", "carrierFrequency", "symbolRate",
                                                        "amModIndex", "fmModIndex"};

std::string ClockText(int64_t timeMs) {
    const std::time_t seconds = timeMs / 1000;
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    return ui::Printf("%02d:%02d:%02d UTC", utc.tm_hour, utc.tm_min, utc.tm_sec);
}

// A value as `format` shows it, grouped by thousands without one; a value that was no reading
// says so.
std::string ReadingText(double value, const char* format = nullptr) {
    if (std::isnan(value)) {
        return "out of range";
    }
    return format != nullptr ? ui::Printf(format, value)
                             : ui::GroupThousands(static_cast<int64_t>(value));
}

std::string LockText(int state) {
    switch (state) {
        case -1:
            return "off";
        case 0:
            return "no";
        case 1:
            return "partly";
        default:
            return "yes";
    }
}

// Lock states as the bands colour them: carrier and symbol lock are 0 or 1 (red or green); the
// frame locks are kept as their lock levels.
int BandState(trends::Lock lock, int state) {
    if (state < 0 || lock == trends::kFrameSync || lock == trends::kFrameLock) {
        return state;
    }
    return state != 0 ? 2 : 0;
}

QPushButton* Button(const char* text, QWidget* parent, QHBoxLayout* row) {
    auto* button = new QPushButton(text, parent);
    row->addWidget(button);
    return button;
}

}  // namespace

TrendView::TrendView(StatusRecorder& recorder, QWidget* parent)
    : QWidget(parent, Qt::Window),
      m_store(recorder.Store()),
      m_recorder(&recorder),
      m_folder(recorder.DataFolder()) {
    setWindowTitle("KV90T Trends");
    Build();
    resize(1000, 640);
    Refresh();
}

TrendView::TrendView(const trends::TrendStore& store, std::string folder, QWidget* parent)
    : QWidget(parent), m_store(store), m_recorder(nullptr), m_folder(std::move(folder)) {
    m_live = false;
    Build();
    Refresh();
}

TrendView::~TrendView() = default;

void TrendView::Build() {
    auto* layout = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    m_pathBox = new QComboBox(this);
    m_pathBox->addItems({"CH1", "CH2", "Combiner"});
    row->addWidget(m_pathBox);
    m_pause = Button("Pause", this, row);
    QPushButton* mark = Button("Mark...", this, row);
    QPushButton* zoomIn = Button("Zoom In", this, row);
    QPushButton* zoomOut = Button("Zoom Out", this, row);
    QPushButton* earlier = Button("< Earlier", this, row);
    QPushButton* later = Button("Later >", this, row);
    QPushButton* live = Button("Live", this, row);
    QPushButton* png = Button("Save PNG...", this, row);
    QPushButton* csv = Button("Save CSV...", this, row);
    m_log = Button("Start Log", this, row);
    QPushButton* open = Button("Open Log...", this, row);
    row->addStretch();
    for (QPushButton* liveOnly : {m_pause, mark, live, m_log, open}) {
        liveOnly->setVisible(m_recorder != nullptr);
    }
    layout->addLayout(row);
    m_chart = new ui::StripChart(this);
    layout->addWidget(m_chart, 1);
    m_readout = new QLabel(this);
    m_readout->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(m_readout);
    m_logState = new QLabel(this);
    layout->addWidget(m_logState);

    QObject::connect(m_pathBox, &QComboBox::currentIndexChanged, this,
                     [this](int index) { SetPath(index); });
    QObject::connect(m_pause, &QPushButton::clicked, this, [this] { SetPaused(!m_paused); });
    QObject::connect(zoomIn, &QPushButton::clicked, this,
                     [this] { Zoom(1, m_chart->PlotColumns() / 2); });
    QObject::connect(zoomOut, &QPushButton::clicked, this,
                     [this] { Zoom(-1, m_chart->PlotColumns() / 2); });
    QObject::connect(earlier, &QPushButton::clicked, this, [this] { Pan(-1); });
    QObject::connect(later, &QPushButton::clicked, this, [this] { Pan(1); });
    QObject::connect(live, &QPushButton::clicked, this, [this] { GoLive(); });
    QObject::connect(mark, &QPushButton::clicked, this, [this] { AskForMark(); });
    QObject::connect(open, &QPushButton::clicked, this, [this] { OpenLog(); });
    QObject::connect(png, &QPushButton::clicked, this, [this] { Export(true); });
    QObject::connect(csv, &QPushButton::clicked, this, [this] { Export(false); });
    QObject::connect(m_log, &QPushButton::clicked, this, [this] { ToggleLog(); });
    m_chart->onCursor = [this](int column) { SetCursorColumn(column); };
    m_chart->onWheel = [this](int steps, int column) { Zoom(steps, column); };
}

void TrendView::Export(bool png) {
    const std::string path =
        png ? ui::GetSaveFileName(this, "Save Trend Picture", m_folder + "trends.png",
                                  "PNG pictures (*.png)")
            : ui::GetSaveFileName(this, "Save Trend Values", m_folder + "trends.csv",
                                  "Comma-separated values (*.csv)");
    if (!path.empty() && !(png ? SavePng(path) : SaveCsv(path))) {
        ui::MessageBox(this, "Cannot write " + path + ".", "Trend Export Error");
    }
}

void TrendView::OpenLog() {
    std::vector<std::string> files =
        ui::GetOpenFileNames(this, "Open Status Logs", m_folder, "Status logs (*.csv)");
    if (files.empty()) {
        return;
    }
    trends::SortLogFiles(&files);
    (new ReplayView(std::move(files), m_library, m_folder, this))->show();
}

void TrendView::AskForMark() {
    if (m_recorder == nullptr) {
        return;
    }
    const std::string note = ui::GetText(this, "Mark", m_recorder->MarkPrompt());
    if (!m_recorder->Mark(note)) {
        return;
    }
    ShowMarks();
}

void TrendView::ShowMarks() {
    std::vector<ui::ChartMark> marks;
    for (const trends::Mark& mark : m_store.Marks(m_endMs - m_spanMs, m_endMs)) {
        marks.push_back({ColumnOf(mark.timeMs), mark.note});
    }
    const auto& shown = m_chart->Marks();
    const bool same = std::equal(marks.begin(), marks.end(), shown.begin(), shown.end(),
                                 [](const ui::ChartMark& a, const ui::ChartMark& b) {
                                     return a.column == b.column && a.note == b.note;
                                 });
    if (!same) {
        m_chart->SetMarks(std::move(marks));
    }
}

int64_t TrendView::ColumnStart(int column) const {
    const int columns = std::max(1, m_chart->PlotColumns());
    return m_endMs - m_spanMs + m_spanMs * column / columns;
}

int TrendView::ColumnOf(int64_t timeMs) const {
    const int columns = std::max(1, m_chart->PlotColumns());
    return static_cast<int>((timeMs - (m_endMs - m_spanMs)) * columns / m_spanMs);
}

void TrendView::Columns(int first, int last, std::vector<ui::ChartPanel>* panels,
                        std::vector<ui::ChartBand>* bands) const {
    const TrendStore& store = m_store;
    const int columns = std::max(1, m_chart->PlotColumns());
    const int count = last - first + 1;
    for (int s = 0; s < trends::kSeriesCount; ++s) {
        const auto series = static_cast<trends::Series>(s);
        panels->push_back({trends::SeriesName(series),
                           {{"", kSeriesColors[s],
                             pages::ChartColumns(store.Decimate(m_path, series, m_endMs - m_spanMs,
                                                                m_endMs, columns, first, count))}},
                           Limits(series)});
    }
    std::vector<TrendStore::Instant> latest;  // each column's last poll, for every band
    latest.reserve(size_t(count));
    for (int x = first; x <= last; ++x) {
        latest.push_back(store.Latest(m_path, ColumnStart(x), ColumnStart(x + 1)));
    }
    for (int l = 0; l < trends::kLockCount; ++l) {
        const auto lock = static_cast<trends::Lock>(l);
        ui::ChartBand band{std::string(trends::LockName(lock)) + " Lock", {}};
        band.states.reserve(size_t(count));
        for (const TrendStore::Instant& instant : latest) {
            band.states.push_back(instant.valid ? BandState(lock, instant.sample.locks[lock]) : -2);
        }
        bands->push_back(std::move(band));
    }
    if (m_intervals != nullptr) {
        bands->push_back({"Alarms", AlarmStates(first, count)});
    }
}

std::vector<ui::ChartGuide> TrendView::Limits(trends::Series series) const {
    std::vector<ui::ChartGuide> guides;
    if (m_limits == nullptr) {
        return guides;
    }
    const auto& items = m_limits->paths[m_path];
    const auto found = items.find(kSeriesItems[series]);
    if (found == items.end()) {
        return guides;
    }
    const alarms::ItemLimit& limit = found->second;
    for (const auto& [bound, severity] : {std::pair{limit.redLow, alarms::Severity::kRed},
                                          {limit.yellowLow, alarms::Severity::kYellow},
                                          {limit.yellowHigh, alarms::Severity::kYellow},
                                          {limit.redHigh, alarms::Severity::kRed}}) {
        if (bound) {
            guides.push_back({*bound, QColor(AlarmColour(severity)).darker(130)});
        }
    }
    return guides;
}

// Red (0) over yellow (1) over nothing (-2), from the path's and the device's intervals.
std::vector<int> TrendView::AlarmStates(int first, int count) const {
    std::vector<int> states(size_t(count), -2);
    const int64_t newest = m_store.Newest();
    for (int path : {m_path, alarms::kDevice}) {
        for (const alarms::AlarmInterval& interval : m_intervals->Of(path)) {
            const int from = std::max(first, ColumnOf(interval.fromMs));
            const int to =
                std::min(first + count - 1, ColumnOf(interval.toMs != 0 ? interval.toMs : newest));
            const int state = interval.severity == alarms::Severity::kRed ? 0 : 1;
            for (int x = from; x <= to; ++x) {
                int& s = states[size_t(x - first)];
                s = s == -2 ? state : std::min(s, state);
            }
        }
    }
    return states;
}

void TrendView::SetAlarms(const alarms::LimitSet* limits, const alarms::AlarmIntervals* intervals) {
    m_limits = limits;
    m_intervals = intervals;
    Refresh();
}

void TrendView::Refresh() {
    const int64_t newest = m_store.Newest();
    if (m_live) {
        m_endMs = std::max<int64_t>(newest + m_spanMs / 10, m_spanMs);
    }
    std::vector<ui::ChartPanel> panels;
    std::vector<ui::ChartBand> bands;
    Columns(0, m_chart->PlotColumns() - 1, &panels, &bands);
    m_chart->SetData(std::move(panels), std::move(bands), ClockText(m_endMs - m_spanMs),
                     ClockText(m_endMs));
    m_drawnMs = newest;
    ShowMarks();
    ShowReadout();
    ShowLogState();
    if (onViewChanged) {
        onViewChanged();
    }
}

void TrendView::OnPoll(int path, int64_t timeMs) {
    if (m_paused || path != m_path || !isVisible()) {
        ShowLogState();
        return;
    }
    // A chart that was resized, or a live view the polls took past its end, is drawn anew
    // unless the view can move on by scrolling.
    if (!m_chart->HoldsEveryColumn() || (m_live && timeMs >= m_endMs && !MoveOn(timeMs))) {
        Refresh();
        return;
    }
    if (timeMs - m_drawnMs < kRedrawMs) {
        return;  // drawn with the next poll
    }
    // Every column that reads a bucket the polls since the last drawing went into: from the
    // first that reads the last drawn poll's bucket, which they may have widened, to the last
    // that reads this poll's (a column narrower than a bucket repeats it).
    const int64_t bucket = TrendStore::kBucketMs;
    const int first = std::max(0, ColumnOf(std::min(m_drawnMs, timeMs) / bucket * bucket));
    const int last =
        std::min(m_chart->PlotColumns() - 1, ColumnOf((timeMs / bucket + 1) * bucket - 1));
    if (last >= first && timeMs >= m_endMs - m_spanMs) {
        std::vector<ui::ChartPanel> panels;
        std::vector<ui::ChartBand> bands;
        Columns(first, last, &panels, &bands);
        m_chart->UpdateColumns(first, panels, bands);
        m_drawnMs = std::max(m_drawnMs, timeMs);
        if (m_chart->CursorColumn() >= first && m_chart->CursorColumn() <= last) {
            ShowReadout();
        }
    }
    ShowMarks();
    ShowLogState();
}

// The view moves on by whole columns, so that every column it keeps still covers the same
// time and only the new ones need the store. Columns cover span x n / columns ms, which is a
// whole number of ms only for n a multiple of `unit`.
bool TrendView::MoveOn(int64_t timeMs) {
    const int64_t columns = std::max(1, m_chart->PlotColumns());
    const int64_t unit = columns / std::gcd(m_spanMs, columns);
    const int64_t wanted = timeMs + m_spanMs / 10 - m_endMs;
    const int64_t needed = (wanted * columns + m_spanMs - 1) / m_spanMs;
    const int64_t shift = (needed + unit - 1) / unit * unit;
    if (shift <= 0 || shift * 2 > columns) {
        return false;
    }
    m_endMs += m_spanMs * shift / columns;
    m_chart->ScrollColumns(int(shift), ClockText(m_endMs - m_spanMs), ClockText(m_endMs));
    if (m_chart->CursorColumn() >= 0) {
        ShowReadout();
    }
    return true;
}

void TrendView::SetPath(int path) {
    m_path = std::clamp(path, 0, TrendStore::kPaths - 1);
    if (m_pathBox->currentIndex() != m_path) {
        m_pathBox->setCurrentIndex(m_path);
    }
    Refresh();
}

void TrendView::SetPaused(bool paused) {
    m_paused = paused;
    m_pause->setText(paused ? "Resume" : "Pause");
    if (!paused) {
        m_live = m_recorder != nullptr;
        Refresh();
    }
}

void TrendView::Zoom(int steps, int column) {
    const int64_t at = ColumnStart(column);
    const double factor = std::pow(2.0, -steps);
    const int64_t longest = m_store.LongestSpanMs();
    const int64_t span =
        std::clamp<int64_t>(int64_t(double(m_spanMs) * factor), kShortestSpanMs, longest);
    const double share = double(m_endMs - at) / double(m_spanMs);
    m_endMs = at + int64_t(share * double(span));
    m_spanMs = span;
    m_live = m_live && steps < 0 && m_recorder != nullptr;
    FollowWhenAtTheEnd();
    Refresh();
}

// A view that reaches the newest poll follows the polls again (unless paused or a replay).
void TrendView::FollowWhenAtTheEnd() {
    const int64_t newest = m_store.Newest();
    if (m_endMs >= newest) {
        m_endMs = newest;
        m_live = !m_paused && m_recorder != nullptr;
    }
}

void TrendView::Pan(int halves) {
    m_live = false;
    m_endMs += halves * m_spanMs / 2;
    FollowWhenAtTheEnd();
    Refresh();
}

void TrendView::GoLive() {
    m_live = m_recorder != nullptr;
    SetPaused(false);
}

void TrendView::SetCursorColumn(int column) {
    m_chart->SetCursorColumn(column);
    ShowReadout();
}

int64_t TrendView::CursorTimeMs() const {
    const int column = m_chart->CursorColumn();
    return column < 0 ? 0 : ColumnStart(column);
}

// A time off the view moves it so that the time is a tenth of the span from its start, and
// what follows it is shown (a replay playing forwards).
void TrendView::SetCursorTime(int64_t timeMs) {
    if (timeMs < m_endMs - m_spanMs || timeMs >= m_endMs) {
        m_live = false;
        m_endMs = timeMs - m_spanMs / 10 + m_spanMs;
        Refresh();
    }
    SetCursorColumn(std::clamp(ColumnOf(timeMs), 0, m_chart->PlotColumns() - 1));
}

std::string TrendView::Readout() const {
    return m_readout->text().toStdString();
}

std::string TrendView::LogState() const {
    return m_logState->text().toStdString();
}

void TrendView::ShowReadout() {
    const int column = m_chart->CursorColumn();
    if (column < 0) {
        m_readout->setText("Click the chart to read the values at one instant.");
        return;
    }
    const int64_t at = ColumnStart(column);
    const TrendStore::Instant instant = m_store.Latest(m_path, at, ColumnStart(column + 1));
    if (!instant.valid) {
        m_readout->setText(QString::fromStdString(ClockText(at) + ": no poll"));
        return;
    }
    const trends::PollSample& s = instant.sample;
    m_readout->setText(QString::fromStdString(
        ui::Printf("%s: RSSI %s dBm, carrier %s Hz, symbol rate %s, AM %s, FM %s; carrier lock %s, "
                   "symbol lock %s, frame sync %s, frame lock %s, time lock %s",
                   ClockText(at).c_str(), ReadingText(s.values[trends::kRssi], "%.1f").c_str(),
                   ReadingText(s.values[trends::kCarrierFrequency]).c_str(),
                   ReadingText(s.values[trends::kSymbolRate]).c_str(),
                   ReadingText(s.values[trends::kAmModIndex], "%.0f").c_str(),
                   ReadingText(s.values[trends::kFmModIndex], "%.2f").c_str(),
                   LockText(s.locks[trends::kCarrierLock] != 0 ? 2 : 0).c_str(),
                   LockText(s.locks[trends::kSymbolLock] != 0 ? 2 : 0).c_str(),
                   LockText(BandState(trends::kFrameSync, s.locks[trends::kFrameSync])).c_str(),
                   LockText(s.locks[trends::kFrameLock]).c_str(),
                   LockText(BandState(trends::kTimeLock, s.locks[trends::kTimeLock])).c_str())));
}

// Changes the texts only when the log's state did.
void TrendView::ShowLogState() {
    if (m_recorder == nullptr) {
        return;
    }
    const bool running = m_recorder->LogRunning();
    const std::string failure = running ? std::string() : m_recorder->TakeLogFailure();
    if (running == m_bShownLogRunning && failure.empty()) {
        return;
    }
    m_bShownLogRunning = running;
    if (!failure.empty()) {
        m_logState->setText(QString::fromStdString(failure));
        ui::MessageBox(this, failure, "Status Log Error");
    } else {
        m_logState->setText(running ? QString::fromStdString("Logging to " + m_recorder->LogPath())
                                    : QString());
    }
    m_log->setText(running ? "Stop Log" : "Start Log");
}

void TrendView::ToggleLog() {
    if (m_recorder == nullptr) {
        return;
    }
    if (m_recorder->LogRunning()) {
        m_recorder->StopLog();
    } else if (std::string error; !m_recorder->StartLog(&error)) {
        ui::MessageBox(this, "Cannot start the status log: " + error, "Status Log Error");
    }
    ShowLogState();
}

bool TrendView::SavePng(const std::string& path) {
    return m_chart->grab().save(QString::fromStdString(path), "PNG");
}

bool TrendView::SaveCsv(const std::string& path) {
    std::ofstream file(path);
    m_store.WriteCsv(file, m_endMs - m_spanMs, m_endMs);
    file.flush();
    return file.good();
}
